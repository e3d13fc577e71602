// Reading a meter list file to its end, whatever size stat reports.
#include <gtest/gtest.h>

#include "table/meter_list_reader.h"

using namespace MeterListFile;

// /proc files report size 0: /proc/self/status has lines, every read of
// /proc/self/mem at offset 0 fails. Fails when only the size stat gave is
// read (an empty table), a failed read counts as the end, or reading is not
// bounded.
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
}
