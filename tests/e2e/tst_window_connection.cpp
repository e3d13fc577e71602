// The main window against the receiver simulator on a pseudo-terminal: the
// connect button, the status panel, the in-use message in both languages,
// transmit logging, the exit question and the close path.
#include "e2e/support/window_fixture.h"
#include "serial/connection.h"
#include "serial/vacomm.h"
#include "support/sim_process.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

class WindowConnectionTest : public QObject {
    Q_OBJECT

private:
    static void pointAt(TForm11& form, const QString& port, const QString& speed = QStringLiteral("9600"),
                        const QString& parity = QStringLiteral("Even"))
    {
        form.Combo_comName->setEditText(port);
        form.Combo_speed->setEditText(speed);
        form.Combo_parity->setEditText(parity);
    }

private slots:
    void connectButtonCaptionsAndStatus()
    {
        SimProcess sim;
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        WindowFixture f;
        TForm11& form = f.form();
        pointAt(form, sim.ptyPath());

        QCOMPARE(form.BitBtn22->text(), QStringLiteral("Connect"));
        QTest::mouseClick(form.BitBtn22, Qt::LeftButton);
        QCOMPARE(form.BitBtn22->text(), QStringLiteral("Disconnect"));
        for (const TVaControlRts rts : {rtsEnabled, rtsDisabled}) {  // fails when RTS waits for a connect
            form.Check_rts->click();
            QCOMPARE(form.comm().FlowControl().ControlRts, rts);
        }
        const QString status = sim.ptyPath() + QStringLiteral(" - 9600,8,Even");
        QCOMPARE(form.StatusPanel0->text(), status);
        QVERIFY(f.logLines().contains(status));
        QVERIFY(form.state().connected);
        QVERIFY(!form.Combo_comName->isEnabled());
        QCOMPARE(form.Combo_comName->toolTip(), sim.ptyPath());  // a long path is readable whole
        QVERIFY(!form.Combo_dataBits->isEnabled());

        QTest::mouseClick(form.BitBtn22, Qt::LeftButton);
        QCOMPARE(form.BitBtn22->text(), QStringLiteral("Connect to port"));
        QCOMPARE(form.StatusPanel0->text(), sim.ptyPath() + QStringLiteral(" is closed"));
        QVERIFY(!form.state().connected);
        QVERIFY(form.Combo_comName->isEnabled());
    }

