// zelk-cli against a slow receiver: the simulator answers each command 40 ms
// after it arrives. Measures
//   - program of 16 meters with --keys --verify, against the ideal of
//     exchanges x 40 ms plus the line time of every byte at the line speed
//     (target: at most 1.5 x the ideal);
//   - program of the same 16 meters without keys or verification, beside the
//     window's add-all of the same 16 rows (bench_batch_pacing, which paces
//     one row per response timeout, whatever the reply delay);
//   - program --keys --dry-run against a receiver that holds the 16 meters
//     (the list and 16 key reads), beside a script reading the same with one
//     list and 16 read-key runs;
//   - the program's start-up: process start to the first "Sent: " line (-v).
// Usage: bench_cli_program   (zelk-cli and bench_batch_pacing are looked up
// beside the window's program and this benchmark; build them first)
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kDelayMs = 40;
constexpr int kBaud = 115200;

struct Run {
    double totalMs = 0;
    double firstSentMs = -1;
    int exchanges = 0;  // telegrams sent
    long bytes = 0;     // bytes sent and received
    int exitCode = -1;
};

// Runs zelk-cli with -v, timing the whole run and the first telegram.
Run RunCli(const QString& cli, const QStringList& args)
{
    Run r;
    QProcess p;
    QElapsedTimer clock;
    QByteArray err;
    QObject::connect(&p, &QProcess::readyReadStandardError, [&] {
        err += p.readAllStandardError();
        if (r.firstSentMs < 0 && err.contains("Sent: "))
            r.firstSentMs = clock.nsecsElapsed() / 1e6;
    });
    clock.start();
    p.start(cli, args + QStringList{QStringLiteral("-v")});
    p.waitForFinished(120000);
    r.totalMs = clock.nsecsElapsed() / 1e6;
    err += p.readAllStandardError();
    r.exitCode = p.exitCode();
    static const QRegularExpression hexLine(QStringLiteral("^(Sent: )?((?:[0-9A-F]{2} )+)$"));
    for (const QString& line : QString::fromLatin1(err).split(QLatin1Char('\n'))) {
        const auto m = hexLine.match(line);
        if (!m.hasMatch())
            continue;
        r.bytes += m.captured(2).size() / 3;
        r.exchanges += m.captured(1).isEmpty() ? 0 : 1;
    }
    return r;
}

