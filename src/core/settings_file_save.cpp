// Writing a settings document: the source's bytes copied through with the
// changed and added lines, into a file that replaces the old one only once
// complete.
#include "core/settings_file.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

QString SystemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool IsReadOnly(const QFileInfo& info)
{
    // The permission bits are checked as well as access(): a file the user
    // made read-only stays untouched even for a user (root) who could write it.
    const auto writeBits = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return !info.isWritable() || !(info.permissions() & writeBits);
}

}  // namespace

bool IniDocument::writeTo(QIODevice& source, QIODevice& out) const
{
    struct Patch {
        qint64 at;      // source offset
        qint64 skipTo;  // source offset copying resumes at
        int order;      // added lines before a replaced line at the same offset
        QByteArray bytes;
    };
    std::vector<Patch> patches;
    for (const Key& k : keys_)
        if (k.changed)
            patches.push_back({k.textStart, k.textEnd, 1, k.line});
    QByteArray tail;   // what follows the source's last byte
    if (inserted_ && anyLine_ && !lastLineEnded_)
        tail += newline_;
    for (const Section& s : sections_) {
        if (!s.inSource || s.added.empty())
            continue;
        QByteArray lines;
        for (int i : s.added)
            lines += keys_[size_t(i)].line + newline_;
        if (s.insertAt == sourceSize_)
            tail += lines;
        else
            patches.push_back({s.insertAt, s.insertAt, 0, lines});
    }
    for (int index : appendOrder_) {
        const Section& s = sections_[size_t(index)];
        if (s.blankBefore)
            tail += newline_;
        tail += '[' + QByteArray(s.name) + ']' + newline_;
        for (int i : s.added)
            tail += keys_[size_t(i)].line + newline_;
    }
    patches.push_back({sourceSize_, sourceSize_, 2, tail});
    std::sort(patches.begin(), patches.end(),
              [](const Patch& a, const Patch& b) { return a.at != b.at ? a.at < b.at : a.order < b.order; });

    QByteArray chunk(std::clamp<qint64>(sourceSize_, 1, kChunk), Qt::Uninitialized);
    qint64 pos = 0;   // source bytes read so far
    auto copyUntil = [&](qint64 until) {
        while (pos < until) {
            const qint64 n = source.read(chunk.data(), std::min<qint64>(chunk.size(), until - pos));
            if (n <= 0 || out.write(chunk.constData(), n) != n)
                return false;
            pos += n;
        }
        return true;
    };
    for (const Patch& p : patches) {
        if (!copyUntil(p.at) || out.write(p.bytes) != p.bytes.size())
            return false;
        if (p.skipTo > pos) {
            if (!source.skip(p.skipTo - pos))
                return false;
            pos = p.skipTo;
        }
    }
    return true;
}

QByteArray IniDocument::toBytes() const
{
    QBuffer source;
    source.setData(data_);
    source.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    QBuffer out;
    out.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    writeTo(source, out);
    return out.data();
}

bool IniDocument::save(const QString& path, QString* error) const
{
    const auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return fail(info.isDir() ? SystemText(EISDIR) : QStringLiteral("not a plain file"));
    if (unreadable_)
        return fail(readError_);
    if (info.exists() && IsReadOnly(info))
        return fail(SystemText(EACCES));
    if (!QDir().mkpath(info.absolutePath()))
        return fail(QStringLiteral("cannot create the folder ") + info.absolutePath());
    QFile file(sourcePath_);
    QBuffer buffer;
    QIODevice* source = &buffer;
    if (!sourcePath_.isEmpty()) {
        if (!file.open(QIODevice::ReadOnly) || file.size() != sourceSize_)   // nothing is overwritten
            return fail(QStringLiteral("the file changed since it was read"));
        source = &file;
    } else {
        buffer.setData(data_);
        buffer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    QSaveFile out(path);
    // On failure the temporary file is discarded and the old one kept.
    if (!out.open(QIODevice::WriteOnly) || !writeTo(*source, out) || !out.commit())
        return fail(out.errorString());
    return true;
}
