// Benchmark: importing an encrypted KEM file of 10,000 meters: read,
// decrypt, parse, settle duplicates (KeyFile::ReadFile), then the preview
// against a table of 5,000 of those meters and applying it. The file is
// made here with OpenSSL's EVP (the tests use files made by the openssl
// command line instead). Prints the median of a few runs in milliseconds
// and the peak resident memory.
#include "protocol/key_file.h"
#include "protocol/key_import.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <openssl/evp.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kMeters = 10000;
constexpr int kRuns = 7;
const QByteArray kPassword = "Bench-Shipment";

QByteArray Plain()
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<MetersInOrder>\n";
    for (int i = 0; i < kMeters; ++i)
        xml += QStringLiteral("  <Meter><SerialNo>%1</SerialNo><ConsumptionType>Heat</ConsumptionType>"
                              "<EncKeys><DEK>%2</DEK></EncKeys></Meter>\n")
                   .arg(10000000 + i)
                   .arg(QString::number(i, 16).rightJustified(32, QLatin1Char('0')).toUpper())
                   .toUtf8();
    return xml + "</MetersInOrder>\n";
}

QByteArray KemFile()
{
    unsigned char key[16] = {};
    std::copy(kPassword.begin(), kPassword.end(), key);
    QByteArray padded = Plain();
    const int pad = 16 - int(padded.size() % 16);
    padded += QByteArray(pad - 1, '\x33') + char(pad);
    QByteArray cipher(padded.size() + 16, '\0');
    int done = 0, last = 0;
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(ctx, EVP_aes_128_cbc(), nullptr, key, key);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char*>(cipher.data()), &done,
                      reinterpret_cast<const unsigned char*>(padded.constData()), int(padded.size()));
    EVP_EncryptFinal_ex(ctx, reinterpret_cast<unsigned char*>(cipher.data()) + done, &last);
    EVP_CIPHER_CTX_free(ctx);
    cipher.truncate(done + last);
    return "<EncryptedData><CipherData><CipherValue>" + cipher.toBase64()
        + "</CipherValue></CipherData></EncryptedData>";
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QFile file(dir.filePath("shipment.kem"));
    if (!file.open(QIODevice::WriteOnly) || file.write(KemFile()) < 0)
        return 1;
    file.close();
    std::vector<double> read, applied;
    std::size_t meters = 0;
    for (int run = 0; run < kRuns; ++run) {
        MeterTable table;
        std::vector<MeterTable::Row> rows;
        for (int i = 0; i < kMeters / 2; ++i)
            rows.push_back({QString::number(i + 1), QString::number(10000000 + 2 * i), {}, {}, {}});
        table.replaceDataRows(rows);
        QElapsedTimer t;
        t.start();
        KeyFile::Options options;
        options.password = kPassword;
        const KeyFile::Result r = KeyFile::ReadFile(file.fileName(), options);
        read.push_back(double(t.nsecsElapsed()) / 1e6);
        const auto preview = KeyImport::Preview(r, table);
        KeyImport::Apply(preview, int(r.skipped.size()), {}, table);
        applied.push_back(double(t.nsecsElapsed()) / 1e6);
        meters = r.meters.size();
    }
    std::sort(read.begin(), read.end());
    std::sort(applied.begin(), applied.end());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("key file import, %d meters (%lld bytes, %zu read): read %.1f ms, read+preview+apply %.1f ms, "
                "peak RSS %ld MiB\n",
                kMeters, file.size(), meters, read[kRuns / 2], applied[kRuns / 2], usage.ru_maxrss / 1024);
    return meters == std::size_t(kMeters) ? 0 : 1;
}
