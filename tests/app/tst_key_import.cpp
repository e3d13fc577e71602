// File > "Import keys...": the preview's states and masked keys, its two
// choices applied to the meter table, the log line, Cancel, and the password
// asked again after a wrong one.
#include "app/ui/key_import_dialogs.h"
#include "core/activity_log.h"
#include "table/meter_table.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char* kList = "10000001;000102030405060708090A0B0C0D0E0F\n"
                    "10000002;101112131415161718191A1B1C1D1E1F\n"
                    "10000003;202122232425262728292A2B2C2D2E2F\n"
                    "10000009;909192939495969798999A9B9C9D9E9F\n"
                    "10000004;404142434445464748494A4B4C4D4E4F\n"
                    "10000004;F0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF\n"
                    "1234;000102030405060708090A0B0C0D0E0F\n";

void FillTable(MeterTable& table)
{
    table.replaceDataRows({{"1", "10000001", "", "", ""},
                           {"2", "10000002", "Water", "101112131415161718191a1b1c1d1e1f", ""},
                           {"5", "10000003", "", "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", ""}});
}

// Fills the table, writes kList into `dir` and makes the file dialog choose it.
bool OfferList(const QTemporaryDir& dir, MeterTable& table)
{
    FillTable(table);
    QFile file(dir.filePath("keys.txt"));
    const bool written = file.open(QIODevice::WriteOnly) && file.write(kList) > 0;
    KeyImportUi::chooseFile = [path = file.fileName()](QWidget*) { return path; };
    return written;
}

QStringList Column(QTableWidget* t, int col)
{
    QStringList texts;
    for (int r = 0; r < t->rowCount(); ++r)
        texts << t->item(r, col)->text();
    return texts;
}

QStringList Rows(const MeterTable& table)
{
    QStringList rows;
    for (int r = 1; r < table.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < MeterTable::kColumns; ++c)
            cells << table.cell(c, r);
        rows << cells.join(';');
    }
    return rows;
}

}  // namespace

