// Settings file: defaults, reading rules, round trip, and damaged or
// protected files.
#include "core/settings.h"
#include "core/settings_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    QString path() const { return dir_.filePath(QStringLiteral("zelk-duv.ini")); }

    void writeFile(const QByteArray& bytes) const
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QByteArray readFile() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    AppSettings read() const { return ReadSettings(path(), QStringLiteral("/opt/zelk/")); }

    QTemporaryDir dir_;
};

TEST_F(SettingsFileTest, MissingFileGivesDefaultsAndIsCreatedOnSave)
{
    const AppSettings s = read();
    EXPECT_EQ(s.comName, "COM1");
    EXPECT_EQ(s.speed, "300");
    EXPECT_EQ(s.parity, "Even");
    EXPECT_EQ(s.dataBits, "8");
    EXPECT_FALSE(s.rts);
    EXPECT_EQ(s.exportSeparator, ";");
    EXPECT_EQ(s.retry, 1);
    EXPECT_EQ(s.timeout, 500);
    EXPECT_EQ(s.dir, "/opt/zelk/");
    EXPECT_EQ(s.language, 1);
    EXPECT_EQ(s.secondary, "01020304");

    ASSERT_TRUE(WriteSettings(path(), s));
    EXPECT_EQ(readFile(),
              "[Com port]\nName=COM1\nSpeed=300\nParity=Even\nDataBits=8\nRTS=0\n\n"
              "[Misc]\nExportSeparator=;\nRetry=1\nDir=/opt/zelk/\nLanguage=1\n\n"
              "[Mbus]\nTimeout=500\n\n[RFZELK]\nSecondary=01020304\n");
    EXPECT_EQ(ReadSettings(path(), QStringLiteral("/elsewhere/")), s);
}

TEST_F(SettingsFileTest, IntegerAndBooleanReadingRules)
{
    struct Case {
        const char* line;  // in [Misc]
        int retry;
        int language;
    };
    const Case cases[] = {
        {"Language=2", 1, 2},        {"Language=258", 1, 2},   {"Language=0", 1, 0}, {"Language=3", 1, 3},
        {"Language=-1", 1, 255},     {"Language=0x102", 1, 2}, {"Retry=abc", 1, 1},  {"Retry=7", 7, 1},
        {"Retry=12", 9, 1},          {"Retry=-4", 0, 1},       {"Retry=0X5", 5, 1},  {"Retry=5abc", 1, 1},
        {"Retry=99999999999", 1, 1}, {"Retry=0x", 1, 1},       {"Retry=", 1, 1},     {"  retry  =  3  ", 3, 1},
        {"RETRY=4", 4, 1},
    };
    for (const Case& c : cases) {
        writeFile(QByteArray("[misc]\n") + c.line + "\n");
        const AppSettings s = read();
        EXPECT_EQ(s.retry, c.retry) << c.line;
        EXPECT_EQ(s.language, c.language) << c.line;
    }
}

TEST_F(SettingsFileTest, TimeoutStaysInsideItsRange)
{
    const std::pair<const char*, int> cases[] = {
        {"Timeout=50", 300},      {"Timeout=0x1F4", 500}, {"Timeout=0x1f4", 500},
        {"Timeout=40000", 30000}, {"Timeout=1234", 1234}, {"Timeout=fast", 500},
    };
    for (const auto& [line, expected] : cases) {
        writeFile(QByteArray("[Mbus]\r\n") + line + "\r\n");
        AppSettings s = read();
        EXPECT_EQ(s.timeout, expected) << line;
        ASSERT_TRUE(WriteSettings(path(), s));
        EXPECT_EQ(read().timeout, expected) << line;
    }
    writeFile("[Mbus]\nTimeout=50\n");
    ASSERT_TRUE(WriteSettings(path(), read()));
    EXPECT_TRUE(readFile().startsWith("[Mbus]\nTimeout=300\n"));
}

TEST_F(SettingsFileTest, RtsAndTextsAreTakenAsStored)
{
    writeFile("[Com port]\nRTS=1\nParity=even\nName=COM27\n[RFZELK]\nSecondary=0102030405\n");
    AppSettings s = read();
    EXPECT_TRUE(s.rts);
    EXPECT_EQ(s.parity, "even");
    EXPECT_EQ(s.comName, "COM27");
    EXPECT_EQ(s.secondary, "0102030405");

    writeFile("[Com port]\nRTS=0\n");
    EXPECT_FALSE(read().rts);
    writeFile("[Com port]\nRTS=0x10\n");
    EXPECT_TRUE(read().rts);
    writeFile("[Com port]\nRTS=yes\n");
    EXPECT_FALSE(read().rts);
}

