// Settings file benchmark: reading and rewriting settings files of 1, 10 and
// 80 MB in three shapes (the keys followed by line breaks, by junk lines, by
// junk key=value lines). Each case runs in a child process of its own, which
// reports the read time, the rewrite time and the growth of its peak resident
// memory over what it had before reading.
//
//   bench_settings_file [--sizes 1,10,80] [--dir DIR]
#include "core/settings.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const QByteArray kKeys =
    "[Com port]\nName=COM3\nSpeed=9600\nParity=Even\nDataBits=8\nRTS=0\n"
    "[Misc]\nExportSeparator=;\nRetry=2\nDir=/tmp/\nLanguage=1\n[Mbus]\nTimeout=700\n"
    "[RFZELK]\nSecondary=11223344\n";

// kB from /proc/self/status.
long StatusKb(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(std::strlen(field))).trimmed().split(' ').value(0).toLong();
    return -1;
}

QByteArray Filler(const std::string& shape, qint64 bytes)
{
    QByteArray out;
    out.reserve(bytes + 128);
    unsigned seed = 12345;
    auto next = [&seed] { seed = seed * 1103515245u + 12345u; return seed >> 16; };
    while (out.size() < bytes) {
        if (shape == "breaks") {
            out.append(1 << 16, '\n');
        } else if (shape == "junk") {
            const int len = 40 + int(next() % 80);
            for (int i = 0; i < len; ++i)
                out.append(char(' ' + next() % 94));
            out.append('\n');
        } else {   // junk keys in a section of their own and in one of ours
            out.append((out.size() / 4096) % 2 ? "[Misc]\n" : "[Other]\n");
            for (int k = 0; k < 60; ++k)
                out.append("key" + QByteArray::number(next()) + "=value " + QByteArray::number(next()) + '\n');
        }
    }
    out.truncate(bytes);
    return out;
}

// In the child: read, rewrite, report one line.
void RunCase(const QString& path, const std::string& shape, int megabytes)
{
    const long rssBefore = StatusKb("VmRSS:");
    const auto t0 = Clock::now();
    AppSettings s = ReadSettings(path, QStringLiteral("/opt/"));
    const auto t1 = Clock::now();
    const long peakRead = StatusKb("VmHWM:");
    s.retry = 5;
    const bool written = WriteSettings(path, s);
    const auto t2 = Clock::now();
    const long peakAll = StatusKb("VmHWM:");
    const bool right = ReadSettings(path, QStringLiteral("/opt/")).retry == 5 && s.comName == "COM3"
        && s.secondary == "11223344";
    auto ms = [](auto d) { return std::chrono::duration<double, std::milli>(d).count(); };
    std::printf("%-7s %4d MB  read %8.1f ms  +%6.1f MB peak   rewrite %8.1f ms  +%6.1f MB peak  %s\n",
                shape.c_str(), megabytes, ms(t1 - t0), (peakRead - rssBefore) / 1024.0, ms(t2 - t1),
                (peakAll - rssBefore) / 1024.0, written && right ? "ok" : "WRONG");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<int> sizes = {1, 10, 80};
    QString base;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--sizes") == 0) {
            sizes.clear();
            for (const QByteArray& v : QByteArray(argv[i + 1]).split(','))
                sizes.push_back(v.toInt());
        } else if (std::strcmp(argv[i], "--dir") == 0) {
            base = QString::fromLocal8Bit(argv[i + 1]);
        }
    }
    QTemporaryDir tmp(base.isEmpty() ? QDir::tempPath() + QStringLiteral("/bench-settings-XXXXXX")
                                     : base + QStringLiteral("/bench-settings-XXXXXX"));
    const QString path = tmp.filePath(QStringLiteral("zelk-duv.ini"));
    std::printf("peak = growth of the peak resident memory over the process before reading\n");
    for (const std::string shape : {"breaks", "junk", "keys"}) {
        for (int mb : sizes) {
            {
                QFile f(path);
                if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
                    return 1;
                f.write(kKeys);
                f.write(Filler(shape, qint64(mb) * 1024 * 1024 - kKeys.size()));
            }
            const pid_t child = fork();
            if (child == 0) {
                RunCase(path, shape, mb);
                std::_Exit(0);
            }
            int status = 0;
            waitpid(child, &status, 0);
        }
    }
    return 0;
}
