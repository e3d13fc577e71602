// The adapter pulled out and plugged in again, through the window: the simulator
// hangs up and removes its link on SIGUSR1, and makes a new line under it on SIGUSR2.
#include "e2e/support/window_fixture.h"
#include "support/sim_process.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <csignal>

namespace {
const QString kBack = QStringLiteral("Serial port back - reconnected to ");
struct Plug {
    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("by-id"));
    QString link = folder + QStringLiteral("/ttyZELK");
    SimProcess sim;
    WindowFixture f;
    TForm11& form = f.form();
    bool start()  // the simulator under the link, and the window connected to it
    {
        if (!QDir().mkpath(folder) || !sim.start({QStringLiteral("--link"), link}))
            return false;
        form.Combo_comName->setEditText(link);
        QTest::mouseClick(form.BitBtn22, Qt::LeftButton);
        return form.state().connected;
    }
};
}  // namespace

class ReconnectTest : public QObject {
    Q_OBJECT

private slots:
    // The link's folder also vanishes meanwhile, as /dev/serial/by-id does with the last adapter.
    void sequenceStopsAtTheLossAndPortIsReopenedWithoutResumingIt()
    {
        Plug p;
        QVERIFY2(p.start(), qPrintable(p.sim.errorString()));
        p.form.meterTable().setRowCount(6);
        for (int r = 1; r < 6; ++r)
            p.form.meterTable().setCell(MeterTable::ColSerial, r, QString(8, QChar('0' + r)));
        p.form.Check_deleteAll->setChecked(true);
        QTest::mouseClick(p.form.BitBtn42, Qt::LeftButton);  // add all
        QVERIFY(p.sim.waitForFrames(2, 3000));
        ::kill(p.sim.pid(), SIGUSR1);
        QVERIFY(!p.f.waitForLogPrefix(QStringLiteral("Serial port lost - ")).isEmpty());
        QVERIFY(p.f.waitForLogPrefix(QStringLiteral("Adding all meters stopped after row "), 0).contains(" of 5 ("));
        const int sent = p.sim.receivedFrames().size();
        QVERIFY(QDir(p.folder).removeRecursively());
        QTest::qWait(50);
        QVERIFY(QDir().mkpath(p.folder));
        ::kill(p.sim.pid(), SIGUSR2);
        QVERIFY(p.f.waitForLogLine(kBack + p.link, 2000));
        QCOMPARE(p.form.BitBtn22->text(), QStringLiteral("Disconnect"));
        QTest::qWait(1000);  // two response timeouts: no row goes out any more
        QCOMPARE(p.sim.receivedFrames().size(), sent);
        QTest::mouseClick(p.form.BitBtn52, Qt::LeftButton);  // read status on the new line
        QVERIFY(p.f.waitForLogLine(QStringLiteral("ZELK-DUV 01020304 info: ")));
    }

    void userChoiceEndsTheWait_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::newRow("disconnected before the loss") << "disconnect";
        QTest::newRow("another port chosen while waiting") << "rename";
        QTest::newRow("window closed while waiting") << "close";
    }
    void userChoiceEndsTheWait()
    {
        QFETCH(QString, choice);
        Plug p;
        QVERIFY2(p.start(), qPrintable(p.sim.errorString()));
        if (choice == "disconnect")
            QTest::mouseClick(p.form.BitBtn22, Qt::LeftButton);
        ::kill(p.sim.pid(), SIGUSR1);
        QTRY_VERIFY(!p.form.state().connected && !QFileInfo::exists(p.link));
        if (choice == "rename")
            p.form.Combo_comName->setEditText(p.link + QStringLiteral("2"));
        if (choice == "close")
            p.form.close();
        const int lines = p.f.logLines().size();
        ::kill(p.sim.pid(), SIGUSR2);
        QTRY_VERIFY(QFileInfo::exists(p.link));
        QTest::qWait(500);
        QVERIFY(!p.form.state().connected);
        QCOMPARE(p.f.logLines().size(), lines);  // not even an attempt to open
    }
};

QTEST_MAIN(ReconnectTest)
#include "tst_reconnect.moc"