TEST_F(SettingsFileTest, WrittenValuesReadBackExactly)
{
    AppSettings s = DefaultSettings(QStringLiteral("/home/ann/"));
    s.comName = QStringLiteral("/dev/ttyUSB0");
    s.speed = QStringLiteral("115200");
    s.parity = QStringLiteral("Odd");
    s.dataBits = QStringLiteral("7");
    s.rts = true;
    s.exportSeparator = QStringLiteral(" ");  // a blank would be lost unquoted
    s.retry = 9;
    s.timeout = 30000;
    s.dir = QStringLiteral("/home/ann/Misure città/");
    s.language = 2;
    s.secondary = QStringLiteral("\"quoted\"");
    ASSERT_TRUE(WriteSettings(path(), s));
    EXPECT_EQ(read(), s);

    s.exportSeparator = QStringLiteral("\t");
    s.secondary = QStringLiteral("line\nbreak");  // cannot span lines
    ASSERT_TRUE(WriteSettings(path(), s));
    const AppSettings back = read();
    EXPECT_EQ(back.exportSeparator, "\t");
    EXPECT_EQ(back.secondary, "line break");
    EXPECT_EQ(back.language, 2);
}

// Contents in memory read and rewrite exactly as the same file does.
TEST_F(SettingsFileTest, ContentsInMemoryReadAndWriteAsTheirFile)
{
    AppSettings changed = DefaultSettings(QStringLiteral("/opt/zelk/"));
    changed.dir = QStringLiteral("/home/ann/Misure citt\u00e0/");
    changed.secondary = QStringLiteral("\nlead");
    const QByteArray cases[] = {
        "",
        "\xEF\xBB\xBF[Misc]\r\nDir=/x/\r\n\r\n[RFZELK]\r\nSecondary=11223344",
        "[Com port]\n Name = COM7 \n[Misc]\nRetry=4\n; note\n[Mbus]\nTimeout=900\n",
    };
    for (const QByteArray& contents : cases) {
        writeFile(contents);
        const AppSettings fromFile = read();
        EXPECT_EQ(ParseSettings(contents, QStringLiteral("/opt/zelk/")), fromFile) << contents.constData();
        for (const AppSettings& s : {fromFile, changed}) {
            writeFile(contents);
            ASSERT_TRUE(WriteSettings(path(), s));
            EXPECT_EQ(SettingsFileText(contents, s), readFile()) << contents.constData();
        }
    }
    // Text outside ASCII is written as UTF-8; a line feed at a value's edge is quoted.
    EXPECT_TRUE(readFile().contains("Dir=/home/ann/Misure citt\xC3\xA0/\n"));
    EXPECT_TRUE(readFile().contains("Secondary=\" lead\"\n"));
}

// Keys added to a section that ends the file (here without a line end) go
// after it once, before the sections added after them.
TEST(SettingsContents, KeysAddedAtTheEndOfTheFileAreWrittenOnce)
{
    EXPECT_EQ(SettingsFileText("[Misc]\nRetry=4", DefaultSettings(QStringLiteral("/opt/zelk/"))),
              "[Misc]\nRetry=1\nExportSeparator=;\nDir=/opt/zelk/\nLanguage=1\n\n"
              "[Com port]\nName=COM1\nSpeed=300\nParity=Even\nDataBits=8\nRTS=0\n\n"
              "[Mbus]\nTimeout=500\n\n[RFZELK]\nSecondary=01020304\n");
}

TEST_F(SettingsFileTest, UnknownLinesSurviveASave)
{
    const QByteArray original = "; written by hand\r\n"
                                "[Extra]\r\nColour=blue\r\n\r\n"
                                "[COM PORT]\r\nname=COM3\r\nBaudHint=fast\r\n\r\n"
                                "# trailing comment\r\n[Misc]\r\nNote=keep me\r\n";
    writeFile(original);
    AppSettings s = read();
    EXPECT_EQ(s.comName, "COM3");
    s.comName = QStringLiteral("COM4");
    s.language = 2;
    ASSERT_TRUE(WriteSettings(path(), s));
    const QByteArray saved = readFile();
    EXPECT_TRUE(saved.startsWith("; written by hand\r\n[Extra]\r\nColour=blue\r\n\r\n[COM PORT]\r\nname=COM4\r\n"
                                 "BaudHint=fast\r\nSpeed=300\r\n"))
        << saved.constData();
    EXPECT_TRUE(saved.contains("# trailing comment\r\n[Misc]\r\nNote=keep me\r\nExportSeparator=;\r\n"));
    EXPECT_TRUE(saved.contains("Language=2\r\n"));
    EXPECT_EQ(saved.count("[Misc]"), 1);
    EXPECT_EQ(read(), s);
    // A second save with the same values changes nothing.
    ASSERT_TRUE(WriteSettings(path(), s));
    EXPECT_EQ(readFile(), saved);
}

