// "Compare with ZELK" in the whole window against a receiver that answers each
// command 40 ms after it arrives (the simulator over a pseudo-terminal, the
// window's own port, line guard and dialog). Measures
//   - Compare with "Include keys" of a 16-meter table the receiver holds (the
//     list and 16 key reads);
//   - Program differences after four changes: one meter not in the receiver,
//     one key differs, one medium differs, one meter only in the receiver with
//     "Also delete" (its question answered Yes), then the read-back;
// each as a ratio to the reply delays alone (frames the receiver got x 40 ms),
// and the longest pause of the event loop while each runs: a 5 ms timer
// records the largest gap between two of its ticks (target < 50 ms).
// Run: QT_QPA_PLATFORM=offscreen bench_compare_program [runs]   (default 5)
#include "app/ui/compare_dialog.h"
#include "app/ui/main_window.h"
#include "table/meter_table.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kDelayMs = 40;
constexpr int kMeters = 16;

QString Id(int r)
{
    return QStringLiteral("%1").arg(10000000 + r * 1111, 8, 10, QLatin1Char('0'));
}

QString Key(int r)
{
    return QStringLiteral("%1").arg(r, 2, 16, QLatin1Char('0')).repeated(16).toUpper();
}

// Rows 1..16 of the table, each Water (07) with its own key.
std::vector<MeterTable::Row> Table()
{
    std::vector<MeterTable::Row> rows;
    for (int r = 1; r <= kMeters; ++r)
        rows.push_back({QString::number(r), Id(r), QStringLiteral("Water"), Key(r), QString()});
    return rows;
}

// What the receiver holds: the table, or the table with four differences:
// row 1 missing, row 2 with another key, row 3 as Gas, and one meter more.
QString Held(bool changed)
{
    QStringList held;
    for (int r = 1; r <= kMeters; ++r) {
        if (changed && r == 1)
            continue;
        const QString key = changed && r == 2 ? Key(99) : Key(r);
        held << QStringLiteral("%1:%2:%3").arg(Id(r), changed && r == 3 ? "03" : "07", key);
    }
    if (changed)
        held << QStringLiteral("99999999:07");
    return held.join(QLatin1Char(','));
}

struct Sample {
    double ms = 0;
    int frames = 0;
    double longestPauseMs = 0;
    double pauseEndedAtMs = 0;  // on the run's clock
    QString summary;
};

class Bench {
public:
    bool start(bool changed)
    {
        const QString record = dir_.filePath(QStringLiteral("frames.txt"));
        sim_.start(qEnvironmentVariable("ZELK_SIM", QStringLiteral(ZELK_SIM_PATH)),
                   {QStringLiteral("--quiet"), QStringLiteral("--exit-with-parent"), QStringLiteral("--delay"),
                    QString::number(kDelayMs), QStringLiteral("--record"), record, QStringLiteral("--preload"),
                    Held(changed)});
        QString pty;
        QElapsedTimer wait;
        wait.start();
        while (pty.isEmpty() && sim_.waitForStarted(5000) && wait.elapsed() < 5000) {
            sim_.waitForReadyRead(100);
            while (sim_.canReadLine()) {
                const QString line = QString::fromLocal8Bit(sim_.readLine()).trimmed();
                if (line.startsWith(QLatin1String("PTY ")))
                    pty = line.mid(4);
            }
        }
        if (pty.isEmpty())
            return false;
        form_.reloadSettings(dir_.filePath(QStringLiteral("zelk-duv.ini")));
        form_.show();
        form_.Combo_comName->setEditText(pty);
        form_.Combo_speed->setEditText(QStringLiteral("115200"));
        form_.Edit_retry->setText(QStringLiteral("0"));
        form_.Edit_timeout->setText(QStringLiteral("1000"));
        form_.meterTable().replaceDataRows(Table());
        form_.CompareZelk1->trigger();
        dialog_ = form_.findChild<CompareDialog*>();
        if (!dialog_ || !settle())
            return false;
        dialog_->findChild<QCheckBox*>(QStringLiteral("Check_includeKeys"))->setChecked(true);
        return true;
    }
    ~Bench()
    {
        sim_.terminate();
        sim_.waitForFinished(3000);
    }

