// The meter list file: bytes written for a table, tables read from bytes,
// and the file reads and writes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include "table/meter_list_file.h"
#include "table/meter_table.h"

using namespace MeterListFile;

namespace {

MeterTable::Row R(const char* a, const char* b, const char* c, const char* d, const char* e)
{
    return {QString::fromUtf8(a), QString::fromUtf8(b), QString::fromUtf8(c), QString::fromUtf8(d),
            QString::fromUtf8(e)};
}

MeterTable::Row RowOf(const MeterTable& t, int r)
{
    return {t.cell(0, r), t.cell(1, r), t.cell(2, r), t.cell(3, r), t.cell(4, r)};
}

QByteArray Contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// What an import does with the bytes of a file once read: decode, parse, and
// fill the table with the rows.
ImportOutcome Import(MeterTable& table, const QByteArray& bytes, const QString& separator)
{
    ParsedMeterList parsed = ParseMeterList(DecodeMeterListBytes(bytes), separator);
    table.ClearMeterTable();
    if (!parsed.rows.empty())
        table.replaceDataRows(std::move(parsed.rows));
    return parsed.outcome;
}

}  // namespace

TEST(MeterListExport, ClearedTableIsFiveSeparators)
{
    MeterTable t;
    t.setCell(1, 1, "12345678");
    t.ClearMeterTable();
    EXPECT_EQ(SerialiseMeterList(t, ";"), QByteArray(";;;;;\r\n"));
}

TEST(MeterListExport, EveryCellFollowedByTheSeparatorAndLinesEndInCrLf)
{
    MeterTable t;
    t.replaceDataRows({R("1", "12345678", "Water", "", "first floor"), R("2", "87654321", "Heat", "00AA", "")});
    EXPECT_EQ(SerialiseMeterList(t, ";"), QByteArray("1;12345678;Water;;first floor;\r\n2;87654321;Heat;00AA;;\r\n"));
    EXPECT_EQ(SerialiseMeterList(t, ""), QByteArray("112345678Waterfirst floor\r\n287654321Heat00AA\r\n"));
    EXPECT_EQ(SerialiseMeterList(t, ",,"),
              QByteArray("1,,12345678,,Water,,,,first floor,,\r\n2,,87654321,,Heat,,00AA,,,,\r\n"));
}

TEST(MeterListExport, SingleByteWhenEveryCharacterFitsElseUtf8)
{
    MeterTable t;
    t.setCell(4, 1, QString::fromUtf8("Caf\u00e9 \u20ac"));
    EXPECT_EQ(SerialiseMeterList(t, ";"), QByteArray(";;;;Caf\xe9 \x80;\r\n"));
    t.setCell(4, 1, QString::fromUtf8("\u0436\u00e9"));  // Cyrillic does not fit Windows-1252
    EXPECT_EQ(SerialiseMeterList(t, ";"), QByteArray(";;;;\xd0\xb6\xc3\xa9;\r\n"));
    // Fits Windows-1252, but its bytes C3 A4 would read back as UTF-8 "\u00e4".
    t.setCell(4, 1, QString::fromUtf8("\u00c3\u00a4"));
    EXPECT_EQ(DecodeMeterListBytes(SerialiseMeterList(t, ";")), QString::fromUtf8(";;;;\u00c3\u00a4;\r\n"));
}

