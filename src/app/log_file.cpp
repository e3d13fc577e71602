#include "app/log_file.h"

#include "core/activity_log.h"
#include "core/replacing_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

// Unicode code points of the Windows-1252 bytes 0x80..0x9F; 0 marks the five
// bytes that have no character.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char ToCp1252(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return char(cp);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == cp && cp != 0)
            return char(0x80 + i);
    return '?';
}

}  // namespace

QByteArray EncodeLogText(const QStringList& lines)
{
    QByteArray out;
    for (const QString& line : lines) {
        out.reserve(out.size() + line.size() + 2);
        for (char32_t cp : line.toUcs4())
            out += ToCp1252(cp);
        out += "\r\n";
    }
    return out;
}

bool SaveLogFile(const QString& path, const QStringList& lines, bool holdsKeys)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (info.exists()) {
        const auto writeBits = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
        if (!info.isFile() || !info.isWritable() || !(info.permissions() & writeBits))
            return false;
    }
    if (!info.absoluteDir().exists())
        return false;
    return WriteReplacingFile(path, EncodeLogText(lines),
                              holdsKeys ? ReplacingFile::Access::Private : ReplacingFile::Access::Usual);
}

bool SaveActivityLog(ActivityLog& log, const QString& path)
{
    if (path.isEmpty())
        return false;
    if (SaveLogFile(path, log.lines(), log.holdsKeys()))
        return true;
    log.append(QString::fromLatin1(kLogWriteFailedText));
    return false;
}

bool PdfFinished(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // The marker may be followed by a line end or two and nothing else.
    constexpr qint64 kTail = 8;
    file.seek(std::max<qint64>(0, file.size() - kTail));
    return file.readAll().trimmed().endsWith("%%EOF");
}

bool PrintToPdfFile(ActivityLog& log, const QString& target, const std::function<bool(const QString& path)>& print)
{
    ReplacingFile file(target, log.holdsKeys() ? ReplacingFile::Access::Private : ReplacingFile::Access::Usual);
    const bool ok = file.open() && print(file.temporaryPath()) && PdfFinished(file.temporaryPath()) && file.commit();
    if (!ok)
        log.append(QString::fromLatin1(kLogWriteFailedText));
    return ok;
}
