// Benchmark: export and import of the meter list file and filling the grid
// after an import, for 10,000, 100,000 and 1,000,000 rows. Prints the median
// of a few runs in milliseconds for each size and the peak resident memory;
// both should grow linearly with the row count. "import" is the worker
// thread's share (check, read, decode, parse), "gui" the GUI thread's (table
// filled, grid scrolled to the end and drawn; "gui cpu max" its longest CPU
// time, which a busy machine does not inflate), "draw" one redraw.
// Runs offscreen unless a platform is set.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

#include "table/meter_list_file.h"
#include "table/meter_list_reader.h"
#include "table/meter_table.h"
#include "table/ui/meter_grid.h"

namespace {

constexpr int kRuns = 7;

// Median time of `runs` runs of `work` in ms; `prepare` runs untimed before each.
double MedianMs(
    int runs, const std::function<void()>& work, const std::function<void()>& prepare = [] {})
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

std::vector<MeterTable::Row> Rows(int n)
{
    std::vector<MeterTable::Row> rows;
    rows.reserve(size_t(n));
    for (int i = 1; i <= n; ++i)
        rows.push_back({QString::number(i), QString::number(10000000 + i), QStringLiteral("Water"),
                        QStringLiteral("00112233445566778899AABBCCDDEEFF"), QStringLiteral("floor %1").arg(i % 40)});
    return rows;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("meters_data.csv");

    // Sizes in rising order, so that the peak resident memory read after
    // each size is that size's own peak.
    std::printf("%9s %8s %10s %11s %9s %13s %9s %9s\n", "rows", "file MB", "export ms", "import ms", "gui ms",
                "gui cpu max", "draw ms", "peak MB");
    for (int n : {10000, 100000, 1000000}) {
        const int runs = n >= 1000000 ? 3 : kRuns;
        double exportMs = 0;
        {
            MeterTable source;
            source.replaceDataRows(Rows(n));
            exportMs = MedianMs(runs, [&] {
                if (!MeterListFile::WriteMeterListFile(path, MeterListFile::SerialiseMeterList(source, ";")))
                    std::fprintf(stderr, "write failed\n");
            });
        }
        // The import as the window runs it: checked, read and parsed on the
        // worker thread, then handed to the table the grid shows on the GUI
        // thread, which scrolls to the end and draws once.
        MeterListFile::LoadResult loaded;
        const double importMs = MedianMs(runs, [&] { loaded = MeterListFile::LoadMeterListFile(path, ";"); });
        if (loaded.parsed.rows.size() != size_t(n))
            std::fprintf(stderr, "imported %zu rows, expected %d\n", loaded.parsed.rows.size(), n);
        MeterTable shown;
        MeterGrid grid(shown);
        grid.resize(560, 600);
        grid.show();
        QImage image(grid.viewport()->size(), QImage::Format_RGB32);
        double guiCpuMs = 0;
        std::vector<MeterTable::Row> rows;
        const double guiMs = MedianMs(
            runs,
            [&] {
                const std::clock_t cpu0 = std::clock();  // no other thread runs meanwhile
                shown.ClearMeterTable();
                shown.replaceDataRows(std::move(rows));
                grid.scrollToBottom();
                grid.viewport()->render(&image);
                guiCpuMs = std::max(guiCpuMs, 1e3 * double(std::clock() - cpu0) / CLOCKS_PER_SEC);
            },
            [&] { rows = loaded.parsed.rows; });
        const double drawMs = MedianMs(runs, [&] { grid.viewport()->render(&image); });
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("%9d %8.1f %10.1f %11.1f %9.1f %13.1f %9.2f %9.0f\n", n, double(QFileInfo(path).size()) / 1e6,
                    exportMs, importMs, guiMs, guiCpuMs, drawMs, double(usage.ru_maxrss) / 1024.0);
        std::fflush(stdout);
    }
    return 0;
}
