// The adapter pulled out and plugged in again, through the window: the
// simulator hangs its line up and removes its link on SIGUSR1, and brings a
// new line back under the same link on SIGUSR2.
#include "e2e/support/window_fixture.h"
#include "support/sim_process.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
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
    QString link = dir.filePath(QStringLiteral("ttyZELK"));
    SimProcess sim;
    bool start() { return sim.start({QStringLiteral("--link"), link}); }
    void pull() { ::kill(sim.pid(), SIGUSR1); }
    void replug() { ::kill(sim.pid(), SIGUSR2); }
    void connect(WindowFixture& f)
    {
        f.form().Combo_comName->setEditText(link);
        f.form().Combo_speed->setEditText(QStringLiteral("9600"));
        f.form().Edit_timeout->setText(QStringLiteral("300"));
        QTest::mouseClick(f.form().BitBtn22, Qt::LeftButton);
    }
};
}  // namespace

class ReconnectTest : public QObject {
    Q_OBJECT

private slots:
    void portBackIsReopenedAndAnswers()
    {
        Plug p;
        QVERIFY2(p.start(), qPrintable(p.sim.errorString()));
        WindowFixture f;
        p.connect(f);
        QVERIFY(f.form().state().connected);
        p.pull();
        QVERIFY(!f.waitForLogPrefix(kLost).isEmpty());
        QCOMPARE(f.form().BitBtn22->text(), QStringLiteral("Connect to port"));
        p.replug();
        QVERIFY(f.waitForLogLine(kBack + p.link, 2000));
        QCOMPARE(f.form().BitBtn22->text(), QStringLiteral("Disconnect"));
        QTest::mouseClick(f.form().BitBtn52, Qt::LeftButton);   // read status on the new line
        QVERIFY(f.waitForLogLine(QStringLiteral("ZELK-DUV 01020304 info: ")));
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
        WindowFixture f;
        p.connect(f);
        if (choice == "disconnect")
            QTest::mouseClick(f.form().BitBtn22, Qt::LeftButton);
        p.pull();
        QTRY_VERIFY(!QFileInfo::exists(p.link));
        QTest::qWait(100);
        if (choice == "rename")
            f.form().Combo_comName->setEditText(p.link + QStringLiteral("2"));
        if (choice == "close")
            f.form().close();
        p.replug();
        QTRY_VERIFY(QFileInfo::exists(p.link));
        QTest::qWait(500);
        QVERIFY(!f.form().state().connected);
        QVERIFY(f.waitForLogPrefix(kBack, 0).isEmpty());
    }

    void sequenceStoppedAtTheLossIsNotResumed()
    {
        Plug p;
        QVERIFY2(p.start(), qPrintable(p.sim.errorString()));
        WindowFixture f;
        TForm11& form = f.form();
        MeterTable& table = form.meterTable();
        table.setRowCount(6);
        for (int r = 1; r < 6; ++r)
            table.setCell(MeterTable::ColSerial, r, QString(8, QChar('0' + r)));
        form.Check_deleteAll->setChecked(true);
        p.connect(f);
        QTest::mouseClick(form.BitBtn42, Qt::LeftButton);   // add all
        QVERIFY(p.sim.waitForFrames(2, 3000));
        p.pull();
        const QString stop = f.waitForLogPrefix(QStringLiteral("Adding all meters stopped after row "));
        QVERIFY2(stop.contains(QStringLiteral(" of 5 (")), qPrintable(stop));
        QVERIFY(!form.Butt_stop->isVisible());
        const int sent = p.sim.receivedFrames().size();
        p.replug();
        QVERIFY(f.waitForLogLine(kBack + p.link, 2000));
        QTest::qWait(1000);   // three response timeouts: no row goes out any more
        QCOMPARE(p.sim.receivedFrames().size(), sent);
        QVERIFY(form.BitBtn42->isEnabled());
    }
};

QTEST_MAIN(ReconnectTest)
#include "tst_reconnect.moc"
