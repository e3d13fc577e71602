// Benchmark: export and import of the meter list file and filling the grid
// after an import, for 10,000, 100,000 and 1,000,000 rows. Prints the median
// of a few runs in milliseconds for each size and the peak resident memory;
// the times and the memory should grow linearly with the row count (the
// file write includes flushing it to disk). "import" is the worker thread's
// share (check, read, decode, parse), "gui" the GUI thread's (the table
// takes the rows, the grid scrolls to the end and draws; "gui cpu max" its
// longest CPU time, which a busy machine does not inflate), "draw" one redraw.
// Runs offscreen unless a platform is set.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <type_traits>
#include <vector>

#include "table/meter_list_file.h"
#include "table/meter_list_reader.h"
#include "table/meter_table.h"
#include "table/ui/meter_grid.h"

namespace {

constexpr int kRuns = 7;

// Median of `runs` runs of `work`, in ms: the time `work` returns when it
// measures a part of itself, else the time of the whole call.
template <typename Work>
double MedianMs(int runs, Work work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        if constexpr (std::is_void_v<decltype(work())>) {
            work();
            ms.push_back(double(t.nsecsElapsed()) / 1e6);
        } else {
            ms.push_back(work());
        }
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

// CPU time of the calling thread: what the GUI thread itself spends, however
// busy the machine is.
double ThreadCpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
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
        const double guiMs = MedianMs(runs, [&] {
            std::vector<MeterTable::Row> rows = loaded.parsed.rows;   // a fresh copy per run, not timed
            QElapsedTimer gui;
            gui.start();
            const double cpu0 = ThreadCpuMs();
            shown.ClearMeterTable();
            shown.replaceDataRows(std::move(rows));
            grid.scrollToBottom();
            grid.viewport()->render(&image);
            guiCpuMs = std::max(guiCpuMs, ThreadCpuMs() - cpu0);
            return double(gui.nsecsElapsed()) / 1e6;
        });
        const double drawMs = MedianMs(runs, [&] { grid.viewport()->render(&image); });
        rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("%9d %8.1f %10.1f %11.1f %9.1f %13.1f %9.2f %9.0f\n", n, double(QFileInfo(path).size()) / 1e6,
                    exportMs, importMs, guiMs, guiCpuMs, drawMs, double(usage.ru_maxrss) / 1024.0);
        std::fflush(stdout);
    }
    return 0;
}