TEST_F(SettingsFileTest, DuplicatedKeysAndSectionsUseTheFirst)
{
    writeFile("[Misc]\nRetry=3\nRetry=5\n[misc]\nLanguage=2\nRetry=6\n");
    AppSettings s = read();
    EXPECT_EQ(s.retry, 3);
    EXPECT_EQ(s.language, 2);
    s.retry = 4;
    ASSERT_TRUE(WriteSettings(path(), s));
    EXPECT_EQ(read().retry, 4);
    EXPECT_TRUE(readFile().contains("Retry=5\n"));
    EXPECT_TRUE(readFile().contains("Retry=6\n"));
}

TEST_F(SettingsFileTest, DamagedFilesGiveWhatCanBeRead)
{
    // A section without its closing bracket owns nothing.
    writeFile("[Misc\nLanguage=2\n[Mbus]\nTimeout=700\n");
    AppSettings s = read();
    EXPECT_EQ(s.language, 1);
    EXPECT_EQ(s.timeout, 700);
    ASSERT_TRUE(WriteSettings(path(), s));
    EXPECT_TRUE(readFile().startsWith("[Misc\nLanguage=2\n[Mbus]\nTimeout=700\n"));
    EXPECT_EQ(read(), s);

    // Binary garbage, NUL bytes included, then one good section.
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 131 + 7) & 0xFF));
    writeFile(garbage + "\n[RFZELK]\nSecondary=11223344\n");
    s = read();
    EXPECT_EQ(s.secondary, "11223344");
    ASSERT_TRUE(WriteSettings(path(), s));
    EXPECT_TRUE(readFile().startsWith(garbage));
    EXPECT_EQ(read(), s);

    // A 10 MB line before the keys.
    const QByteArray longLine(10 * 1024 * 1024, 'x');
    writeFile("[Misc]\n" + longLine + "\nRetry=8\n");
    s = read();
    EXPECT_EQ(s.retry, 8);
    ASSERT_TRUE(WriteSettings(path(), s));
    EXPECT_TRUE(readFile().contains(longLine + "\nRetry=8\n"));

    // Invalid UTF-8 values read as Latin-1.
    writeFile("[Misc]\nDir=/home/z\xE9/\n");
    EXPECT_EQ(read().dir, QString::fromUtf8("/home/z\xC3\xA9/"));
}

TEST_F(SettingsFileTest, LinesAcrossReadChunksReadAndRewriteAsWhole)
{
    // The key line starts a few bytes before a chunk boundary, so the boundary
    // falls inside the name, the value, or between CR and LF. Fails if a line
    // is cut in two where the file is read in pieces.
    for (qint64 before = 1; before <= 10; ++before) {
        const QByteArray head = "[Misc]\r\n" + QByteArray(IniDocument::kChunk - 8 - before, '\n');
        writeFile(head + "Retry=7\r\nLanguage=2\r\n");
        AppSettings s = read();
        EXPECT_EQ(s.retry, 7) << before;
        EXPECT_EQ(s.language, 2) << before;
        s.retry = 8;
        ASSERT_TRUE(WriteSettings(path(), s));
        EXPECT_TRUE(readFile().startsWith(head + "Retry=8\r\nLanguage=2\r\n")) << before;
    }
}

TEST_F(SettingsFileTest, KeyLineLongerThanAnyValueIsKeptButNotRead)
{
    // Fails if the kept start of an over-long line is taken as the value.
    const QByteArray longLine = "[Misc]\nDir=" + QByteArray(IniDocument::kMaxLineBytes, 'a') + "\nRetry=3\n";
    writeFile(longLine);
    const AppSettings s = read();
    EXPECT_EQ(s.dir, "/opt/zelk/");
    ASSERT_TRUE(WriteSettings(path(), s));
    EXPECT_TRUE(readFile().startsWith(longLine));
    EXPECT_EQ(read(), s);
}

TEST_F(SettingsFileTest, ReadOnlyFileIsNeverReplaced)
{
    const QByteArray original = "[Misc]\nLanguage=2\nRetry=4\n";
    writeFile(original);
    QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    AppSettings s = read();
    EXPECT_EQ(s.language, 2);
    s.language = 1;
    EXPECT_FALSE(WriteSettings(path(), s));
    EXPECT_EQ(readFile(), original);
    EXPECT_FALSE(QFileInfo(path()).permissions() & QFileDevice::WriteOwner);
    QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(SettingsFileTest, FolderInPlaceOfTheFile)
{
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("zelk-duv.ini")));
    EXPECT_EQ(read(), DefaultSettings(QStringLiteral("/opt/zelk/")));
    EXPECT_FALSE(WriteSettings(path(), read()));
    EXPECT_TRUE(QFileInfo(path()).isDir());
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 1);
}

