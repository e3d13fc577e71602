// Benchmark: export and import of the meter list file and redrawing the grid
// after an import, for 2,500, 5,000 and 10,000 rows. Prints the median of a
// few runs in milliseconds for each size; the times should grow linearly
// with the row count (the file write includes flushing it to disk). Runs
// offscreen unless a platform is set.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "table/meter_list_file.h"
#include "table/meter_table.h"
#include "table/ui/meter_grid.h"

namespace {

constexpr int kRuns = 7;

double MedianMs(const std::function<void()>& work)
{
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
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

    std::printf("%8s %14s %12s %12s %12s %14s %10s\n", "rows", "serialise ms", "export ms", "parse ms", "import ms",
                "import+grid ms", "draw ms");
    for (int n : {2500, 5000, 10000}) {
        MeterTable source;
        source.replaceDataRows(Rows(n));

        QByteArray serialised;
        const double serialiseMs = MedianMs(
            [&] { serialised = MeterListFile::SerialiseMeterList(source, QStringLiteral(";")); });
        MeterTable parsed;
        const double parseMs = MedianMs(
            [&] { MeterListFile::ImportMeterListBytes(parsed, serialised, QStringLiteral(";")); });

        const double exportMs = MedianMs([&] {
            const QByteArray bytes = MeterListFile::SerialiseMeterList(source, QStringLiteral(";"));
            if (!MeterListFile::WriteMeterListFile(path, bytes))
                std::fprintf(stderr, "write failed\n");
        });

        MeterTable plain;
        const double importMs = MedianMs([&] {
            QByteArray bytes;
            if (!MeterListFile::ReadMeterListFile(path, &bytes))
                std::fprintf(stderr, "read failed\n");
            MeterListFile::ImportMeterListBytes(plain, bytes, QStringLiteral(";"));
        });
        if (plain.rowCount() != n + 1)
            std::fprintf(stderr, "imported %d rows, expected %d\n", plain.rowCount() - 1, n);

        // The same import into a table the grid shows, then one full redraw.
        MeterTable shown;
        MeterGrid grid(shown);
        grid.resize(560, 600);
        grid.show();
        QImage image(grid.viewport()->size(), QImage::Format_RGB32);
        shown.markAllDataRows();
        const double resetDrawMs = MedianMs([&] {
            QByteArray bytes;
            MeterListFile::ReadMeterListFile(path, &bytes);
            MeterListFile::ImportMeterListBytes(shown, bytes, QStringLiteral(";"));
            grid.scrollToBottom();
            grid.viewport()->render(&image);
        });
        const double drawMs = MedianMs([&] { grid.viewport()->render(&image); });
        std::printf("%8d %14.2f %12.2f %12.2f %12.2f %14.2f %10.2f\n", n, serialiseMs, exportMs, parseMs, importMs,
                    resetDrawMs, drawMs);
        std::fflush(stdout);
    }
    return 0;
}
