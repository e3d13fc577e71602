// Idle cost of an open serial port: opens a pseudo-terminal with TVaComm,
// runs the event loop for 10 s with nothing arriving, and prints the CPU time
// the process used meanwhile. An open port must cost nothing while idle (no
// polling loop, no periodic timer).
#include "serial/vacomm.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

static double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("pseudo-terminal");
        return 1;
    }
    const QString slave = QString::fromLocal8Bit(ptsname(master));

    TVaComm comm;
    comm.SetDeviceName(slave);
    comm.SetBaudrate(br9600);
    comm.SetParity(paEven);
    int notifications = 0;
    QObject::connect(&comm, &TVaComm::OnRxChar, [&](QObject*, int) { ++notifications; });
    try {
        comm.OpenPort();
    } catch (const EVaCommError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }

    const int seconds = 10;
    const double before = CpuSeconds();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    const double used = CpuSeconds() - before;

    comm.ClosePort();
    close(master);
    std::printf("port %s open and idle for %d s: CPU time used %.3f ms (%.4f %% of one core), "
                "%d receive notifications\n",
                qPrintable(slave), seconds, used * 1000.0, used * 100.0 / seconds, notifications);
    return 0;
}