TEST_F(SettingsFileTest, SaveCreatesMissingFolderAndKeepsPermissions)
{
    const QString nested = dir_.filePath(QStringLiteral("config/zelk-duv/zelk-duv.ini"));
    ASSERT_TRUE(WriteSettings(nested, DefaultSettings(QStringLiteral("/h/"))));
    EXPECT_EQ(ReadSettings(nested, QString()).dir, "/h/");

    writeFile("[Misc]\nRetry=2\n");
    const auto perms = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QFile::setPermissions(path(), perms);
    ASSERT_TRUE(WriteSettings(path(), read()));
    EXPECT_EQ(QFileInfo(path()).permissions() & 0x7077, perms);
}

TEST(SettingsLocation, BesideTheProgramOrInTheUserFolder)
{
    QTemporaryDir tmp;
    const QString bin = tmp.filePath(QStringLiteral("bin"));
    const QString home = tmp.filePath(QStringLiteral("home"));
    QDir().mkpath(bin);

    // A writable program folder: beside the program, extension replaced.
    SettingsLocation loc = LocateSettings(bin + QStringLiteral("/zelk-duv"), QString(), home);
    EXPECT_EQ(loc.filePath, bin + QStringLiteral("/zelk-duv.ini"));
    EXPECT_EQ(loc.defaultDir, bin + QStringLiteral("/"));
    loc = LocateSettings(bin + QStringLiteral("/zelk-duv.bin"), QString(), home);
    EXPECT_EQ(loc.filePath, bin + QStringLiteral("/zelk-duv.ini"));

    // A program folder that cannot be written (here: one that is gone, which
    // works for every user): the user's configuration folder.
    const QString gone = tmp.filePath(QStringLiteral("gone/zelk-duv"));
    loc = LocateSettings(gone, QString(), home);
    EXPECT_EQ(loc.filePath, home + QStringLiteral("/.config/zelk-duv/zelk-duv.ini"));
    EXPECT_EQ(loc.defaultDir, home + QStringLiteral("/"));
    loc = LocateSettings(gone, tmp.filePath(QStringLiteral("xdg")), home);
    EXPECT_EQ(loc.filePath, tmp.filePath(QStringLiteral("xdg/zelk-duv/zelk-duv.ini")));
    loc = LocateSettings(gone, QStringLiteral("relative/xdg"), home);  // ignored, as XDG says
    EXPECT_EQ(loc.filePath, home + QStringLiteral("/.config/zelk-duv/zelk-duv.ini"));
}

TEST(SettingsLocation, ExistingFileBesideTheProgramWins)
{
    QTemporaryDir tmp;
    const QString bin = tmp.filePath(QStringLiteral("bin"));
    QDir().mkpath(bin);
    QFile f(bin + QStringLiteral("/zelk-duv.ini"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    QFile::setPermissions(bin, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const SettingsLocation loc = LocateSettings(bin + QStringLiteral("/zelk-duv"), QString(), tmp.path());
    EXPECT_EQ(loc.filePath, bin + QStringLiteral("/zelk-duv.ini"));
    EXPECT_EQ(loc.defaultDir, bin + QStringLiteral("/"));
    QFile::setPermissions(bin, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// Root's run of the installed program (or one built for another prefix) using a file beside it.
TEST(SettingsLocation, InstalledProgramNeverBesideItselfPortableCopyIs)
{
    struct Row {
        const char* exe;
        bool leftoverIni;
        bool builtForThisFolder;
        bool beside;
    };
    for (const Row& row : {Row{"bin/zelk-duv", false, false, true},  // portable, writable folder
                           Row{"bin/zelk-duv", false, true, false},  // installed, writable (root)
                           Row{"bin/zelk-duv", true, true, false},   // installed, root's file left
                           Row{"/usr/bin/zelk-duv", false, false, false}}) {
        QTemporaryDir tmp;
        const QString bin = QFileInfo(QDir(tmp.path()).absoluteFilePath(QString::fromLatin1(row.exe))).absolutePath();
        QDir().mkpath(bin);
        if (row.leftoverIni)
            QFile(bin + QStringLiteral("/zelk-duv.ini")).open(QIODevice::WriteOnly);
        const auto loc = LocateSettings(bin + QStringLiteral("/zelk-duv"), QString(), tmp.path(),
                                        row.builtForThisFolder ? bin : QString());
        EXPECT_EQ(loc.filePath.toStdString(),
                  (row.beside ? bin + QStringLiteral("/zelk-duv.ini")
                              : tmp.filePath(QStringLiteral(".config/zelk-duv/zelk-duv.ini")))
                      .toStdString())
            << row.exe;
    }
}

}  // namespace
