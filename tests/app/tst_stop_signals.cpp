// The built program ended by a signal closes as File > Exit does.
#include <QtTest>

#include <csignal>
#include <cstring>

class TestStopSignals : public QObject {
    Q_OBJECT
private slots:
    // A copy in a temporary folder keeps its settings there. Settings that
    // cannot be written (a folder in their place) are reported in one line on
    // stderr: fails when the program waits behind the warning box instead.
    void signalClosesAndSavesTheSettingsOrSaysWhyNot()
    {
        const std::pair<int, bool> cases[] = {{SIGTERM, false}, {SIGHUP, false}, {SIGINT, false}, {SIGTERM, true}};
        for (const auto& [signal, unwritable] : cases) {
            QTemporaryDir dir;
            const QString exe = dir.filePath(QStringLiteral("zelk-duv"));
            QVERIFY(!unwritable || QDir().mkdir(exe + QStringLiteral(".ini")));
            QVERIFY(QFile::copy(QStringLiteral(ZELK_DUV_PATH), exe));
            QProcess program;
            program.start(exe, {});
            QVERIFY(program.waitForStarted());  // exec done: the handlers seen are its own
            const auto caught = [&] {  // SigCgt: one bit per signal with a handler
                QFile status(QStringLiteral("/proc/%1/status").arg(program.processId()));
                const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
                return (text.mid(text.indexOf("SigCgt:") + 7, 17).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
            };
            QTRY_VERIFY_WITH_TIMEOUT(caught(), 60000);
            ::kill(pid_t(program.processId()), signal);
            QVERIFY(program.waitForFinished(60000));
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QVERIFY2(QFile::exists(exe + QStringLiteral(".ini")), strsignal(signal));
            const QStringList why = QString::fromLocal8Bit(program.readAllStandardError()).split(u'\n').filter(exe);
            QCOMPARE(why.size(), unwritable ? 1 : 0);
            QVERIFY(!unwritable || why.first().endsWith(QString::fromLocal8Bit(strerror(EISDIR))));
        }
    }
};

QTEST_MAIN(TestStopSignals)
#include "tst_stop_signals.moc"
