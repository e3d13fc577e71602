// Reconnect after the adapter comes back, through the whole window against the
// simulator under a symbolic link: the CPU the window uses while it waits 10 s
// for the lost port, then, over `cycles` pulls and replugs, the time from the
// link's creation (its change time) to the "Serial port back" line.
//   bench_reconnect [cycles]        (QT_QPA_PLATFORM=offscreen for no display)
#include "app/ui/main_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QProcess>
#include <QTemporaryDir>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include <sys/resource.h>
#include <sys/stat.h>

static double CpuSeconds()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyZELK"));
    QProcess sim;
    sim.start(qEnvironmentVariable("ZELK_SIM", QStringLiteral(ZELK_SIM_PATH)), {"--quiet", "--link", link});
    if (!sim.waitForReadyRead(5000))
        return std::puts("simulator not started"), 1;
    TForm11 form;
    form.Combo_comName->setEditText(link);
    form.BitBtn22Click();
    // Runs the event loop until a log line starts with `prefix` (at most
    // `ms`); the time the line came, invalid when none did.
    auto waitLine = [&](const char* prefix, int ms) {
        QEventLoop loop;
        QDateTime at;
        auto c = QObject::connect(&form.activityLog(), &ActivityLog::lineAppended, [&](const QString& line) {
            if (line.startsWith(QLatin1String(prefix)))
                at = QDateTime::currentDateTimeUtc(), loop.quit();
        });
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
        QObject::disconnect(c);
        return at;
    };
    std::vector<qint64> ms;
    double waitingCpu = -1;
    for (int i = 0; i < cycles && form.state().connected; ++i) {
        ::kill(sim.processId(), SIGUSR1);
        if (!waitLine("Serial port lost", 5000).isValid())
            break;
        if (i == 0) {
            const double before = CpuSeconds();
            waitLine("\n", 10000);   // no line starts so: the window only waits
            waitingCpu = CpuSeconds() - before;
        }
        ::kill(sim.processId(), SIGUSR2);
        const QDateTime backAt = waitLine("Serial port back", 5000);
        struct stat st {};
        if (!backAt.isValid() || ::lstat(QFile::encodeName(link).constData(), &st) != 0)
            break;
        ms.push_back(backAt.toMSecsSinceEpoch() - (qint64(st.st_ctim.tv_sec) * 1000 + st.st_ctim.tv_nsec / 1000000));
    }
    std::sort(ms.begin(), ms.end());
    std::printf("CPU used while waiting 10 s for the lost port: %.3f s\n", waitingCpu);
    if (ms.size() == size_t(cycles))
        std::printf("link created -> reconnected line, %d cycles: min %lld ms, median %lld ms, max %lld ms\n",
                    cycles, ms.front(), ms[ms.size() / 2], ms.back());
    sim.terminate();
    sim.waitForFinished(3000);
    return ms.size() == size_t(cycles) ? 0 : 1;
}
