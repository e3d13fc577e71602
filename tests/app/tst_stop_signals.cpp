// The built program ended by a signal closes as File > Exit does.
#include <QtTest>

#include <csignal>
#include <cstring>

namespace {

// Starts a copy of the program in dir (its settings are kept beside it) and
// waits until it handles `signal`.
bool StartCopy(const QTemporaryDir& dir, QProcess& program, int signal)
{
    const QString exe = dir.filePath(QStringLiteral("zelk-duv"));
    if (!QFile::exists(exe) && !QFile::copy(QStringLiteral(ZELK_DUV_PATH), exe))
        return false;
    program.start(exe, {});
    if (!program.waitForStarted())  // exec done: the handlers seen are its own
        return false;
    const auto caught = [&] {  // SigCgt: one bit per signal with a handler
        QFile status(QStringLiteral("/proc/%1/status").arg(program.processId()));
        const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
        return (text.mid(text.indexOf("SigCgt:") + 7, 17).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
    };
    return QTest::qWaitFor(caught, 60000);
}

}  // namespace

class TestStopSignals : public QObject {
    Q_OBJECT
private slots:
    // Closed with its settings saved; a copy in a temporary folder keeps its settings there.
    void signalClosesTheWindowAndSavesTheSettings()
    {
        for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
            QTemporaryDir dir;
            QProcess program;
            QVERIFY(StartCopy(dir, program, signal));
            ::kill(pid_t(program.processId()), signal);
            QVERIFY(program.waitForFinished(60000));
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QVERIFY2(QFile::exists(dir.filePath(QStringLiteral("zelk-duv.ini"))), strsignal(signal));
        }
    }

    // A folder in place of the settings file: fails when the program waits
    // behind the warning box (nobody answers it at a log-out) instead of
    // saying on standard error, in one line, which file and why.
    void unwritableSettingsAreReportedOnStderrWithoutABox()
    {
        QTemporaryDir dir;
        const QString settings = dir.filePath(QStringLiteral("zelk-duv.ini"));
        QVERIFY(QDir().mkdir(settings));
        QProcess program;
        QVERIFY(StartCopy(dir, program, SIGTERM));
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(20000));
        const QStringList lines = QString::fromLocal8Bit(program.readAllStandardError()).split(u'\n').filter(settings);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().endsWith(QString::fromLocal8Bit(strerror(EISDIR))), qPrintable(lines.first()));
    }
};

QTEST_MAIN(TestStopSignals)
#include "tst_stop_signals.moc"