TEST(MeterListLines, AllLineEndsSplitAndAFinalBreakAddsNothing)
{
    const QStringList abc = {"a", "b", "c"};
    EXPECT_EQ(SplitLines("a\r\nb\r\nc\r\n"), abc);
    EXPECT_EQ(SplitLines("a\nb\nc\n"), abc);
    EXPECT_EQ(SplitLines("a\rb\rc"), abc);
    EXPECT_EQ(SplitLines("a\rb\nc\r\n"), abc);
    EXPECT_EQ(SplitLines("a\n\nb"), QStringList({"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\n\r\nb"), QStringList({"a", "", "b"}));
    EXPECT_EQ(SplitLines("\r\n"), QStringList({""}));
    EXPECT_TRUE(SplitLines("").isEmpty());
}

TEST(MeterListImport, FieldsTwoToFiveFillTheRowNumberedByPosition)
{
    MeterTable t;
    EXPECT_EQ(Import(t, "7;12345678;Water;;Hall;\r\n", ";"), ImportOutcome::Imported);
    ASSERT_EQ(t.rowCount(), 2);
    EXPECT_EQ(RowOf(t, 1), R("1", "12345678", "Water", "", "Hall"));
}

TEST(MeterListImport, TextAfterTheLastSeparatorIsDropped)
{
    MeterTable t;
    Import(t, "1;12345678;Water", ";");
    EXPECT_EQ(RowOf(t, 1), R("1", "12345678", "", "", ""));
}

TEST(MeterListImport, MissingFieldsGiveEmptyCellsNotThePreviousLinesValues)
{
    MeterTable t;
    Import(t, "1;11111111;Water;AABB;note;\r\n2;22222222;\r\n\r\n", ";");
    ASSERT_EQ(t.rowCount(), 4);
    EXPECT_EQ(RowOf(t, 2), R("2", "22222222", "", "", ""));
    EXPECT_EQ(RowOf(t, 3), R("3", "", "", "", ""));  // an empty line still makes a row
}

TEST(MeterListImport, NineSeparatorsImportTenStopWithTheEarlierRowsAndOneEmptyRow)
{
    MeterTable t;
    const QByteArray nine = "1;11111111;Water;K;N;6;7;8;9;tail\r\n";
    EXPECT_EQ(Import(t, nine, ";"), ImportOutcome::Imported);
    EXPECT_EQ(RowOf(t, 1), R("1", "11111111", "Water", "K", "N"));

    const QByteArray ten = "x;22222222;Gas;;;6;7;8;9;10;\r\n";
    EXPECT_EQ(Import(t, nine + nine + ten + nine, ";"), ImportOutcome::TooManyData);
    ASSERT_EQ(t.rowCount(), 4);
    EXPECT_EQ(t.cell(1, 2), "11111111");
    EXPECT_EQ(RowOf(t, 3), R("", "", "", "", ""));

    EXPECT_EQ(Import(t, ten, ";"), ImportOutcome::TooManyData);
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_EQ(RowOf(t, 1), R("", "", "", "", ""));
}

TEST(MeterListImport, FieldsKeepTheirFirstFiftyCharacters)
{
    MeterTable t;
    const QString notes = QString(50, u'n') + QString(10, u'x');
    Import(t, ("1;12345678;Water;;" + notes + ";").toUtf8(), ";");
    EXPECT_EQ(t.cell(4, 1), QString(50, u'n'));

    // A character outside the basic plane is never cut in half.
    const QString wide = QString(49, u'a') + QString::fromUtf8("\U0001F600") + "b";
    Import(t, (";" + wide + ";").toUtf8(), ";");
    EXPECT_EQ(t.cell(1, 1), QString(49, u'a'));
}

TEST(MeterListImport, AnEmptyOrLongSeparatorFindsNoFields)
{
    MeterTable t;
    Import(t, "1;12345678;Water;;Hall;\r\n2;1;2;3;4;5;6;7;8;9;10;11\r\n", "");
    ASSERT_EQ(t.rowCount(), 3);
    EXPECT_EQ(RowOf(t, 1), R("1", "", "", "", ""));
    EXPECT_EQ(RowOf(t, 2), R("2", "", "", "", ""));

    EXPECT_EQ(Import(t, "1;;12345678;;Water;;\r\n", ";;"), ImportOutcome::Imported);
    EXPECT_EQ(RowOf(t, 1), R("1", "", "", "", ""));
}

TEST(MeterListImport, OtherSeparatorCharacters)
{
    MeterTable t;
    Import(t, "1,12345678,Water;Heat,,Hall,", ",");
    EXPECT_EQ(RowOf(t, 1), R("1", "12345678", "Water;Heat", "", "Hall"));
}

TEST(MeterListImport, LoneLfAndLoneCrImportLikeCrLf)
{
    const QByteArray crlf = "1;11111111;Water;;a;\r\n2;22222222;Gas;;b;\r\n";
    QByteArray lf = crlf, cr = crlf;
    lf.replace("\r\n", "\n");
    cr.replace("\r\n", "\r");
    MeterTable a, b, c;
    Import(a, crlf, ";");
    Import(b, lf, ";");
    Import(c, cr, ";");
    EXPECT_EQ(a.rows(), b.rows());
    EXPECT_EQ(a.rows(), c.rows());
    EXPECT_EQ(a.rowCount(), 3);
}

TEST(MeterListImport, EmptyFileLeavesTheClearedTable)
{
    MeterTable t;
    t.replaceDataRows({R("1", "12345678", "", "", "")});
    EXPECT_EQ(Import(t, QByteArray(), ";"), ImportOutcome::Imported);
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_EQ(RowOf(t, 1), R("", "", "", "", ""));
}

TEST(MeterListImport, EncodingUtf8WithOrWithoutMarkElseWindows1252)
{
    MeterTable t;
    Import(t,
           "\xef\xbb\xbf"
           "1;12345678;W\xc3\xa4rme;;\xe2\x82\xac;",
           ";");
    EXPECT_EQ(RowOf(t, 1), R("1", "12345678", "W\u00e4rme", "", "\u20ac"));
    Import(t, "1;12345678;W\xc3\xa4rme;;;", ";");
    EXPECT_EQ(t.cell(2, 1), QString::fromUtf8("W\u00e4rme"));
    // Invalid UTF-8: every byte is a Windows-1252 character.
    Import(t, "1;12345678;W\xe4rme;;\x80;", ";");
    EXPECT_EQ(RowOf(t, 1), R("1", "12345678", "W\u00e4rme", "", "\u20ac"));
}

TEST(MeterListImport, SixteenRowsRoundTripRenumbered)
{
    MeterTable t;
    std::vector<MeterTable::Row> rows;
    for (int i = 0; i < 16; ++i) {
        const QString n = QString::number(i);
        rows.push_back({i % 3 ? QString::number(100 - i) : QString(), QString("%1").arg(10000000 + i),
                        i % 2 ? "Water" : "Heat", QString(32, QChar(u'A' + i % 6)), QString::fromUtf8("R\u00e9 ") + n});
    }
    t.replaceDataRows(rows);
    MeterTable back;
    EXPECT_EQ(Import(back, SerialiseMeterList(t, ";"), ";"), ImportOutcome::Imported);
    ASSERT_EQ(back.rowCount(), 17);
    for (int r = 1; r <= 16; ++r) {
        MeterTable::Row want = rows[size_t(r - 1)];
        want[0] = QString::number(r);
        EXPECT_EQ(RowOf(back, r), want) << r;
    }
}

TEST(MeterListImport, BadInputNeverCrashes)
{
    MeterTable t;
    // Binary garbage: whatever it gives, the table keeps its shape.
    QByteArray garbage(64 * 1024, '\0');
    QRandomGenerator gen(1234);
    for (char& c : garbage)
        c = char(gen.bounded(256));
    Import(t, garbage, ";");
    EXPECT_GE(t.rowCount(), 2);
    for (int r = 1; r < t.rowCount(); ++r)
        for (int c = 1; c < 5; ++c)
            ASSERT_LE(t.cell(c, r).size(), kMaxFieldChars);

    // One 10 MB line.
    QByteArray line(10 * 1024 * 1024, 'x');
    EXPECT_EQ(Import(t, line, ";"), ImportOutcome::Imported);
    EXPECT_EQ(RowOf(t, 1), R("1", "", "", "", ""));
    Import(t, "1;" + line + ";", ";");
    EXPECT_EQ(t.cell(1, 1), QString(50, u'x'));

    // 10,000 lines.
    QByteArray many;
    for (int i = 0; i < 10000; ++i)
        many += QByteArray::number(i) + ";" + QByteArray::number(20000000 + i) + ";Water;;;\r\n";
    EXPECT_EQ(Import(t, many, ";"), ImportOutcome::Imported);
    ASSERT_EQ(t.rowCount(), 10001);
    EXPECT_EQ(RowOf(t, 10000), R("10000", "20009999", "Water", "", ""));
}

TEST(MeterListFileIo, WriteReplacesTheFileAndFailsIntoAMissingFolder)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("m.csv");
    EXPECT_TRUE(WriteMeterListFile(path, "old\r\n"));
    EXPECT_TRUE(WriteMeterListFile(path, "new\r\n"));
    EXPECT_EQ(Contents(path), "new\r\n");
    QString error;
    EXPECT_FALSE(WriteMeterListFile(dir.filePath("no/such/folder/m.csv"), "x", &error));
    EXPECT_FALSE(error.isEmpty());
    // A folder in the way is not replaced.
    QDir(dir.path()).mkdir("sub.csv");
    EXPECT_FALSE(WriteMeterListFile(dir.filePath("sub.csv"), "x"));
    EXPECT_TRUE(QFileInfo(dir.filePath("sub.csv")).isDir());
}