    void portInUseMessage_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("english") << true << QStringLiteral("The selected serial port (")
                                 << QStringLiteral(") is in use by another program!");
        QTest::newRow("italian") << false << QStringLiteral("La porta selezionata (")
                                 << QStringLiteral(") e utilizzata da un\"altra applicazione!");
    }

    void portInUseMessage()
    {
        QFETCH(bool, english);
        QFETCH(QString, prefix);
        QFETCH(QString, suffix);
        SimProcess sim;
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        TVaComm holder;
        holder.SetDeviceName(sim.ptyPath());
        holder.OpenPort();

        WindowFixture f;
        TForm11& form = f.form();
        if (english)
            form.English1Click();
        else
            form.Italian1Click();
        pointAt(form, sim.ptyPath());
        QTest::mouseClick(form.BitBtn22, Qt::LeftButton);
        QCOMPARE(f.logLines().last(), prefix + sim.ptyPath() + suffix);
        QCOMPARE(form.StatusPanel0->text(), sim.ptyPath() + QStringLiteral(" is closed"));
        QCOMPARE(form.BitBtn22->text(), QStringLiteral("Connect"));
        QVERIFY(!form.state().connected);
        holder.ClosePort();
    }

    void transmitLogsSentOrNotSent()
    {
        SimProcess sim;
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        WindowFixture f;
        TForm11& form = f.form();
        pointAt(form, sim.ptyPath());

        const QByteArray three("\x68\x00\x16", 3);
        form.connection().TransmitTelegram(three);
        QCOMPARE(f.logLines().last(), QStringLiteral("Not sent: 68 00 16 "));

        QTest::mouseClick(form.BitBtn22, Qt::LeftButton);
        QVERIFY(form.state().connected);
        form.connection().TransmitTelegram(three);
        QCOMPARE(f.logLines().last(), QStringLiteral("Sent: 68 00 16 "));
    }

    void commandWhileDisconnectedConnectsFirstAndSendsExactBytes()
    {
        SimProcess sim;
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        WindowFixture f;
        TForm11& form = f.form();
        pointAt(form, sim.ptyPath());
        form.Edit_IDnano->setText(QStringLiteral("87654321"));

        QTest::mouseClick(form.BitBtn42, Qt::LeftButton);  // add meter ID
        QVERIFY(form.state().connected);
        QCOMPARE(form.BitBtn22->text(), QStringLiteral("Disconnect"));
        const QByteArray expected = QByteArray::fromHex("681606DA46040302010"
                                                        "01B7A000000000FFF010421436587"
                                                        "16");
        QVERIFY(sim.waitForFrames(1, 3000));
        QCOMPARE(sim.receivedFrames().first(), expected);
        QVERIFY(f.logLines().contains(
            QStringLiteral("Sent: 68 16 06 DA 46 04 03 02 01 00 1B 7A 00 00 00 00 0F FF 01 04 21 43 65 87 16 ")));
        QVERIFY(sim.waitForState(
            [](const auto& s) {
                for (auto it = s.begin(); it != s.end(); ++it)
                    if (it.key().startsWith(QStringLiteral("slot"))
                        && it.value().startsWith(QStringLiteral("87654321")))
                        return true;
                return false;
            },
            3000));
    }

    void exitAnsweredNoChangesNothing_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("english") << true << QStringLiteral("Exit Confirmation")
                                 << QStringLiteral("Are you sure you want to exit?");
        QTest::newRow("italian") << false << QStringLiteral("Conferma uscita")
                                 << QStringLiteral("Sei sicuro di voler uscire?");
    }

    void exitAnsweredNoChangesNothing()
    {
        QFETCH(bool, english);
        QFETCH(QString, title);
        QFETCH(QString, text);
        WindowFixture f;
        TForm11& form = f.form();
        if (!english)
            form.Italian1Click();
        form.activityLog().append(QStringLiteral("before"));
        const QStringList before = f.logLines();
        auto answer = std::make_shared<ModalAnswer>(QMessageBox::No);
        AnswerNextMessageBox(answer);
        form.Exit1->trigger();
        QVERIFY(answer->seen);
        QCOMPARE(answer->title, title);
        QCOMPARE(answer->text, text);
        QVERIFY(form.isVisible());
        QCOMPARE(f.logLines(), before);
        QVERIFY(!form.state().connected);
    }

    void closingWhileConnectedReleasesThePort()
    {
        SimProcess sim;
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        WindowFixture f;
        TForm11& form = f.form();
        pointAt(form, sim.ptyPath());
        QTest::mouseClick(form.BitBtn22, Qt::LeftButton);
        QVERIFY(form.state().connected);
        form.close();
        QVERIFY(!form.state().connected);
        TVaComm other;
        other.SetDeviceName(sim.ptyPath());
        other.OpenPort();  // throws if the window still held the port
        QVERIFY(other.IsOpen());
        other.ClosePort();
    }

    void unpluggedAdapterShowsThePortClosed()
    {
        auto sim = std::make_unique<SimProcess>();
        QVERIFY2(sim->start(), qPrintable(sim->errorString()));
        const QString port = sim->ptyPath();
        WindowFixture f;
        TForm11& form = f.form();
        pointAt(form, port);
        QTest::mouseClick(form.BitBtn22, Qt::LeftButton);
        QVERIFY(form.state().connected);

        sim.reset();  // the other end of the line goes away
        QVERIFY(!f.waitForLogPrefix(QStringLiteral("Serial port lost - ")).isEmpty());
        QVERIFY(!form.state().connected);
        QCOMPARE(form.BitBtn22->text(), QStringLiteral("Connect to port"));
        QCOMPARE(form.StatusPanel0->text(), port + QStringLiteral(" is closed"));
        QVERIFY(form.Combo_comName->isEnabled());
        int lostLines = 0;
        for (const QString& l : f.logLines())
            lostLines += l.startsWith(QStringLiteral("Serial port lost - ")) ? 1 : 0;
        QCOMPARE(lostLines, 1);

        // The window stays usable: a new receiver is reached by the next command.
        SimProcess again;
        QVERIFY2(again.start(), qPrintable(again.errorString()));
        pointAt(form, again.ptyPath());
        QTest::mouseClick(form.BitBtn52, Qt::LeftButton);  // read status
        QVERIFY(form.state().connected);
        QVERIFY(again.waitForFrames(1, 3000));
    }
};

QTEST_MAIN(WindowConnectionTest)
#include "tst_window_connection.moc"
