// Receive path benchmark.
//
// (1) Latency: the bench plays the receiver on a pseudo-terminal. For each of
//     1,000 status replies it writes the whole frame into the master side and
//     measures the time from the return of that write (the last byte is in
//     the terminal) to the moment the decoded report line is appended to the
//     ActivityLog, through the real path: TVaComm's event thread, the hand-off
//     to this (GUI) thread, ReceivePath::Comm1RxChar, DispatchFrame and
//     DecodeStatusOrError. Between replies the hold-off is ended by calling
//     the timer's slot. Prints median, 99th percentile and maximum. A second
//     run writes the stray noise 68 F0 (a start byte announcing 240 bytes)
//     right before every reply: the reply must be found by its content at
//     once, not after the line has been silent for the response timeout.
// (2) Throughput: frame assembly over streams of frames and noise of three
//     sizes (x1, x4, x16), read in pieces of 1024 bytes as the notification
//     handler does, and once as a single notification through ReceivePath.
//     The time per byte must stay flat as the stream grows.
// Usage: bench_receive_latency [replies]   (default 1000)
#include "core/activity_log.h"
#include "core/working_state.h"
#include "protocol/command_sink.h"
#include "protocol/reply_target.h"
#include "serial/frame_assembler.h"
#include "serial/receive_path.h"
#include "serial/vacomm.h"
#include "table/meter_table.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

class BenchTarget : public ReplyTarget {
public:
    explicit BenchTarget(ActivityLog& log) : log_(log) {}
    void logLine(const QString& line) override { log_.append(line); }
    QString currentZelkId() const override { return zelkId; }
    QString meterIdField() const override { return {}; }
    void setKeyField(const QString&) override {}
    MeterTable& table() override { return table_; }
    WorkingState& state() override { return state_; }

    QString zelkId = QStringLiteral("01020304");

private:
    ActivityLog& log_;
    MeterTable table_;
    WorkingState state_;
};

class NullSink : public CommandSink {
public:
    void logLine(const QString&) override {}
    void TransmitTelegram(const QByteArray&) override {}
};

QByteArray Frame(const QByteArray& body)
{
    QByteArray f;
    f.append(char(0x68));
    f.append(char(14 + body.size()));
    f.append("\x06\xDA\x46\x04\x03\x02\x01\x00\x1B\x7A\x00\x00\x00\x00", 14);
    f.append(body);
    f.append(char(0x16));
    return f;
}

QByteArray StatusReply()
{
    return Frame(QByteArray("\x0F\xFF\x06\x04\x05\x00\x00\x10\x0F\xFF\x05\x04\x2C\x00\x00\x00", 16));
}

double Percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    const std::size_t i = std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5));
    return v[i];
}

int Latency(int replies, const QByteArray& noise)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("pseudo-terminal");
        return 1;
    }
    const QString slave = QString::fromLocal8Bit(ptsname(master));

    ActivityLog log;
    BenchTarget target(log);
    NullSink sink;
    TVaComm comm;
    ReceivePath path(target.state(), target, sink);
    comm.SetDeviceName(slave);
    comm.SetBaudrate(br9600);
    path.setReader([&](char* area, int count) { return comm.ReadBytes(area, count); });
    QObject::connect(&comm, &TVaComm::OnRxChar, &path, &ReceivePath::Comm1RxChar);
    try {
        comm.OpenPort();
    } catch (const EVaCommError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }

    // The last line of the report of StatusReply().
    const QString lastLine = QStringLiteral("Showing Time is ON");
    Clock::time_point written;
    Clock::time_point decoded;
    bool done = false;
    QEventLoop loop;
    QObject::connect(&log, &ActivityLog::lineAppended, [&](const QString& line) {
        if (line == lastLine) {
            decoded = Clock::now();
            done = true;
            loop.quit();
        }
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);

    const QByteArray frame = noise + StatusReply();
    std::vector<double> micros;
    micros.reserve(std::size_t(replies));
    int lost = 0;
    for (int i = 0; i < replies; ++i) {
        done = false;
        const ssize_t n = write(master, frame.constData(), std::size_t(frame.size()));
        written = Clock::now();
        if (n != frame.size()) {
            std::perror("write");
            return 1;
        }
        if (!done) {
            guard.start(2000);
            loop.exec();
            guard.stop();
        }
        if (!done) {
            ++lost;
        } else {
            micros.push_back(std::chrono::duration<double, std::micro>(decoded - written).count());
        }
        path.Timer_noDecodeTimer();  // ends the hold-off for the next reply
        log.clear();
    }
    comm.ClosePort();
    close(master);
    if (micros.empty()) {
        std::printf("latency: no reply decoded\n");
        return 1;
    }
    std::printf("latency, pty write -> decoded log line, %s, %zu replies (%d lost):\n",
                noise.isEmpty() ? "plain" : "behind 68 F0", micros.size(), lost);
    std::printf("  median %.1f us, p99 %.1f us, max %.1f us\n", Percentile(micros, 0.5), Percentile(micros, 0.99),
                *std::max_element(micros.begin(), micros.end()));
    return lost ? 1 : 0;
}