    // Times one click; the clock starts once the question, if any, is answered.
    Sample run(const char* button, bool answerYes)
    {
        Sample s;
        QElapsedTimer clock;
        double last = -1;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        probe.setInterval(5);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const double now = clock.nsecsElapsed() / 1e6;
            if (last >= 0 && now - last > s.longestPauseMs) {
                s.longestPauseMs = now - last;
                s.pauseEndedAtMs = now;
            }
            last = now;
        });
        QTimer answer;
        answer.setInterval(10);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                answer.stop();
                box->done(QMessageBox::Yes);
                clock.start();
                last = -1;
            }
        });
        if (answerYes)
            answer.start();
        const int before = frames();
        clock.start();
        probe.start();
        dialog_->findChild<QPushButton*>(QLatin1String(button))->click();  // returns when the run is over
        settle();
        s.ms = clock.nsecsElapsed() / 1e6;
        probe.stop();
        s.frames = frames() - before;
        s.summary = dialog_->summary();
        return s;
    }
    void setAlsoDelete() { dialog_->findChild<QCheckBox*>(QStringLiteral("Check_alsoDelete"))->setChecked(true); }

private:
    bool settle()
    {
        QElapsedTimer t;
        t.start();
        while ((dialog_->busy() || dialog_->summary().isEmpty()) && t.elapsed() < 30000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        return !dialog_->busy();
    }
    int frames() const
    {
        QFile f(dir_.filePath(QStringLiteral("frames.txt")));
        if (!f.open(QIODevice::ReadOnly))
            return 0;
        return int(f.readAll().count('\n'));
    }

    QTemporaryDir dir_;
    QProcess sim_;
    TForm11 form_;
    CompareDialog* dialog_ = nullptr;
};

bool Report(const char* name, std::vector<Sample> samples)
{
    if (samples.empty())
        return false;
    std::sort(samples.begin(), samples.end(), [](const Sample& a, const Sample& b) { return a.ms < b.ms; });
    const Sample& m = samples[samples.size() / 2];
    const Sample& worst = *std::max_element(samples.begin(), samples.end(), [](const Sample& a, const Sample& b) {
        return a.longestPauseMs < b.longestPauseMs;
    });
    const double pause = worst.longestPauseMs;
    const double ideal = m.frames * kDelayMs;
    std::printf("%s, %zu runs: median %.0f ms (min %.0f, max %.0f) for %d frames; reply delays alone %.0f ms: "
                "%.2f x\n",
                name, samples.size(), m.ms, samples.front().ms, samples.back().ms, m.frames, ideal, m.ms / ideal);
    std::printf("  longest event-loop pause (5 ms timer): %.1f ms, ending %.0f ms into a %.0f ms run (target < 50 ms) "
                "%s\n",
                pause, worst.pauseEndedAtMs, worst.ms, pause < 50.0 ? "OK" : "OVER");
    std::printf("  summary: %s\n", qPrintable(m.summary));
    return pause < 50.0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::printf("receiver simulator answering after %d ms, %d meters, retries 0\n", kDelayMs, kMeters);

    std::vector<Sample> compares;
    {
        Bench bench;
        if (!bench.start(false))
            return std::puts("simulator not reached"), 1;
        for (int i = 0; i < runs; ++i)
            compares.push_back(bench.run("Butt_compareAgain", false));
    }
    bool ok = Report("Compare with keys", compares);

    std::vector<Sample> programs;
    for (int i = 0; i < runs; ++i) {
        Bench bench;  // four differences again each time
        if (!bench.start(true))
            return std::puts("simulator not reached"), 1;
        bench.run("Butt_compareAgain", false);
        bench.setAlsoDelete();
        programs.push_back(bench.run("Butt_programDifferences", true));
    }
    ok = Report("Program differences after four changes (add, key, medium, delete)", programs) && ok;
    return ok ? 0 : 1;
}
