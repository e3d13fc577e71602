// Zip archives of KEM documents. Entries are recognised by their content;
// each one is inflated with a hard limit that counts the bytes actually
// inflated, since the size an archive claims may be a lie.
#include "protocol/key_file_parts.h"

#include <zip.h>

#include <memory>

namespace KeyFile::Detail {

namespace {

// Enough of a document to see its first element.
constexpr qint64 kHead = 4096;
constexpr qint64 kChunk = 64 * 1024;

struct ArchiveClose {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct EntryClose {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

// Up to `limit` + 1 inflated bytes of entry `index`; false on a read error.
bool ReadEntry(zip_t* archive, zip_uint64_t index, qint64 limit, QByteArray* bytes)
{
    std::unique_ptr<zip_file_t, EntryClose> file(zip_fopen_index(archive, index, 0));
    if (!file)
        return false;
    bytes->clear();
    while (bytes->size() <= limit) {
        const qint64 before = bytes->size();
        bytes->resize(before + std::min(kChunk, limit + 1 - before));
        const zip_int64_t n = zip_fread(file.get(), bytes->data() + before, zip_uint64_t(bytes->size() - before));
        if (n < 0)
            return false;
        bytes->truncate(before + n);
        if (n == 0)
            break;
    }
    return true;
}

QString EntryName(zip_t* archive, zip_uint64_t index)
{
    const char* name = zip_get_name(archive, index, ZIP_FL_ENC_GUESS);
    return name ? QString::fromUtf8(name) : QStringLiteral("entry %1").arg(index + 1);
}

}  // namespace

Refusal ReadZip(const QByteArray& bytes, const Options& o, Collected* out)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    std::unique_ptr<zip_t, ArchiveClose> archive(source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr);
    if (!archive) {
        const QString why = QString::fromUtf8(zip_error_strerror(&error));
        zip_error_fini(&error);
        if (source)
            zip_source_free(source);
        return {Status::NotKeyFile, QStringLiteral("not a key file: a damaged zip archive (%1)").arg(why)};
    }
    zip_error_fini(&error);
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    int documents = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = zip_uint64_t(i);
        const QString name = EntryName(archive.get(), index);
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive.get(), index, 0, &st) != 0 || name.endsWith(QLatin1Char('/')))
            continue;
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            return {Status::EncryptedEntry,
                    QStringLiteral("the zip entry %1 is encrypted by the zip itself; unpack it first").arg(name)};
        QByteArray entry;
        if (!ReadEntry(archive.get(), index, kHead, &entry))
            return {Status::NotKeyFile, QStringLiteral("not a key file: the zip entry %1 cannot be read").arg(name)};
        if (!IsKemDocument(entry))
            continue;
        if (!ReadEntry(archive.get(), index, o.maxBytes, &entry))
            return {Status::NotKeyFile, QStringLiteral("not a key file: the zip entry %1 cannot be read").arg(name)};
        if (entry.size() > o.maxBytes)
            return {Status::TooLarge,
                    QStringLiteral("the zip entry %1 inflates past %2 MiB").arg(name).arg(o.maxBytes >> 20)};
        ++documents;
        const Refusal refusal = ReadKemDocument(entry, name + QStringLiteral(", "), o.password, out);
        if (refusal.first != Status::Read)
            return refusal;
    }
    if (documents == 0)
        return {Status::NoKemEntry, QStringLiteral("the zip archive holds no KEM key file")};
    return Accepted();
}

}  // namespace KeyFile::Detail
