// Replies that come over a slow link (the simulator's --chunk and --gap): in
// pieces with pauses, and behind stray noise. Each must be taken once, as
// soon as it is complete, and never cost a resend.
#include "e2e/support/window_fixture.h"
#include "support/sim_process.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
const QString kResend = QStringLiteral("Communicating RF-ZELK again");

// The window at 9600 bit/s on the simulator, resending after one second.
void PointAt(TForm11& form, const SimProcess& sim)
{
    form.Combo_comName->setEditText(sim.ptyPath());
    form.Combo_speed->setEditText(QStringLiteral("9600"));
    form.Edit_timeout->setText(QStringLiteral("1000"));
}
}  // namespace

class SlowLineTest : public QObject {
    Q_OBJECT

private slots:
    // Fails when the pauses inside the reply give its start byte up.
    void meterListInPiecesFillsTheTableWithoutResend()
    {
        SimProcess sim;
        const QStringList args{"--preload", "12345678:07", "--chunk", "16", "--gap", "40"};
        QVERIFY2(sim.start(args), qPrintable(sim.errorString()));
        WindowFixture f;
        PointAt(f.form(), sim);
        QTest::mouseClick(f.form().BitBtn51, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(f.form().meterTable().cell(MeterTable::ColNotes, 1), QStringLiteral("10000"), 10000);
        QCOMPARE(f.form().meterTable().cell(MeterTable::ColSerial, 1), QStringLiteral("12345678"));
        QCOMPARE(f.logLines().filter(kResend).size(), 0);
        QCOMPARE(sim.receivedFrames().size(), 2);   // the list request and its follow-up
    }

    void statusReplyIsReportedOnceWithoutResend_data()
    {
        QTest::addColumn<QStringList>("simArgs");
        QTest::newRow("three pieces 200 ms apart") << QStringList{"--chunk", "11", "--gap", "200"};
        QTest::newRow("68 F0, then the reply in pieces")
            << QStringList{"--noise-hex", "68 F0", "--chunk", "8", "--gap", "40"};
        QTest::newRow("68 F0 and noise, 400 ms, the reply")
            << QStringList{"--noise-hex", "68 F0", "--noise", "31", "--chunk", "33", "--gap", "400"};
    }
    // Fails when a reply in pieces is given up, or waits behind noise until
    // the resend (one second after the request).
    void statusReplyIsReportedOnceWithoutResend()
    {
        QFETCH(QStringList, simArgs);
        SimProcess sim;
        QVERIFY2(sim.start(simArgs), qPrintable(sim.errorString()));
        WindowFixture f;
        PointAt(f.form(), sim);
        QTest::mouseClick(f.form().BitBtn52, Qt::LeftButton);
        QVERIFY(f.waitForLogLine(QStringLiteral("--------------------------------"), 10000));
        QCOMPARE(f.logLines().count(QStringLiteral("ZELK-DUV 01020304 info: ")), 1);
        QCOMPARE(f.logLines().filter(kResend).size(), 0);
    }
};

QTEST_MAIN(SlowLineTest)
#include "tst_slow_line.moc"
