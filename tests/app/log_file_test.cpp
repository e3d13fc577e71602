// Saving the activity log: line ends, code page, and failures that must
// leave the old file as it was.
#include "app/log_file.h"
#include "core/activity_log.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

TEST(LogFile, ThreeLinesEachEndInCrLf)
{
    QTemporaryDir dir;
    ActivityLog log;
    log.append(QStringLiteral("Sent: 68 0B 0B 16 "));
    log.append(QString());
    log.append(QStringLiteral("Communicating RF-ZELK again, attempt 1"));
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    EXPECT_TRUE(SaveActivityLog(log, path));
    EXPECT_EQ(ReadAll(path), "Sent: 68 0B 0B 16 \r\n\r\nCommunicating RF-ZELK again, attempt 1\r\n");
    EXPECT_EQ(log.lineCount(), 3);

    // Saving again replaces the file; an empty log gives an empty file.
    log.clear();
    EXPECT_TRUE(SaveActivityLog(log, path));
    EXPECT_EQ(ReadAll(path), "");
}

TEST(LogFile, Windows1252WithQuestionMarksForTheRest)
{
    const QStringList lines = {QString::fromUtf8("caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x94 \xC5\x93"),
                               QString::fromUtf8("\xE4\xB8\xAD \xF0\x9F\x98\x80 \xC2\x81")};
    EXPECT_EQ(EncodeLogText(lines), QByteArray("caf\xE9 \x80 \x97 \x9C\r\n? ? ?\r\n"));
}

TEST(LogFile, RefusedSaveLogsOneLineAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    ActivityLog log;
    log.append(QStringLiteral("first"));

    // A folder that does not exist.
    EXPECT_FALSE(SaveActivityLog(log, dir.filePath(QStringLiteral("missing/log.txt"))));
    ASSERT_EQ(log.lineCount(), 2);
    EXPECT_EQ(log.lastLine(), "Can not write file, no rights...");
    EXPECT_FALSE(QDir(dir.filePath(QStringLiteral("missing"))).exists());

    // A read-only old file keeps its contents.
    const QString old = dir.filePath(QStringLiteral("old.txt"));
    {
        QFile f(old);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old contents\r\n");
    }
    QFile::setPermissions(old, QFileDevice::ReadOwner);
    EXPECT_FALSE(SaveActivityLog(log, old));
    EXPECT_EQ(log.lineCount(), 3);
    EXPECT_EQ(ReadAll(old), "old contents\r\n");

    // A folder in place of the file.
    EXPECT_FALSE(SaveActivityLog(log, dir.path()));
    EXPECT_EQ(log.lineCount(), 4);

    // Cancelled dialog: nothing written, nothing logged.
    EXPECT_FALSE(SaveActivityLog(log, QString()));
    EXPECT_EQ(log.lineCount(), 4);
}

// Faults: a log that shows a key saved 0644 (every account can read the
// keys), a shared file replaced keeping its group and other bits or losing
// its owner bits, the mark outliving "Clear log", a log without keys made
// private.
TEST(LogFile, LogsThatShowKeysAreSavedPrivate)
{
    const mode_t umaskBefore = ::umask(022);
    enum Lines { Plain, Key, KeyThenCleared };
    for (auto [existing, lines, expected] : {std::tuple{-1, Key, 0600},
                                             {0644, Key, 0600},
                                             {0740, Key, 0700},
                                             {-1, Plain, 0644},
                                             {0664, Plain, 0664},
                                             {-1, KeyThenCleared, 0644}}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("log.txt"));
        ActivityLog log;
        if (existing >= 0) {
            ASSERT_TRUE(SaveActivityLog(log, path) && ::chmod(QFile::encodeName(path), mode_t(existing)) == 0);
        }
        log.append(QStringLiteral("Sent: 68 "),
                   lines == Plain ? ActivityLog::Content::Plain : ActivityLog::Content::Key);
        if (lines == KeyThenCleared)
            log.clear();
        ASSERT_TRUE(SaveActivityLog(log, path));
        struct stat st {};
        EXPECT_TRUE(::stat(QFile::encodeName(path), &st) == 0 && int(st.st_mode & 0777) == expected)
            << existing << " " << lines;
    }
    ::umask(umaskBefore);
}

// Faults: a PDF whose writer failed to finish (painter end failed, disk full)
// replacing the old file and counted as printed.
TEST(LogFile, PrintedFileReplacesTheOldOneOnlyWhenFinished)
{
    const struct {
        bool ended;  // what the painter's end answered
        QByteArray written;
        bool replaced;
    } cases[] = {
        {true, "%PDF-1.4\n1 0 obj\n%%EOF\n", true},
        {true, "%PDF-1.4\n1 0 obj\n%%EOF", true},
        {false, "%PDF-1.4\n1 0 obj\n%%EOF\n", false},
        {true, "%PDF-1.4\n1 0 obj\n<< /Len", false},  // cut short by a full disk
        {true, "", false},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("log.pdf"));
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        ActivityLog log;
        const bool printed = PrintToPdfFile(log, path, [&](const QString& at) {
            QFile f(at);
            return f.open(QIODevice::WriteOnly) && f.write(c.written) == c.written.size() && c.ended;
        });
        EXPECT_EQ(printed, c.replaced) << c.written.constData();
        EXPECT_EQ(ReadAll(path), c.replaced ? c.written : QByteArray("old"));
        EXPECT_EQ(log.lineCount(), c.replaced ? 0 : 1);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
}

}  // namespace
