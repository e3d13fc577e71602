// Character filters of the main window's fields and the key dialog's field:
// typing, Backspace, Enter, pasting, dropping, and text written by the program.
#include "app/ui/input_filters.h"
#include "table/meter_table.h"
#include "table/ui/enter_aes.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QSpinBox>
#include <QtTest>

namespace {

struct FilteredWindow {
    QWidget window;
    QLineEdit* add(const char* name)
    {
        auto* e = new QLineEdit(&window);
        e->setObjectName(QLatin1String(name));
        return e;
    }
};

}  // namespace

class TestInputFilters : public QObject {
    Q_OBJECT
private slots:
    void typing_data();
    void typing();
    void userEdits_data();
    void userEdits();
    void spinBoxField();
};

void TestInputFilters::typing_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("meter ID 1A") << "Edit_IDnano"
                                 << "1A"
                                 << "1";
    QTest::newRow("key 1a") << "Edit_aesKey"
                            << "1a"
                            << "1";
    QTest::newRow("key capitals") << "Edit_aesKey"
                                  << "09AFG"
                                  << "09AF";
    QTest::newRow("ZELK ID limit") << "Edit_currentID"
                                   << "0102030405"
                                   << "01020304";
    QTest::newRow("new ID blanks") << "Edit_ZELK_ID"
                                   << "12 34-56"
                                   << "123456";
    QTest::newRow("clock 3 digits") << "Edit1"
                                    << "5111"
                                    << "511";
    QTest::newRow("timeout 5 digits") << "Edit_timeout"
                                      << "300000"
                                      << "30000";
    QTest::newRow("key 32") << "Edit_aesKey" << QString(40, QLatin1Char('F')) << QString(32, QLatin1Char('F'));
}

void TestInputFilters::typing()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    FilteredWindow w;
    for (const char* name : {"Edit_currentID", "Edit_timeout", "Edit_IDnano", "Edit_ZELK_ID", "Edit1", "Edit_aesKey"})
        w.add(name);
    InstallInputFilters(&w.window);
    auto* edit = w.window.findChild<QLineEdit*>(field);
    QSignalSpy changes(edit, &QLineEdit::textChanged);
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), expected);
    // A rejected key never reaches the field.
    for (const QList<QVariant>& change : changes)
        QCOMPARE(change.at(0).toString(), expected.left(change.at(0).toString().size()));

    // Backspace, Enter and line feed pass; only Backspace changes the text.
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Enter);
    QCOMPARE(edit->text(), expected);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), expected.chopped(1));
}

// Every filtered field, each edit the user can make. `start` is written by
// the program (shown whole); `selection` "" leaves the cursor at the end,
// "all" selects everything, "i,n" selects n characters from i; it is applied
// before each of the `inputs`, which are typed, pasted or dropped in turn.
void TestInputFilters::userEdits_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("expected");
    const QString hot = QStringLiteral("Hot water in the basement"), zeros(30, u'0');
    auto row = [](const char* name, QString field, QString start, QString selection, QString how, QStringList inputs,
                  QString expected) {
        QTest::newRow(name) << field << start << selection << how << inputs << expected;
    };
    row("letters in an ID", "Edit_IDnano", "", "", "paste", {"12AB34"}, "1234");
    row("second paste over all, stale filter", "Edit_IDnano", "", "all", "paste", {"12AB34", "12AB34"}, "1234");
    row("limit counts kept characters", "Edit_IDnano", "", "", "paste", {"ID:", "ID:87654321"}, "87654321");
    row("overflowing paste cut", "Edit_IDnano", "123", "", "paste", {"4x5678901"}, "12345678");
    row("paste into a selection", "Edit_currentID", "12345678", "2,3", "paste", {"a9-9b"}, "1299678");
    row("drop", "Edit_ZELK_ID", "12", "", "drop", {"3 4\n5"}, "12345");
    row("timeout 5", "Edit_timeout", "", "", "paste", {"300000"}, "30000");
    row("clock 3", "Edit1", "", "all", "type", {"5x111"}, "511");
    row("key capitals only", "Edit_aesKey", "00", "", "paste", {"aBcD 11"}, "00BD11");
    row("separator one character", "Edit_export_separator", "", "all", "paste", {",;", "|"}, "|");
    row("medium typing held to 16", "Combo_medium", "", "", "paste", {hot}, "Hot water in the");
    row("medium from a row shown whole", "Combo_medium", hot, "", "type", {"x"}, hot);
    row("settings ID not cut by typing", "Edit_currentID", "0102030405AB", "", "type", {"7"}, "0102030405AB");
    row("dialog key keeps small letters", "Edit_enterKey", "", "", "type", {"1a", "g-F"}, "1aF");
    row("dialog key second paste", "Edit_enterKey", "", "all", "paste", {"zz: ab-cd", "zz: ab-cd"}, "abcd");
    row("dialog key drop overflow", "Edit_enterKey", zeros, "", "drop", {"x1234"}, zeros + "12");
}

void TestInputFilters::userEdits()
{
    QFETCH(QString, field);
    QFETCH(QString, start);
    QFETCH(QString, selection);
    QFETCH(QString, how);
    QFETCH(QStringList, inputs);
    QFETCH(QString, expected);
    FilteredWindow w;
    for (const char* name : {"Edit_currentID", "Edit_timeout", "Edit_IDnano", "Edit_ZELK_ID", "Edit1", "Edit_aesKey",
                             "Edit_export_separator"})
        w.add(name);
    auto* combo = new QComboBox(&w.window);
    combo->setObjectName(QStringLiteral("Combo_medium"));
    combo->setEditable(true);
    combo->lineEdit()->setMaxLength(16);  // lifted by the filter
    InstallInputFilters(&w.window);
    MeterTable table;
    TEnterAES dialog(table, &w.window);
    QLineEdit* edit = field == "Combo_medium" ? combo->lineEdit() : w.window.findChild<QLineEdit*>(field);
    edit->setText(start);
    QCOMPARE(edit->text(), start);  // program-written: whole
    for (const QString& input : inputs) {
        if (selection == "all")
            edit->selectAll();
        else if (!selection.isEmpty())
            edit->setSelection(selection.section(',', 0, 0).toInt(), selection.section(',', 1).toInt());
        if (how == "type") {
            QTest::keyClicks(edit, input);
        } else if (how == "paste") {
            QApplication::clipboard()->setText(input);
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        } else {  // a drop at the end: needs a shown field and an accepted drag
            QMimeData mime;
            mime.setText(input);
            edit->window()->show();
            QDragEnterEvent enter({edit->width() - 1, 2}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QDropEvent drop(QPointF(edit->width() - 1, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(edit, &enter);
            QApplication::sendEvent(edit, &drop);
        }
    }
    QCOMPARE(edit->text(), expected);
}

void TestInputFilters::spinBoxField()
{
    FilteredWindow w;
    auto* spin = new QSpinBox(&w.window);
    spin->setObjectName(QStringLiteral("Edit_timeout"));
    spin->setRange(300, 30000);
    spin->setValue(500);
    InstallInputFilters(&w.window);  // must not throw the spin box's own limits away
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("1x2y00"));
    QCOMPARE(spin->cleanText(), QStringLiteral("1200"));
}

QTEST_MAIN(TestInputFilters)
#include "tst_input_filters.moc"
