// "Compare with ZELK" against the receiver simulator: each state of a meter,
// Program differences until everything is as in the table, the delete
// questions, Stop, a full receiver and a port that does not open. The meter
// table is never replaced by what the dialog reads.
#include "app/ui/compare_dialog.h"
#include "e2e/support/window_fixture.h"
#include "operations/line_guard.h"
#include "support/sim_process.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

namespace {
const QString kKey = QStringLiteral("000102030405060708090A0B0C0D0EFF");
const QString kOtherKey = QStringLiteral("FF0102030405060708090A0B0C0D0E00");

// The table: as in the receiver, key differs, medium differs, not in the
// receiver, and two rows left out (7 digits, FFFFFFFF).
const std::vector<MeterTable::Row> kTable = {{"1", "11111111", "Water", "", ""}, {"2", "22222222", "Water", kKey, ""},
                                             {"3", "33333333", "Water", "", ""}, {"4", "44444444", "Gas", "", ""},
                                             {"5", "1234567", "Gas", "", ""},    {"6", "FFFFFFFF", "Gas", "", ""}};
const QStringList kPreload = {"--preload", "11111111:07,22222222:07:" + kOtherKey + ",33333333:03,55555555:07"};

struct Run {
    SimProcess sim;
    WindowFixture f;
    CompareDialog* dialog = nullptr;

    bool open(const QStringList& simArgs, bool keys = true, const QString& port = {})
    {
        if (!sim.start(simArgs))
            return false;
        TForm11& form = f.form();
        form.Combo_comName->setEditText(port.isEmpty() ? sim.ptyPath() : port);
        form.Combo_speed->setEditText(QStringLiteral("9600"));
        form.Edit_timeout->setText(QStringLiteral("300"));
        form.meterTable().replaceDataRows(kTable);
        form.CompareZelk1->trigger();
        dialog = form.findChild<CompareDialog*>();
        if (!dialog)
            return false;
        dialog->findChild<QCheckBox*>("Check_includeKeys")->setChecked(keys);
        return settle();
    }
    // The dialog starts reading once it shows.
    bool settle()
    {
        return QTest::qWaitFor([this] { return !dialog->busy() && !dialog->summary().isEmpty(); }, 15000);
    }
    void click(const char* button) { QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton); }
    // "ID=state" for each row.
    QStringList states() const
    {
        auto* grid = dialog->findChild<QTableWidget*>("Grid_compare");
        QStringList rows;
        for (int r = 0; r < grid->rowCount(); ++r)
            rows << grid->item(r, 0)->text() + '=' + grid->item(r, 3)->text();
        return rows;
    }
};
}  // namespace

class CompareDialogTest : public QObject {
    Q_OBJECT

private slots:
    // Fails when a state is decided wrongly, a left-out row is compared, the
    // list read replaces the meter table, or a difference is not programmed.
    void eachStateThenProgramDifferencesMakesAllAsInTheTable()
    {
        Run run;
        QVERIFY(run.open(kPreload));
        QCOMPARE(run.dialog->findChild<QTableWidget*>("Grid_compare")->accessibleName(), "Receiver and table");
        QCOMPARE(run.states(),
                 QStringList({"55555555=only in the receiver", "11111111=as in the table", "22222222=key differs",
                              "33333333=medium differs", "44444444=not in the receiver"}));
        QCOMPARE(run.dialog->summary(),
                 "1 meter as in the table, 1 not in the receiver, 1 key differs, "
                 "1 medium differs, 1 only in the receiver");
        QCOMPARE(run.f.form().meterTable().cell(MeterTable::ColSerial, 5), "1234567");
        const int before = int(run.sim.receivedFrames().size());
        run.click("Butt_programDifferences");
        QVERIFY(run.settle());
        QCOMPARE(run.states(),
                 QStringList({"55555555=only in the receiver", "11111111=as in the table", "22222222=as in the table",
                              "33333333=as in the table", "44444444=as in the table"}));
        // add with its medium, key, medium, then the list, its values and the key read back
        QCOMPARE(run.sim.receivedFrames().size() - before, 4 + 2 + 1);
        QVERIFY(run.f.logLines().last().startsWith("Compare with ZELK: Program differences: "));
    }

