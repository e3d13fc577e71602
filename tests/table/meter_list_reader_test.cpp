// Reading a meter list file to its end, whatever size stat reports.
#include <gtest/gtest.h>

#include "table/meter_list_reader.h"

#include <QFile>
#include <QTemporaryDir>

using namespace MeterListFile;

// /proc files report size 0: /proc/self/status has lines, every read of
// /proc/self/mem at offset 0 fails. Fails when only the size stat gave is
// read (an empty table), a failed read counts as the end, or reading is not
// bounded.
TEST(MeterListReader, FilesReportingSizeZeroAreReadToTheirEndOrRefused)
{
    const struct {
        const char* path;
        qint64 maxBytes;
        LoadStatus status;
    } cases[] = {
        {"/proc/self/status", kMaxFileBytes, LoadStatus::Loaded},
        {"/proc/self/status", 64, LoadStatus::TooLarge},
        {"/proc/self/mem", kMaxFileBytes, LoadStatus::ReadError},
    };
    for (const auto& c : cases) {
        const LoadResult r = LoadMeterListFile(QString::fromLatin1(c.path), QStringLiteral(":"), nullptr, c.maxBytes);
        EXPECT_EQ(r.status, c.status) << c.path << " " << c.maxBytes;
        EXPECT_EQ(r.parsed.rows.size() > 10, c.status == LoadStatus::Loaded) << c.path;
    }
}

// Faults: a whole file not read to its last byte, a missing file or a
// folder taken for an empty list (the table cleared for nothing).
TEST(MeterListReader, ReadsWholeFilesAndRefusesMissingFilesAndFolders)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.csv"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("1;12345678;Water;;;\r\n2;87654321;Gas;;end") > 0);
    f.close();
    const LoadResult whole = LoadMeterListFile(path, QStringLiteral(";"));
    ASSERT_EQ(whole.status, LoadStatus::Loaded);
    ASSERT_EQ(whole.parsed.rows.size(), 2u);
    EXPECT_EQ(whole.parsed.rows[1][MeterTable::ColSerial], QStringLiteral("87654321"));
    EXPECT_EQ(LoadMeterListFile(dir.filePath(QStringLiteral("gone.csv")), QStringLiteral(";")).status,
              LoadStatus::ReadError);
    EXPECT_EQ(LoadMeterListFile(dir.path(), QStringLiteral(";")).status, LoadStatus::NotRegular);
}

// Faults: a file read with another separator than its own (every line one
// field) passing for a file of empty rows, a window-exported empty row or a
// bare number taken for a line without an ID, the last field of another
// tool's file (no separator after it) lost, the window's own files read
// differently when that last field is read.
TEST(MeterListReader, LinesWithDataButNoMeterIdAreCountedAndTheLastFieldIsReadOnRequest)
{
    const struct {
        const char* text;
        const char* separator;
        LastField last;
        qsizetype withoutId, first;
        char16_t likely;  // 0: none
        const char* id;   // the first row's meter ID
        const char* medium;
    } cases[] = {
        {"1,44444444,Water,,,\r\n", ";", LastField::Read, 1, 1, u',', "", ""},
        {"1\t44444444\tWater\t\t\t\r\n", ";", LastField::Read, 1, 1, u'\t', "", ""},
        {"1,44444444,Water;Heat,,,\r\n", "\t", LastField::Read, 1, 1, u',', "", ""},
        {"1;12345678;Water;;;\r\n", "", LastField::Read, 1, 1, u';', "", ""},
        {"3;;;;;\r\n\r\n7\r\n 8 ;; ;\r\n", ";", LastField::Read, 0, 0, 0, "", ""},
        {"1;;Water;;;\r\n", ";", LastField::Read, 1, 1, 0, "", "Water"},
        {"x;;;;;\r\n", ";", LastField::Read, 1, 1, 0, "", ""},
        {"1;12345678;Water;;;\r\n2,22222222\r\n3,3\r\n", ";", LastField::Read, 2, 2, u',', "12345678", "Water"},
        {"1;11111111\r\n", ";", LastField::Dropped, 1, 1, 0, "", ""},
        {"1;11111111\r\n", ";", LastField::Read, 0, 0, 0, "11111111", ""},
        {"1;11111111;Gas", ";", LastField::Read, 0, 0, 0, "11111111", "Gas"},
        {"1;11111111;Water;;Hall;\r\n", ";", LastField::Read, 0, 0, 0, "11111111", "Water"},
        {"1;11111111;Water;K;N;6;7;8;9;tail\r\n", ";", LastField::Read, 0, 0, 0, "11111111", "Water"},
    };
    for (const auto& c : cases) {
        const ParsedMeterList p = ParseMeterList(QString::fromUtf8(c.text), QString::fromUtf8(c.separator), {}, c.last);
        EXPECT_EQ(p.linesWithoutId, c.withoutId) << c.text;
        EXPECT_EQ(p.firstLineWithoutId, c.first) << c.text;
        EXPECT_EQ(p.likelySeparator, QChar(c.likely)) << c.text;
        ASSERT_FALSE(p.rows.empty());
        EXPECT_EQ(p.rows[0][MeterTable::ColSerial], QString::fromUtf8(c.id)) << c.text;
        EXPECT_EQ(p.rows[0][MeterTable::ColMedium], QString::fromUtf8(c.medium)) << c.text;
        if (c.last == LastField::Read && QByteArray(c.text).endsWith(";\r\n"))  // as the window writes it
            EXPECT_EQ(ParseMeterList(QString::fromUtf8(c.text), QString::fromUtf8(c.separator)).rows, p.rows);
    }
}