QString StartSim(QProcess& sim, const QStringList& args)
{
    sim.start(qEnvironmentVariable("ZELK_SIM", QStringLiteral(ZELK_SIM_PATH)), args);
    QElapsedTimer wait;
    wait.start();
    while (sim.waitForStarted(5000) && wait.elapsed() < 5000) {
        sim.waitForReadyRead(100);
        while (sim.canReadLine()) {
            const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
            if (line.startsWith(QLatin1String("PTY ")))
                return line.mid(4);
        }
    }
    return {};
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString cli = QFileInfo(QStringLiteral(ZELK_DUV_PATH)).dir().filePath(QStringLiteral("zelk-cli"));
    if (!QFileInfo(cli).isExecutable()) {
        std::printf("zelk-cli not found at %s: build the zelk-cli target first\n", qPrintable(cli));
        return 1;
    }
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("zelk-duv.ini"));
    const QString csv = dir.filePath(QStringLiteral("meters.csv"));
    QFile f(ini);
    f.open(QIODevice::WriteOnly);  // empty: the window's defaults
    f.close();
    QFile m(csv);
    m.open(QIODevice::WriteOnly);
    QStringList ids, held;
    for (int r = 1; r <= 16; ++r) {  // the rows of bench_batch_pacing, each with a key
        ids << QStringLiteral("%1").arg(10000000 + r * 1111, 8, 10, QLatin1Char('0'));
        const QString key = QStringLiteral("%1").arg(r, 2, 16, QLatin1Char('0')).repeated(16).toUpper();
        held << ids.last() + QStringLiteral(":07:") + key;
        m.write(QStringLiteral("%1;%2;Water;%3;;\r\n").arg(r).arg(ids.last(), key).toLatin1());
    }
    m.close();

    bool ok = true;
    auto run = [&](const QStringList& programArgs, const QStringList& simArgs = {}) {
        QProcess sim;
        const QString pty = StartSim(
            sim,
            QStringList{QStringLiteral("--quiet"), QStringLiteral("--delay"), QString::number(kDelayMs)} + simArgs);
        const Run r = RunCli(cli,
                             QStringList{QStringLiteral("--settings"), ini, QStringLiteral("-p"), pty,
                                         QStringLiteral("-b"), QString::number(kBaud), QStringLiteral("--retry"),
                                         QStringLiteral("0")}
                                 + programArgs);
        sim.terminate();
        sim.waitForFinished(3000);
        return r;
    };

    const Run full = run({QStringLiteral("program"), csv, QStringLiteral("--keys"), QStringLiteral("--verify")});
    const double lineMs = full.bytes * 10.0 * 1000.0 / kBaud;
    const double ideal = full.exchanges * kDelayMs + lineMs;
    const double ratio = full.totalMs / ideal;
    ok = ok && full.exitCode == 0 && ratio <= 1.5;
    std::printf("program 16 meters --keys --verify, replies after %d ms, %d bit/s (exit %d)\n", kDelayMs, kBaud,
                full.exitCode);
    std::printf("  %d exchanges, %ld bytes on the line (%.1f ms line time)\n", full.exchanges, full.bytes, lineMs);
    std::printf("  %.0f ms in all (first telegram at %.0f ms) vs ideal %.0f ms: %.2f x (target <= 1.5) %s\n",
                full.totalMs, full.firstSentMs, ideal, ratio, ratio <= 1.5 ? "OK" : "OVER");
    // A pseudo-terminal does not pace bytes at the line speed, so the run
    // above spends no line time; without it the ideal is the replies alone.
    std::printf("  against the reply delays alone (%d ms): %.2f x\n", full.exchanges * kDelayMs,
                full.totalMs / (full.exchanges * kDelayMs));

    const QStringList preload{QStringLiteral("--preload"), held.join(QLatin1Char(','))};
    const Run dry = run({QStringLiteral("program"), csv, QStringLiteral("--keys"), QStringLiteral("--dry-run")},
                        preload);
    Run reads = run({QStringLiteral("list")}, preload);
    for (const QString& id : ids)
        reads.totalMs += run({QStringLiteral("read-key"), id}, preload).totalMs;
    std::printf("program --keys --dry-run, 16 meters held: %.0f ms for %d exchanges (exit %d), %.2f x the reply "
                "delays; list and 16 read-key runs: %.0f ms (%.2f x)\n",
                dry.totalMs, dry.exchanges, dry.exitCode, dry.totalMs / (dry.exchanges * kDelayMs), reads.totalMs,
                reads.totalMs / dry.totalMs);
    ok = ok && dry.exitCode == 0;

    const Run adds = run({QStringLiteral("program"), csv});
    std::printf("program 16 meters, adds only: %.0f ms for %d exchanges (exit %d)\n", adds.totalMs, adds.exchanges,
                adds.exitCode);
    const QString pacing =
        QFileInfo(QString::fromLocal8Bit(argv[0])).dir().filePath(QStringLiteral("bench_batch_pacing"));
    for (const char* timeout : {"300", "500"}) {
        QProcess b;
        b.start(pacing, {QString::fromLatin1(timeout)});
        b.waitForFinished(60000);
        const QStringList lines = QString::fromLocal8Bit(b.readAllStandardOutput()).split(QLatin1Char('\n'));
        const int at = int(lines.indexOf(QRegularExpression(QStringLiteral("^simulator.*"))));
        std::printf("window add-all of the same 16 rows, response timeout %s ms: %s\n", timeout,
                    at >= 0 && at + 2 < lines.size() ? qPrintable(lines[at + 2].trimmed())
                                                     : "bench_batch_pacing not run");
    }

    std::vector<double> starts;
    for (int i = 0; i < 7; ++i)
        starts.push_back(run({QStringLiteral("status")}).firstSentMs);
    std::sort(starts.begin(), starts.end());
    std::printf("start-up to first frame sent (status, 7 runs): median %.1f ms, min %.1f ms, max %.1f ms\n", starts[3],
                starts.front(), starts.back());
    return ok ? 0 : 1;
}
