// Key files of every kind through the reader: byte 0 chooses how the rest is
// given. 0: as a file (zip, XML, meter list or key list, by content);
// 1: encrypted first with the password "fuzz" and wrapped in a KEM document,
// so that the decrypted text reaches the XML shapes. Every meter that comes
// out has an 8-digit ID and a 32-digit upper-case key, and appears once.
#include "protocol/key_file.h"

#include <QSet>

#include <openssl/evp.h>

#include <cstdint>
#include <cstdlib>

#define CHECK(condition)                                                                                               \
    if (!(condition))                                                                                                  \
    std::abort()

namespace {

QByteArray Encrypted(const QByteArray& plain)
{
    unsigned char key[16] = {'f', 'u', 'z', 'z'};
    const int pad = 16 - int(plain.size() % 16);
    const QByteArray padded = plain + QByteArray(pad - 1, '\x5A') + char(pad);
    QByteArray out(padded.size() + 16, '\0');
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int done = 0, last = 0;
    EVP_EncryptInit_ex(ctx, EVP_aes_128_cbc(), nullptr, key, key);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &done,
                      reinterpret_cast<const unsigned char*>(padded.constData()), int(padded.size()));
    EVP_EncryptFinal_ex(ctx, reinterpret_cast<unsigned char*>(out.data()) + done, &last);
    EVP_CIPHER_CTX_free(ctx);
    out.truncate(done + last);
    return "<EncryptedData><CipherData><CipherValue>" + out.toBase64() + "</CipherValue></CipherData></EncryptedData>";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray input(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    KeyFile::Options options;
    options.password = "fuzz";
    const KeyFile::Result r = KeyFile::ReadBytes(data[0] % 2 ? Encrypted(input) : input, options);
    CHECK(r.status != KeyFile::Status::Read || r.message.isEmpty());
    QSet<QString> ids;
    for (const KeyFile::Meter& m : r.meters) {
        CHECK(m.id.size() == 8 && m.key.size() == 32 && m.key == m.key.toUpper() && !ids.contains(m.id));
        ids.insert(m.id);
    }
    return 0;
}
