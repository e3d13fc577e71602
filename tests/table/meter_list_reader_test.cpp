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
