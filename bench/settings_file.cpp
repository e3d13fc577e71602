// Settings file benchmark: reading and rewriting files of 1, 10 and 80 MB that
// hold the keys followed by line breaks or by junk lines. Each case runs in a
// child process of its own, which reports the read and rewrite times and the
// growth of its peak resident memory over what it had before reading.
#include "core/settings.h"

#include <QFile>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace {

// kB of a /proc/self/status field.
long StatusKb(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    return -1;
}

void RunCase(const QString& path, const char* shape, int mb)
{
    using Clock = std::chrono::steady_clock;
    auto ms = [](auto d) { return std::chrono::duration<double, std::milli>(d).count(); };
    const long before = StatusKb("VmRSS:");
    const auto t0 = Clock::now();
    AppSettings s = ReadSettings(path, QStringLiteral("/opt/"));
    const auto t1 = Clock::now();
    const long peakRead = StatusKb("VmHWM:");
    s.retry = 5;
    const bool ok = WriteSettings(path, s) && s.secondary == "11223344";
    const auto t2 = Clock::now();
    std::printf("%-7s %3d MB  read %7.1f ms  +%5.1f MB   rewrite %7.1f ms  +%5.1f MB  %s\n", shape, mb, ms(t1 - t0),
                (peakRead - before) / 1024.0, ms(t2 - t1), (StatusKb("VmHWM:") - before) / 1024.0, ok ? "ok" : "WRONG");
}

}  // namespace

int main()
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("zelk-duv.ini"));
    const QByteArray keys = "[Com port]\nName=COM3\n[Misc]\nRetry=2\nLanguage=1\n[RFZELK]\nSecondary=11223344\n";
    std::printf("+MB: growth of the peak resident memory over the process before reading\n");
    for (const char* shape : {"breaks", "junk"}) {
        for (int mb : {1, 10, 80}) {
            QByteArray filler;
            unsigned seed = 1;
            while (filler.size() < qsizetype(mb) << 20) {
                if (shape[0] == 'b')
                    filler.append(1 << 16, '\n');
                for (int i = 0; shape[0] == 'j' && i < 80; ++i)  // ~80-byte lines of printable junk
                    filler.append(i == 79 ? '\n' : char(' ' + (seed = seed * 1103515245u + 12345u) % 94));
            }
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(keys + filler) < 0)
                return 1;
            f.close();
            std::fflush(stdout);
            if (fork() == 0)
                RunCase(path, shape, mb), std::fflush(stdout), _exit(0);
            wait(nullptr);
        }
    }
    return 0;
}
