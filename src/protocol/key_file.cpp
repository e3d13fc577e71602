#include "protocol/key_file.h"

#include "core/system_error.h"
#include "protocol/identifier.h"
#include "protocol/key_file_parts.h"
#include "protocol/key_text.h"
#include "protocol/medium.h"
#include "table/meter_list_file.h"

#include <QFile>
#include <QHash>

#include <openssl/crypto.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace KeyFile {

namespace {

using Detail::Collected;
using Detail::Entry;

Result Refused(Status status, const QString& message)
{
    Result r;
    r.status = status;
    r.message = message;
    return r;
}

QString LargeText()
{
    return QStringLiteral("the file is larger than a key file can be (%1 MiB at most)").arg(kMaxBytes >> 20);
}

// The rows of this program's meter list that carry a meter ID and a key.
void ReadMeterList(const QString& text, const QString& separator, Collected* out)
{
    const MeterListFile::ParsedMeterList parsed = MeterListFile::ParseMeterList(text, separator);
    for (std::size_t i = 0; i < parsed.rows.size(); ++i) {
        const MeterTable::Row& row = parsed.rows[i];
        const QString id = row[MeterTable::ColSerial].trimmed();
        if (id.isEmpty() || id == MeterTable::kEmptySlotId || row[MeterTable::ColKey].isEmpty())
            continue;
        out->entries.push_back(
            {id, row[MeterTable::ColKey].trimmed(), row[MeterTable::ColMedium], QStringLiteral("line %1").arg(i + 1)});
    }
}

// The reason an entry cannot be imported, or empty.
QString Problem(const Entry& e)
{
    if (e.id.isEmpty())
        return QStringLiteral("no meter ID");
    if (!IsIdentifierText(e.id))
        return QStringLiteral("meter ID is not 8 digits: ") + e.id;
    if (e.key.isEmpty())
        return QStringLiteral("no key for meter ") + e.id;
    if (!IsKeyText(e.key))
        return QStringLiteral("key of meter %1 is not 32 hexadecimal digits").arg(e.id);
    return {};
}

// Checks every entry, keeps a meter given twice with the same key once and
// takes out every meter given with different keys; what is skipped is named
// in file order.
void Settle(Collected& in, Result* r)
{
    r->skipped = std::move(in.skipped);
    QHash<QString, QString> firstKey;
    QHash<QString, bool> conflicting;
    for (const Entry& e : in.entries) {
        if (!Problem(e).isEmpty())
            continue;
        const auto seen = firstKey.constFind(e.id);
        if (seen == firstKey.constEnd())
            firstKey.insert(e.id, e.key.toUpper());
        else if (*seen != e.key.toUpper())
            conflicting.insert(e.id, true);
    }
    const QStringList boxNames = MediumBoxNames();
    QHash<QString, bool> kept;
    for (Entry& e : in.entries) {
        const QString problem = Problem(e);
        if (!problem.isEmpty()) {
            r->skipped.push_back({e.where, problem});
            continue;
        }
        Meter m{e.id, e.key.toUpper(), MediumBoxNameForConsumption(e.type), e.type, e.where};
        Wipe(e.key);
        if (boxNames.contains(e.type))
            m.medium = e.type;
        if (conflicting.contains(m.id)) {
            r->skipped.push_back({m.where, QStringLiteral("meter %1 has another key elsewhere in the file").arg(m.id)});
            r->conflicts.push_back(std::move(m));
        } else if (!kept.contains(m.id)) {
            kept.insert(m.id, true);
            r->meters.push_back(std::move(m));
        }
    }
    for (auto it = firstKey.begin(); it != firstKey.end(); ++it)
        Wipe(it.value());
}

Result Finish(Detail::Refusal refusal, Collected& collected)
{
    for (Entry& e : collected.entries)
        Wipe(e.key);
    Result r = Refused(refusal.first, refusal.second);
    r.encrypted = collected.encrypted;
    return r;
}

// Up to maxBytes + 1 bytes of a regular file; *refusal says Read when
// nothing was refused. Opened without waiting and checked once open, so that
// a pipe or a device (or a file swapped for one) is never read; one byte over
// the limit tells a file over it, whatever size stat gives.
QByteArray ReadRegularFile(const QString& path, qint64 maxBytes, Result* refusal)
{
    *refusal = Refused(Status::Read, {});
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *refusal = Refused(Status::ReadError, QStringLiteral("cannot read %1: %2").arg(path, SystemErrorText(errno)));
        return {};
    }
    struct stat st {};
    QFile file;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *refusal = Refused(Status::NotKeyFile, QStringLiteral("not a key file: %1 is not a regular file").arg(path));
        return {};
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *refusal = Refused(Status::ReadError, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return {};
    }
    // Read in chunks: a buffer of the whole limit would cost its size in
    // memory for every small file.
    QByteArray bytes;
    while (bytes.size() <= maxBytes) {
        const QByteArray chunk = file.read(std::min<qint64>(1 << 20, maxBytes + 1 - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    if (file.error() != QFileDevice::NoError)
        *refusal = Refused(Status::ReadError, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    else if (bytes.size() > maxBytes)
        *refusal = Refused(Status::TooLarge, LargeText());
    return bytes;
}

}  // namespace

Kind DetectKind(const QByteArray& bytes, const QString& separator)
{
    if (bytes.startsWith("PK\x03\x04") || bytes.startsWith("PK\x05\x06"))
        return Kind::Zip;
    qsizetype at = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (at < bytes.size() && QChar::isSpace(uchar(bytes.at(at))))
        ++at;
    if (at < bytes.size() && bytes.at(at) == '<')
        return Kind::Xml;
    if (LooksLikeMeterList(MeterListFile::DecodeMeterListBytes(bytes.left(4096)), separator))
        return Kind::MeterList;
    return Kind::KeyList;
}

bool LooksLikeMeterList(const QString& text, const QString& separator)
{
    if (separator.size() != 1)
        return false;
    for (const QString& line : MeterListFile::SplitLines(text)) {
        if (line.trimmed().isEmpty())
            continue;
        const QStringList fields = line.split(separator.at(0));
        bool numbered = true;
        for (const QChar ch : fields.first().trimmed())
            numbered = numbered && ch.isDigit();
        // A numbered key list ("1;12345678;<key>") has its key where a meter
        // list has the medium.
        return fields.size() >= 3 && numbered && !IsKeyText(fields.at(2).trimmed());
    }
    return false;
}

Result ReadBytes(const QByteArray& bytes, const Options& o)
{
    if (bytes.size() > o.maxBytes)
        return Refused(Status::TooLarge, LargeText());
    Collected collected;
    Detail::Refusal refusal = Detail::Accepted();
    switch (DetectKind(bytes, o.separator)) {
    case Kind::Zip: refusal = Detail::ReadZip(bytes, o, &collected); break;
    case Kind::Xml:
        if (!Detail::IsKemDocument(bytes))
            return Refused(Status::NotKeyFile, QStringLiteral("not a key file: an XML document of another kind"));
        refusal = Detail::ReadKemDocument(bytes, {}, o.password, &collected);
        break;
    case Kind::MeterList: ReadMeterList(MeterListFile::DecodeMeterListBytes(bytes), o.separator, &collected); break;
    case Kind::KeyList:
        if (bytes.contains('\0') || !Detail::ReadKeyList(MeterListFile::DecodeMeterListBytes(bytes), &collected))
            return Refused(Status::NotKeyFile, QStringLiteral("not a key file: no line holds a meter ID and a key"));
        break;
    }
    if (refusal.first != Status::Read)
        return Finish(refusal, collected);
    Result r = Refused(Status::Read, {});
    r.encrypted = collected.encrypted;
    Settle(collected, &r);
    return r;
}

Result ReadFile(const QString& path, const Options& o)
{
    Result refusal;
    QByteArray bytes = ReadRegularFile(path, o.maxBytes, &refusal);
    return refusal.status == Status::Read ? ReadBytes(bytes, o) : refusal;
}

std::optional<Kind> DetectFileKind(const QString& path, const QString& separator)
{
    Result refusal;
    const QByteArray head = ReadRegularFile(path, 4096, &refusal);
    if (refusal.status != Status::Read && refusal.status != Status::TooLarge)
        return std::nullopt;
    return DetectKind(head, separator);
}

void Wipe(QByteArray& bytes)
{
    // A copy shared with someone else is theirs to wipe.
    if (!bytes.isEmpty() && bytes.isDetached())
        OPENSSL_cleanse(bytes.data(), size_t(bytes.size()));
    bytes.clear();
}

void Wipe(QString& text)
{
    if (!text.isEmpty() && text.isDetached())
        OPENSSL_cleanse(text.data(), size_t(text.size()) * sizeof(QChar));
    text.clear();
}

}  // namespace KeyFile