// A stream of frames (bodies of 5 to 120 bytes) with 0 to 7 noise bytes
// before each, noise never 0x68.
QByteArray Stream(int bytes, int* frames)
{
    std::mt19937 rng(42);
    QByteArray s;
    s.reserve(bytes + 300);
    *frames = 0;
    while (s.size() < bytes) {
        const int noise = int(rng() % 8);
        for (int k = 0; k < noise; ++k) {
            const char c = char(rng() % 256);
            s.append(c == 0x68 ? char(0x55) : c);
        }
        QByteArray body(int(5 + rng() % 116), 0);
        for (auto& c : body)
            c = char(rng() % 256);
        s += Frame(body);
        ++*frames;
    }
    return s;
}

void Throughput()
{
    const int base = 2 * 1024 * 1024;
    std::printf("frame assembly throughput (frames and noise):\n");
    for (int factor : {1, 4, 16}) {
        int expected = 0;
        const QByteArray stream = Stream(base * factor, &expected);

        // Best of three runs of each, to keep other load out of the figures.
        double pieceNs = 1e300;
        double oneNs = 1e300;
        int frames = 0;
        for (int run = 0; run < 3; ++run) {
            // In pieces of 1024 bytes, as the notification handler reads.
            WorkingState state;
            FrameAssembler assembler(state);
            assembler.setCurrentId([] { return QStringLiteral("01020304"); });
            frames = 0;
            QElapsedTimer t;
            t.start();
            for (qsizetype pos = 0; pos < stream.size(); pos += ReceivePath::kReadArea) {
                const int n = int(std::min<qsizetype>(ReceivePath::kReadArea, stream.size() - pos));
                assembler.append(stream.constData() + pos, n, [&](const QByteArray&) { ++frames; });
                assembler.dropOverflow();
            }
            pieceNs = std::min(pieceNs, double(t.nsecsElapsed()));

            // One notification reporting the whole stream, through ReceivePath
            // (frames from another sender: assembled, filtered, not decoded).
            ActivityLog log;
            BenchTarget target(log);
            target.zelkId = QStringLiteral("99999999");
            NullSink sink;
            ReceivePath path(target.state(), target, sink);
            qsizetype readPos = 0;
            path.setReader([&](char* area, int count) {
                const int n = int(std::min<qsizetype>(count, stream.size() - readPos));
                std::memcpy(area, stream.constData() + readPos, std::size_t(n));
                readPos += n;
                return n;
            });
            t.restart();
            path.Comm1RxChar(nullptr, int(stream.size()));
            oneNs = std::min(oneNs, double(t.nsecsElapsed()));
        }

        std::printf("  %6.1f MiB, %7d frames (%7d taken): pieces %7.1f ms = %5.2f ns/byte; "
                    "one notification %7.1f ms = %5.2f ns/byte\n",
                    double(stream.size()) / (1024.0 * 1024.0), expected, frames, pieceNs / 1e6,
                    pieceNs / double(stream.size()), oneNs / 1e6, oneNs / double(stream.size()));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int replies = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int rc = Latency(replies, {}) | Latency(replies, QByteArray("\x68\xF0", 2));
    Throughput();
    return rc;
}
