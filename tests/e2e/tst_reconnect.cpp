// The adapter pulled out and plugged in again, through the window: the
// simulator hangs its line up and removes its link on SIGUSR1, and brings a
// new line back under the same link on SIGUSR2. The link's folder may vanish
// meanwhile, as /dev/serial/by-id does with the last adapter.
#include "e2e/support/window_fixture.h"
#include "support/sim_process.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <csignal>

namespace {
const QString kLost = QStringLiteral("Serial port lost - ");
const QString kBack = QStringLiteral("Serial port back - reconnected to ");

struct Plug {
    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("by-id"));
    QString link = folder + QStringLiteral("/ttyZELK");
    SimProcess sim;
    WindowFixture f;
    TForm11& form = f.form();
    bool start() { return QDir().mkpath(folder) && sim.start({QStringLiteral("--link"), link}); }
    void pull() { ::kill(sim.pid(), SIGUSR1); }
    void replug() { ::kill(sim.pid(), SIGUSR2); }
    void connect()
    {
        form.Combo_comName->setEditText(link);
        form.Edit_timeout->setText(QStringLiteral("300"));
        QTest::mouseClick(form.BitBtn22, Qt::LeftButton);
    }
};
}  // namespace

class ReconnectTest : public QObject {
    Q_OBJECT

private slots:
    void portBackIsReopenedEvenAfterItsFolderVanished()
    {
        Plug p;
        QVERIFY2(p.start(), qPrintable(p.sim.errorString()));
        p.connect();
        p.pull();
        QVERIFY(!p.f.waitForLogPrefix(kLost).isEmpty());
        QCOMPARE(p.form.BitBtn22->text(), QStringLiteral("Connect to port"));
        QVERIFY(QDir(p.folder).removeRecursively());
        QTest::qWait(50);
        QVERIFY(QDir().mkpath(p.folder));
        p.replug();
        QVERIFY(p.f.waitForLogLine(kBack + p.link, 2000));
        QCOMPARE(p.form.BitBtn22->text(), QStringLiteral("Disconnect"));
        QTest::mouseClick(p.form.BitBtn52, Qt::LeftButton);   // read status on the new line
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
        p.connect();
        if (choice == "disconnect")
            QTest::mouseClick(p.form.BitBtn22, Qt::LeftButton);
        p.pull();
        QTRY_VERIFY(!QFileInfo::exists(p.link));
        QTest::qWait(100);
        if (choice == "rename")
            p.form.Combo_comName->setEditText(p.link + QStringLiteral("2"));
        if (choice == "close")
            p.form.close();
        p.replug();
        QTRY_VERIFY(QFileInfo::exists(p.link));
        QTest::qWait(500);
        QVERIFY(!p.form.state().connected);
        QVERIFY(p.f.waitForLogPrefix(kBack, 0).isEmpty());
    }

    void sequenceStoppedAtTheLossIsNotResumed()
    {
        Plug p;
        QVERIFY2(p.start(), qPrintable(p.sim.errorString()));
        MeterTable& table = p.form.meterTable();
        table.setRowCount(6);
        for (int r = 1; r < 6; ++r)
            table.setCell(MeterTable::ColSerial, r, QString(8, QChar('0' + r)));
        p.form.Check_deleteAll->setChecked(true);
        p.connect();
        QTest::mouseClick(p.form.BitBtn42, Qt::LeftButton);   // add all
        QVERIFY(p.sim.waitForFrames(2, 3000));
        p.pull();
        const QString stop = p.f.waitForLogPrefix(QStringLiteral("Adding all meters stopped after row "));
        QVERIFY2(stop.contains(QStringLiteral(" of 5 (")), qPrintable(stop));
        const int sent = p.sim.receivedFrames().size();
        p.replug();
        QVERIFY(p.f.waitForLogLine(kBack + p.link, 2000));
        QTest::qWait(1000);   // three response timeouts: no row goes out any more
        QCOMPARE(p.sim.receivedFrames().size(), sent);
        QVERIFY(p.form.BitBtn42->isEnabled() && !p.form.Butt_stop->isVisible());
    }
};

QTEST_MAIN(ReconnectTest)
#include "tst_reconnect.moc"