    // The delete questions: No keeps the meter; Yes deletes it; with more
    // deletes than the table lists a second question names the count; a
    // table that lists no meter deletes nothing.
    void deleteAsksFirstAndAgainForMoreThanTheTableLists_data()
    {
        QTest::addColumn<QList<int>>("rows");  // of kTable; empty: all
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("no") << QList<int>{} << int(QMessageBox::No) << "Delete 1 meters" << false;
        QTest::newRow("yes") << QList<int>{} << int(QMessageBox::Yes) << "Delete 1 meters" << true;
        QTest::newRow("more than listed")
            << QList<int>{3} << int(QMessageBox::Yes) << "deletes 4 meters, more than the 1" << true;
        QTest::newRow("none listed") << QList<int>{4, 5} << int(QMessageBox::Ok) << "The table lists no meter" << false;
    }
    void deleteAsksFirstAndAgainForMoreThanTheTableLists()
    {
        QFETCH(QList<int>, rows);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(bool, deleted);
        Run run;
        QVERIFY(run.open(kPreload, false));
        if (!rows.isEmpty()) {  // four meters to delete
            std::vector<MeterTable::Row> table;
            for (int r : rows)
                table.push_back(kTable[std::size_t(r)]);
            run.f.form().meterTable().replaceDataRows(table);
            run.click("Butt_compareAgain");
            QVERIFY(run.settle());
        }
        run.dialog->findChild<QCheckBox*>("Check_alsoDelete")->setChecked(true);
        auto first = std::make_shared<ModalAnswer>(rows.isEmpty() ? answer : int(QMessageBox::Yes));
        AnswerNextMessageBox(first);
        auto second = std::make_shared<ModalAnswer>(answer);
        QTimer chain;  // the second box is answered once the first was
        connect(&chain, &QTimer::timeout, [&] {
            if (first->seen && !rows.isEmpty() && chain.isActive()) {
                chain.stop();
                AnswerNextMessageBox(second);
            }
        });
        chain.start(10);
        run.click("Butt_programDifferences");  // returns when the run is over
        QVERIFY(first->seen && (rows.isEmpty() || second->seen));
        const QString text = (rows.isEmpty() ? first : second)->text;
        QVERIFY2(text.contains(question), qPrintable(text));
        QVERIFY2(!run.states().contains("55555555=only in the receiver") == deleted,
                 qPrintable(run.f.logLines().join('\n')));
    }

    // While the dialog works the window's device buttons send nothing and say
    // why, Connect is disabled, and a list the window asks for meanwhile never
    // replaces the meter table.
    void windowOperationsWaitWhileTheDialogWorks_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("get all meters") << "BitBtn51";
        QTest::newRow("read status") << "BitBtn52";
    }
    void windowOperationsWaitWhileTheDialogWorks()
    {
        QFETCH(QString, button);
        Run run;
        QVERIFY(run.open(kPreload + QStringList{"--delay", "50"}));
        const int before = int(run.sim.receivedFrames().size());
        bool connectEnabled = true;
        QTimer watch;  // clicks the window's button while the first change is in flight
        connect(&watch, &QTimer::timeout, [&] {
            if (run.sim.receivedFrames().size() > before && watch.isActive()) {
                watch.stop();
                connectEnabled = run.f.form().BitBtn22->isEnabled();
                run.f.form().findChild<QPushButton*>(button)->click();
            }
        });
        watch.start(5);
        run.click("Butt_programDifferences");
        QVERIFY(run.settle());
        QVERIFY(!connectEnabled && run.f.form().BitBtn22->isEnabled());
        QVERIFY(run.f.logLines().contains(LineGuard::busyText()));
        QCOMPARE(run.sim.receivedFrames().size() - before, 4 + 2 + 1);  // the dialog's own, as above
        QCOMPARE(run.f.form().meterTable().cell(MeterTable::ColSerial, 5), "1234567");
    }

    // Stop ends the run after the exchange in flight: fewer telegrams than
    // the plan needs.
    void stopEndsTheRunAfterTheExchangeInFlight()
    {
        Run run;
        QVERIFY(run.open(kPreload + QStringList{"--delay", "150"}));
        const int before = int(run.sim.receivedFrames().size());
        QTimer watch;  // clicks Stop while the first change is in flight
        connect(&watch, &QTimer::timeout, [&] {
            if (run.sim.receivedFrames().size() > before && watch.isActive()) {
                watch.stop();
                run.click("Butt_stopCompare");
            }
        });
        watch.start(5);
        run.click("Butt_programDifferences");  // returns when the run is over
        QCOMPARE(run.dialog->summary(), "Stopped");
        QCOMPARE(run.sim.receivedFrames().size(), before + 1);
    }

    // A full receiver refuses the add with 0x18: the row shows it.
    void fullReceiverRefusalShowsOnTheMetersRow()
    {
        QStringList full;
        for (int k = 1; k <= 16; ++k)
            full << QStringLiteral("%1:07").arg(90000000 + k);
        Run run;
        QVERIFY(run.open({"--preload", full.join(',')}, false));
        run.click("Butt_programDifferences");
        QVERIFY(run.settle());
        QVERIFY2(run.states().filter("44444444=not in the receiver, add refused: 0x18").size() == 1,
                 qPrintable(run.states().join('\n')));
    }

    // A port that does not open: "Not connected", nothing sent.
    void notConnectedSendsNothing()
    {
        Run run;
        QVERIFY(run.open({}, true, QStringLiteral("/dev/zelk-no-such-port")));
        QCOMPARE(run.dialog->summary(), "Not connected");
        QVERIFY(run.sim.receivedFrames().isEmpty());
    }
};

QTEST_MAIN(CompareDialogTest)
#include "tst_compare_dialog.moc"
