// Pacing of the add-all sequence: a 16-row table at a 300 ms response
// timeout. Records when each telegram leaves, reports the intervals and the
// drift of the whole sequence against 15 x 300 ms, and measures how late a
// 5 ms periodic timer on the same thread gets while the sequence runs (the
// GUI thread's responsiveness).
//
// Runs twice: against a recording link (the operations alone) and against the
// receiver simulator over a pseudo-terminal with the real serial connection
// and receive path (replies arrive and are decoded meanwhile).
// Usage: bench_batch_pacing [timeout-ms]   (default 300)
#include "core/activity_log.h"
#include "core/working_state.h"
#include "operations/connection_link.h"
#include "operations/device_operations.h"
#include "protocol/reply_target.h"
#include "serial/connection.h"
#include "serial/receive_path.h"
#include "serial/vacomm.h"
#include "table/meter_table.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kRows = 16;

class BenchHost : public OperationHost {
public:
    int timeoutMs = 300;
    QString meter;
    QString zelkId() const override { return QStringLiteral("01020304"); }
    QString meterId() const override { return meter; }
    void setMeterId(const QString& id) override { meter = id; }
    QString keyText() const override { return {}; }
    QString mediumText() const override { return {}; }
    bool allTicked() const override { return true; }
    void setAllTicked(bool) override {}
    int retries() const override { return 0; }
    int responseTimeout() const override { return timeoutMs; }
    QString newZelkId() const override { return {}; }
    QString wirelessModeText() const override { return {}; }
    QString clockValueText() const override { return {}; }
    bool clockOn() const override { return false; }
    QString flagName() const override { return {}; }
    bool flagOn() const override { return false; }
    QTime localTime() const override { return QTime::currentTime(); }
    bool confirmDeleteAll() override { return true; }
    bool confirmMasterReset() override { return true; }
    bool confirmReplaceTable() override { return true; }
    void setBatchUi(bool) override {}
    void setProgressMaximum(int m) override { max_ = m; }
    int progressValue() const override { return value_; }
    void setProgressValue(int v) override { value_ = v; }
    void stepProgress() override { value_ = std::min(value_ + 1, max_); }

private:
    int max_ = 0;
    int value_ = 0;
};

// Time stamps every telegram, then hands it on (or drops it).
class TimingSink : public CommandSink {
public:
    TimingSink(QElapsedTimer& clock, CommandSink* next) : clock_(clock), next_(next) {}
    std::vector<double> sentMs;
    void logLine(const QString& line) override
    {
        if (next_)
            next_->logLine(line);
    }
    void TransmitTelegram(const QByteArray& telegram) override
    {
        sentMs.push_back(clock_.nsecsElapsed() / 1e6);
        if (next_)
            next_->TransmitTelegram(telegram);
    }

private:
    QElapsedTimer& clock_;
    CommandSink* next_;
};

class TimingLink : public OperationLink {
public:
    TimingLink(QElapsedTimer& clock, OperationLink* real) : sink_(clock, real ? &real->sink() : nullptr), real_(real) {}
    bool EnsurePortOpen() override { return real_ ? real_->EnsurePortOpen() : true; }
    void ReleasePort() override
    {
        released = true;
        if (real_)
            real_->ReleasePort();
    }
    QByteArray ReadIfConnected() override { return real_ ? real_->ReadIfConnected() : QByteArray(); }
    CommandSink& sink() override { return sink_; }
    TimingSink& timing() { return sink_; }
    bool released = false;

private:
    TimingSink sink_;
    OperationLink* real_;
};

class SimView : public ConnectionView, public ReplyTarget {
public:
    SimView(ActivityLog& log, WorkingState& state, MeterTable& table, QString port)
        : log_(log), state_(state), table_(table), port_(std::move(port))
    {}
    QString portNameText() const override { return port_; }
    QString speedText() const override { return QStringLiteral("9600"); }
    QString parityText() const override { return QStringLiteral("None"); }
    bool rtsTicked() const override { return false; }
    bool englishChecked() const override { return true; }
    void setStatusText(const QString&) override {}
    void setConnectCaption(const QString&) override {}
    void setPortListsEnabled(bool) override {}
    void logLine(const QString& line) override { log_.append(line); }
    QString currentZelkId() const override { return QStringLiteral("01020304"); }
    QString meterIdField() const override { return {}; }
    void setKeyField(const QString&) override {}
    MeterTable& table() override { return table_; }
    WorkingState& state() override { return state_; }

private:
    ActivityLog& log_;
    WorkingState& state_;
    MeterTable& table_;
    QString port_;
};

struct Result {
    std::vector<double> sentMs;
    double worstLatenessMs = 0;
    double worstAtMs = 0;  // when it happened, on the telegram clock
    long ticks = 0;
};

