// The window against the simulator under a link: CPU used while it waits 10 s for the lost port,
// then per replug the time from asking for the new line and link to "Serial port back".
// Run: QT_QPA_PLATFORM=offscreen bench_reconnect [cycles]
#include "app/ui/main_window.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <ctime>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyZELK"));
    QProcess sim;
    sim.start(qEnvironmentVariable("ZELK_SIM", QStringLiteral(ZELK_SIM_PATH)), {"--quiet", "--link", link});
    TForm11 form;
    form.Combo_comName->setEditText(link);
    if (!sim.waitForReadyRead(5000) || (form.BitBtn22Click(), !form.state().connected))
        return std::puts("simulator not reached"), 1;
    // Runs the event loop until a line starting with `prefix` is logged, at most `ms`.
    auto waitLine = [&](const char* prefix, int ms) {
        QEventLoop loop;
        QObject::connect(&form.activityLog(), &ActivityLog::lineAppended, &loop, [&](const QString& line) {
            if (line.startsWith(QLatin1String(prefix)))
                loop.exit(1);
        });
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        return loop.exec() == 1;
    };
    std::vector<double> ms;
    for (int i = 0; i < cycles; ++i) {
        ::kill(sim.processId(), SIGUSR1);
        if (!waitLine("Serial port lost", 5000))
            break;
        if (i == 0) {
            const std::clock_t cpu = std::clock();
            waitLine("\n", 10000);  // no line starts so: the window only waits
            std::printf("CPU used while waiting 10 s for the lost port: %.3f s\n",
                        double(std::clock() - cpu) / CLOCKS_PER_SEC);
        }
        const auto asked = std::chrono::steady_clock::now();
        ::kill(sim.processId(), SIGUSR2);
        if (!waitLine("Serial port back", 5000))
            break;
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - asked).count());
    }
    std::sort(ms.begin(), ms.end());
    if (!ms.empty())
        std::printf("name back -> reconnected line, %zu cycles: min %.2f ms, median %.2f ms, max %.2f ms\n", ms.size(),
                    ms.front(), ms[ms.size() / 2], ms.back());
    sim.terminate();
    sim.waitForFinished(3000);
    return int(ms.size()) == cycles ? 0 : 1;
}
