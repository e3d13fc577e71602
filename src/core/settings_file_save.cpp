// Writing a settings document: the source's bytes copied through with the
// changed and added lines, into a file that replaces the old one only once
// complete.
#include "core/settings_file.h"

#include "core/system_error.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

bool IsReadOnly(const QFileInfo& info)
{
    // The permission bits are checked as well as access(): a file the user
    // made read-only stays untouched even for a user (root) who could write it.
    const auto writeBits = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return !info.isWritable() || !(info.permissions() & writeBits);
}

}  // namespace

QVarLengthArray<IniDocument::Patch, 2 * IniDocument::kInlineKeys> IniDocument::patches() const
{
    QVarLengthArray<Patch, 2 * kInlineKeys> patches;
    for (qsizetype i = 0; i < keys_.size(); ++i)
        if (keys_[i].changed)
            patches.append({keys_[i].textStart, keys_[i].textEnd, 1, int(i), -1});
    for (qsizetype s = 0; s < sections_.size(); ++s) {
        const Section& section = sections_[s];
        if (section.inSource && section.added > 0 && section.insertAt != sourceSize_)
            patches.append({section.insertAt, section.insertAt, 0, -1, int(s)});
    }
    patches.append({sourceSize_, sourceSize_, 2, -1, -1});
    std::sort(patches.begin(), patches.end(),
              [](const Patch& a, const Patch& b) { return a.at != b.at ? a.at < b.at : a.order < b.order; });
    return patches;
}

// The lines added to a section, in the order they were set.
template <typename Write>
void IniDocument::writeAdded(int section, Write write) const
{
    for (int i : added_) {
        if (keys_[i].section != section)
            continue;
        write(lineOf(keys_[i]));
        write(newline_);
    }
}

template <typename Write>
void IniDocument::writePatch(const Patch& patch, Write write) const
{
    if (patch.key >= 0) {
        write(lineOf(keys_[patch.key]));
        return;
    }
    if (patch.section >= 0) {
        writeAdded(patch.section, write);
        return;
    }
    // The tail, after the source's last byte: keys added to sections that end
    // there, then the appended sections.
    if (inserted_ && anyLine_ && !lastLineEnded_)
        write(newline_);
    for (qsizetype s = 0; s < sections_.size(); ++s)
        if (sections_[s].inSource && sections_[s].added > 0 && sections_[s].insertAt == sourceSize_)
            writeAdded(int(s), write);
    for (int index : appendOrder_) {
        const Section& s = sections_[index];
        if (s.blankBefore)
            write(newline_);
        write("[");
        write(s.name);
        write("]");
        write(newline_);
        writeAdded(index, write);
    }
}

bool IniDocument::writeTo(QIODevice& source, QIODevice& out) const
{
    QByteArray chunk(std::clamp<qint64>(sourceSize_, 1, kChunk), Qt::Uninitialized);
    qint64 pos = 0;  // source bytes read so far
    auto copyUntil = [&](qint64 until) {
        while (pos < until) {
            const qint64 n = source.read(chunk.data(), std::min<qint64>(chunk.size(), until - pos));
            if (n <= 0 || out.write(chunk.constData(), n) != n)
                return false;
            pos += n;
        }
        return true;
    };
    bool written = true;
    const auto write = [&](QByteArrayView bytes) {
        written = written && out.write(bytes.data(), bytes.size()) == bytes.size();
    };
    for (const Patch& p : patches()) {
        if (!copyUntil(p.at))
            return false;
        writePatch(p, write);
        if (!written)
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
    // The same copy as writeTo, straight from the bytes in memory, into a
    // result sized beforehand.
    const auto list = patches();
    qint64 size = data_.size();
    for (const Patch& p : list)
        writePatch(p, [&size](QByteArrayView bytes) { size += bytes.size(); });
    // Nothing written over or added (a changed line is never empty): the
    // contents as far as read, shared rather than copied.
    if (size == data_.size())
        return data_.left(sourceSize_);
    QByteArray out;
    out.reserve(size);
    const auto append = [&out](QByteArrayView bytes) { out.append(bytes); };
    qint64 pos = 0;
    for (const Patch& p : list) {
        if (p.at > pos)
            out.append(data_.constData() + pos, p.at - pos);
        pos = std::max(pos, p.skipTo);
        writePatch(p, append);
    }
    return out;
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
        return fail(info.isDir() ? SystemErrorText(EISDIR) : QStringLiteral("not a plain file"));
    if (unreadable_)
        return fail(readError_);
    if (info.exists() && IsReadOnly(info))
        return fail(SystemErrorText(EACCES));
    if (!QDir().mkpath(info.absolutePath()))
        return fail(QStringLiteral("cannot create the folder ") + info.absolutePath());
    QFile file(sourcePath_);
    QBuffer buffer;
    QIODevice* source = &buffer;
    if (!sourcePath_.isEmpty()) {
        if (!file.open(QIODevice::ReadOnly) || file.size() != sourceSize_)  // nothing is overwritten
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