TEST(MeterListFileIo, AWriteThatFailsHalfwayKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("m.csv");
    const QByteArray old = "1;12345678;Water;;;\r\n";
    ASSERT_TRUE(WriteMeterListFile(path, old));

    // Limit the size of files this process may write, so that the new file
    // cannot be completed (like a full disk).
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = WriteMeterListFile(path, QByteArray(64 * 1024, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(ok);
    EXPECT_EQ(Contents(path), old);
    // No half-written file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"m.csv"}));
}

TEST(MeterListFileIo, DefaultSuffixOnlyForNamesWithoutExtension)
{
    EXPECT_EQ(WithDefaultSuffix("/d/list", "csv"), "/d/list.csv");
    EXPECT_EQ(WithDefaultSuffix("/d/list.txt", "csv"), "/d/list.txt");
    EXPECT_EQ(WithDefaultSuffix("/d.x/list", "csv"), "/d.x/list.csv");
    EXPECT_EQ(WithDefaultSuffix("", "csv"), "");
}

// Faults: a new file with keys created 0644 (keys readable by others), keys
// written over a shared file keeping its group and other bits, the old
// owner bits lost, a replaced file without keys reset to the default
// permissions.
TEST(MeterListFileIo, PermissionsOfNewAndReplacedFiles)
{
    const mode_t umaskBefore = ::umask(022);
    for (auto [existing, key, expected] : {std::tuple{-1, "00112233445566778899AABBCCDDEEFF", 0600},
                                           {-1, "", 0644},
                                           {0640, "0011", 0600},
                                           {0644, "0011", 0600},
                                           {0740, "0011", 0700},
                                           {0664, "", 0664}}) {
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath("m.csv"));
        if (existing >= 0) {
            ASSERT_TRUE(WriteMeterListFile(path, "old\r\n") && ::chmod(path, mode_t(existing)) == 0);
        }
        MeterTable t;
        t.setCell(MeterTable::ColKey, 1, key);
        ASSERT_TRUE(WriteMeterListFile(path, SerialiseMeterList(t, ";"), nullptr, HoldsKeys(t)));
        struct stat st {};
        EXPECT_TRUE(::stat(path, &st) == 0 && int(st.st_mode & 0777) == expected) << existing << key;
    }
    ::umask(umaskBefore);
}

// Fault: a meter list saved through a symbolic link replaces the link with a
// plain file, so the place the link leads to keeps the old list.
TEST(MeterListFileIo, ALinkedFileIsReplacedWhereTheLinkLeads)
{
    QTemporaryDir dir;
    const QString real = dir.filePath("real.csv"), link = dir.filePath("link.csv");
    ASSERT_TRUE(WriteMeterListFile(real, "old\r\n") && QFile::link(real, link));
    ASSERT_TRUE(WriteMeterListFile(link, "new\r\n"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    QFile f(real);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly) && f.readAll() == "new\r\n");
}