class TestKeyImport : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        KeyImportUi::chooseFile = nullptr;
        KeyImportUi::runDialog = nullptr;
    }

    void previewShowsStatesAndMaskedKeys()
    {
        QTemporaryDir dir;
        MeterTable table;
        QVERIFY(OfferList(dir, table));
        // What the preview showed: ID column, state column, masked key, shown key, the two choices.
        QStringList ids, states, keys;
        QString accessible;
        bool addNew = false, replace = true;
        KeyImportUi::runDialog = [&](QDialog* d) {
            auto* t = d->findChild<QTableWidget*>("Table_keys");
            if (!t)
                return int(QDialog::Rejected);  // a password dialog: never for a plain list
            accessible = t->accessibleName();
            ids = Column(t, 0);
            states = Column(t, 3);
            keys << t->item(0, 2)->text();
            d->findChild<QCheckBox*>("Check_showKeys")->setChecked(true);
            keys << t->item(0, 2)->text();
            addNew = d->findChild<QCheckBox*>("Check_addNew")->isChecked();
            replace = d->findChild<QCheckBox*>("Check_replace")->isChecked();
            return int(QDialog::Rejected);
        };
        ActivityLog log;
        const QStringList before = Rows(table);
        ImportKeysWithDialogs(nullptr, table, log, dir.path(), ";");
        QCOMPARE(accessible, QStringLiteral("Keys in the file"));
        QCOMPARE(ids, (QStringList{"10000001", "10000002", "10000003", "10000009", "10000004", "10000004"}));
        QCOMPARE(
            states,
            (QStringList{"key added", "same key", "key differs", "new row", "conflict in file", "conflict in file"}));
        QCOMPARE(keys, (QStringList{"••••0E0F", "000102030405060708090A0B0C0D0E0F"}));
        QVERIFY(addNew);
        QVERIFY(!replace);
        QCOMPARE(Rows(table), before);  // Cancel changes nothing
        QCOMPARE(log.lineCount(), 0);
    }

    void choicesDecideWhatOkDoes_data()
    {
        QTest::addColumn<bool>("addNew");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("line");
        const QString added = "1;10000001;;000102030405060708090A0B0C0D0E0F;",
                      same = "2;10000002;Water;101112131415161718191a1b1c1d1e1f;",
                      kept = "5;10000003;;FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF;",
                      replaced = "5;10000003;;202122232425262728292A2B2C2D2E2F;",
                      fresh = "6;10000009;;909192939495969798999A9B9C9D9E9F;";
        QTest::newRow("defaults") << true << false << QStringList{added, same, kept, fresh}
                                  << "1 added, 1 updated, 1 unchanged, 4 skipped";
        QTest::newRow("no new rows") << false << false << QStringList{added, same, kept}
                                     << "0 added, 1 updated, 1 unchanged, 5 skipped";
        QTest::newRow("replace") << true << true << QStringList{added, same, replaced, fresh}
                                 << "1 added, 2 updated, 1 unchanged, 3 skipped";
    }
    void choicesDecideWhatOkDoes()
    {
        QFETCH(bool, addNew);
        QFETCH(bool, replace);
        QFETCH(QStringList, rows);
        QFETCH(QString, line);
        QTemporaryDir dir;
        MeterTable table;
        QVERIFY(OfferList(dir, table));
        table.setModified(false);  // as loaded
        const QStringList before = Rows(table);
        KeyImportUi::runDialog = [&](QDialog* d) {
            d->findChild<QCheckBox*>("Check_addNew")->setChecked(addNew);
            d->findChild<QCheckBox*>("Check_replace")->setChecked(replace);
            return int(QDialog::Accepted);
        };
        ActivityLog log;
        ImportKeysWithDialogs(nullptr, table, log, dir.path(), ";");
        QCOMPARE(Rows(table), rows);
        QCOMPARE(log.lines(), QStringList{"Keys imported from keys.txt: " + line});
        // Imported keys are unsaved work that Get all must ask about.
        if (rows != before)
            QVERIFY(table.modified());
    }

    void wrongPasswordAsksAgainAndNothingKeepsIt()
    {
        MeterTable table;  // a medium goes only into an empty Medium cell
        table.replaceDataRows({{"1", "10000001", "Water", "", ""}, {"2", "10000002", "", "", ""}});
        KeyImportUi::chooseFile = [](QWidget*) { return QStringLiteral(KEY_FIXTURES "/meters.kem"); };
        QStringList asked;  // per password dialog: title, echo modes, the problem shown
        KeyImportUi::runDialog = [&](QDialog* d) {
            auto* field = d->findChild<QLineEdit*>("Edit_password");
            if (!field)
                return int(QDialog::Accepted);  // the preview
            const bool masked = field->echoMode() == QLineEdit::Password;
            d->findChild<QCheckBox*>("Check_showPassword")->setChecked(true);
            const bool plain = field->echoMode() == QLineEdit::Normal;
            auto* problem = d->findChild<QLabel*>("Label_problem");
            asked << QStringLiteral("%1 %2 %3 %4")
                         .arg(d->windowTitle())
                         .arg(masked)
                         .arg(plain)
                         .arg(problem ? problem->text() : QString());
            field->setText(asked.size() == 1 ? "Shipment-2025" : "Shipment-2024");
            return int(QDialog::Accepted);
        };
        ActivityLog log;
        ImportKeysWithDialogs(nullptr, table, log, {}, ";");
        QCOMPARE(asked,
                 (QStringList{"Key file password 1 1 ",
                              "Key file password 1 1 wrong password, or not a key file of this kind"}));
        QCOMPARE(Rows(table),
                 (QStringList{"1;10000001;Water;000102030405060708090A0B0C0D0E0F;",
                              "2;10000002;Hot water;101112131415161718191A1B1C1D1E1F;",
                              "3;10000003;;202122232425262728292A2B2C2D2E2F;"}));
        QCOMPARE(log.lines(), QStringList{"Keys imported from meters.kem: 1 added, 2 updated, 0 unchanged, 4 skipped"});
        QVERIFY(!log.lines().join("").contains("Shipment"));
    }

    void cancelledPasswordChangesNothing()
    {
        MeterTable table;
        KeyImportUi::chooseFile = [](QWidget*) { return QStringLiteral(KEY_FIXTURES "/meters.kem"); };
        int dialogs = 0;
        KeyImportUi::runDialog = [&](QDialog*) { return ++dialogs, int(QDialog::Rejected); };
        ActivityLog log;
        ImportKeysWithDialogs(nullptr, table, log, {}, ";");
        QCOMPARE(dialogs, 1);
        QCOMPARE(table.rowCount(), 2);
        QCOMPARE(log.lineCount(), 0);
    }
};

QTEST_MAIN(TestKeyImport)
#include "tst_key_import.moc"
