// Reading a meter list file to its end, whatever size stat reports.
#include <gtest/gtest.h>

#include "table/meter_list_reader.h"

using namespace MeterListFile;

// /proc files report size 0: /proc/self/status has lines to read, every read
// of /proc/self/mem at offset 0 fails. Fails when the reader reads only the
// size stat gave (an empty table replaces the real one), when a failed read
// counts as the end, or when the bytes read are not bounded.
TEST(MeterListReader, FilesReportingSizeZeroAreReadToTheirEndOrRefused)
{
    const struct { const char* path; qint64 maxBytes; LoadStatus status; } cases[] = {
        {"/proc/self/status", kMaxFileBytes, LoadStatus::Loaded},
        {"/proc/self/status", 64, LoadStatus::TooLarge},
        {"/proc/self/mem", kMaxFileBytes, LoadStatus::ReadError},
    };
    for (const auto& c : cases) {
        const LoadResult r = LoadMeterListFile(QString::fromLatin1(c.path), QStringLiteral(":"), nullptr, c.maxBytes);
        EXPECT_EQ(r.status, c.status) << c.path << " " << c.maxBytes;
        EXPECT_EQ(r.parsed.rows.size() > 10, c.status == LoadStatus::Loaded) << c.path;
    }
    // A file of exactly the limit is still read whole.
    const QString cmdline = QStringLiteral("/proc/self/cmdline");
    const qint64 size = LoadMeterListFile(cmdline, QStringLiteral(":")).size;
    EXPECT_GT(size, 0);
    EXPECT_EQ(LoadMeterListFile(cmdline, QStringLiteral(":"), nullptr, size).status, LoadStatus::Loaded);
}
