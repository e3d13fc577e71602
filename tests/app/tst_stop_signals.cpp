// The built program ended by a signal: it closes as File > Exit does.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

class TestStopSignals : public QObject {
    Q_OBJECT
private slots:
    void signalWritesSettings_data();
    void signalWritesSettings();
};

void TestStopSignals::signalWritesSettings_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("TERM") << SIGTERM;
    QTest::newRow("HUP") << SIGHUP;
    QTest::newRow("INT") << SIGINT;
}

// Fault caught: a signal killing the program without the close (settings lost,
// port left open). A portable copy in a temporary folder keeps its settings there.
void TestStopSignals::signalWritesSettings()
{
    QFETCH(int, signal);
    QTemporaryDir dir;
    const QString exe = dir.filePath(QStringLiteral("zelk-duv")), ini = exe + QStringLiteral(".ini");
    QVERIFY(QFile::copy(QStringLiteral(ZELK_DUV_PATH), exe));
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    program.setProcessEnvironment(env);
    program.start(exe, {});
    QVERIFY(program.waitForStarted());
    // Ready once the signal is caught (SigCgt in /proc, one bit per signal).
    const QString status = QStringLiteral("/proc/%1/status").arg(program.processId());
    const auto handlerInstalled = [&] {
        QFile f(status);
        f.open(QIODevice::ReadOnly);
        const QByteArray text = f.readAll();
        const QByteArray mask = text.mid(text.indexOf("SigCgt:") + 7).trimmed().left(16);
        return ((mask.toULongLong(nullptr, 16) >> (signal - 1)) & 1) != 0;
    };
    QTRY_VERIFY_WITH_TIMEOUT(handlerInstalled(), 60000);
    ::kill(pid_t(program.processId()), signal);
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QFile written(ini);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.readAll().contains("Timeout=500"));
}

QTEST_MAIN(TestStopSignals)
#include "tst_stop_signals.moc"