Result RunSequence(int timeoutMs, OperationLink* real, WorkingState& state, MeterTable& table)
{
    QElapsedTimer clock;
    clock.start();
    BenchHost host;
    host.timeoutMs = timeoutMs;
    TimingLink link(clock, real);
    table.setRowCount(kRows + 1);
    for (int r = 1; r <= kRows; ++r)
        table.setCell(MeterTable::ColSerial, r, QStringLiteral("%1").arg(10000000 + r * 1111, 8, 10, QLatin1Char('0')));
    DeviceOperations ops(host, link, state, table);

    Result res;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(5);
    double last = -1;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const double now = clock.nsecsElapsed() / 1e6;
        if (last >= 0 && now - last - 5.0 > res.worstLatenessMs) {
            res.worstLatenessMs = now - last - 5.0;
            res.worstAtMs = now;
        }
        last = now;
        ++res.ticks;
    });
    probe.start();
    ops.BitBtn42Click();
    while (!link.released)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    probe.stop();
    res.sentMs = link.timing().sentMs;
    return res;
}

void Report(const char* name, int timeoutMs, const Result& r)
{
    std::printf("%s: %zu telegrams, response timeout %d ms\n", name, r.sentMs.size(), timeoutMs);
    if (r.sentMs.size() < 2)
        return;
    double lo = 1e9, hi = 0, sum = 0;
    for (size_t i = 1; i < r.sentMs.size(); ++i) {
        const double d = r.sentMs[i] - r.sentMs[i - 1];
        lo = std::min(lo, d);
        hi = std::max(hi, d);
        sum += d;
    }
    const double n = double(r.sentMs.size() - 1);
    const double expected = n * timeoutMs;
    const double span = r.sentMs.back() - r.sentMs.front();
    const double drift = 100.0 * (span - expected) / expected;
    std::printf("  intervals: mean %.2f ms, min %.2f ms, max %.2f ms\n", sum / n, lo, hi);
    std::printf("  span first->last %.1f ms vs %.0f ms expected: drift %+.2f %% (target < 5 %%) %s\n", span, expected,
                drift, std::fabs(drift) < 5.0 ? "OK" : "OVER");
    std::printf("  5 ms probe timer: %ld ticks, worst lateness %.2f ms at %.0f ms (first telegram at %.0f ms, "
                "last at %.0f ms; target < 20 ms) %s\n",
                r.ticks, r.worstLatenessMs, r.worstAtMs, r.sentMs.front(), r.sentMs.back(),
                r.worstLatenessMs < 20.0 ? "OK" : "OVER");
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int timeoutMs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    bool ok = true;

    {
        WorkingState state;
        MeterTable table;
        const Result r = RunSequence(timeoutMs, nullptr, state, table);
        Report("recording link", timeoutMs, r);
        ok = ok && r.sentMs.size() == kRows;
    }

    // The simulator over a pseudo-terminal, with the real connection and receive path.
    QProcess sim;
    const QString simPath = qEnvironmentVariable("ZELK_SIM", QStringLiteral(ZELK_SIM_PATH));
    sim.start(simPath, {QStringLiteral("--quiet")});
    QString pty;
    if (sim.waitForStarted(5000)) {
        QElapsedTimer wait;
        wait.start();
        while (pty.isEmpty() && wait.elapsed() < 5000) {
            sim.waitForReadyRead(100);
            while (sim.canReadLine()) {
                const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
                if (line.startsWith(QLatin1String("PTY ")))
                    pty = line.mid(4);
            }
        }
    }
    if (pty.isEmpty()) {
        std::printf("simulator: not started (%s)\n", qPrintable(simPath));
    } else {
        ActivityLog log;
        WorkingState state;
        MeterTable table;
        SimView view(log, state, table, pty);
        TVaComm comm;
        Connection connection(comm, view, log, state);
        ConnectionLink link(connection);
        ReceivePath rx(state, view, connection);
        rx.setReader([&comm](char* area, int count) { return comm.ReadBytes(area, count); });
        QObject::connect(&comm, &TVaComm::OnRxChar, &rx, &ReceivePath::Comm1RxChar);
        const Result r = RunSequence(timeoutMs, &link, state, table);
        Report("simulator over a pseudo-terminal", timeoutMs, r);
        int replies = 0;
        for (const QString& l : log.lines())
            if (l.startsWith(QLatin1String("68 ")))
                ++replies;
        std::printf("  reply lines in the log: %d\n", replies);
        ok = ok && r.sentMs.size() == kRows;
        sim.terminate();
        sim.waitForFinished(3000);
    }
    return ok ? 0 : 1;
}
