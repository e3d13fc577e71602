// Character filters of the main window's fields: typing, Backspace, Enter,
// pasting, and text written by the program.
#include "app/ui/input_filters.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
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
    void pasting_data();
    void pasting();
    void programTextIsNotFiltered();
    void spinBoxField();
    void dialogFilterKeepsSmallLetters();
};

void TestInputFilters::typing_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("meter ID 1A") << "Edit_IDnano" << "1A" << "1";
    QTest::newRow("key 1a") << "Edit_aesKey" << "1a" << "1";
    QTest::newRow("key capitals") << "Edit_aesKey" << "09AFG" << "09AF";
    QTest::newRow("ZELK ID limit") << "Edit_currentID" << "0102030405" << "01020304";
    QTest::newRow("new ID blanks") << "Edit_ZELK_ID" << "12 34-56" << "123456";
    QTest::newRow("clock 3 digits") << "Edit1" << "5111" << "511";
    QTest::newRow("timeout 5 digits") << "Edit_timeout" << "300000" << "30000";
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

void TestInputFilters::pasting_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("expected");
    QTest::newRow("letters in an ID") << "Edit_IDnano" << "" << "12AB34" << "1234";
    QTest::newRow("small letters in the key") << "Edit_aesKey" << "00" << "aBcD 11" << "00BD11";
    QTest::newRow("past the limit") << "Edit_IDnano" << "123" << "4x5678901" << "12345678";
}

void TestInputFilters::pasting()
{
    QFETCH(QString, field);
    QFETCH(QString, before);
    QFETCH(QString, pasted);
    QFETCH(QString, expected);
    FilteredWindow w;
    QLineEdit* edit = w.add(field.toLatin1().constData());
    InstallInputFilters(&w.window);
    edit->setText(before);
    edit->setCursorPosition(int(before.size()));
    QApplication::clipboard()->setText(pasted);
    if (QApplication::clipboard()->text() != pasted)
        QSKIP("no clipboard on this platform");
    edit->paste();
    QCOMPARE(edit->text(), expected);
    QCOMPARE(edit->cursorPosition(), int(expected.size()));

    // The same through Ctrl+V in the middle of the text.
    edit->setText(QStringLiteral("99"));
    edit->setCursorPosition(1);
    QApplication::clipboard()->setText(QStringLiteral("x7y"));
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit->text(), QStringLiteral("979"));
    QCOMPARE(edit->cursorPosition(), 2);
}

void TestInputFilters::programTextIsNotFiltered()
{
    FilteredWindow w;
    QLineEdit* id = w.add("Edit_currentID");
    InstallInputFilters(&w.window);
    id->setText(QStringLiteral("0102030405AB"));   // e.g. from the settings file
    QCOMPARE(id->text(), QStringLiteral("0102030405AB"));
    // Typing into an over-long field adds nothing; Backspace still works.
    id->end(false);
    QTest::keyClicks(id, QStringLiteral("7"));
    QCOMPARE(id->text(), QStringLiteral("0102030405AB"));
    QTest::keyClick(id, Qt::Key_Backspace);
    QCOMPARE(id->text(), QStringLiteral("0102030405A"));
}

void TestInputFilters::spinBoxField()
{
    FilteredWindow w;
    auto* spin = new QSpinBox(&w.window);
    spin->setObjectName(QStringLiteral("Edit_timeout"));
    spin->setRange(300, 30000);
    spin->setValue(500);
    InstallInputFilters(&w.window);   // must not throw the spin box's own limits away
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("1x2y00"));
    QCOMPARE(spin->cleanText(), QStringLiteral("1200"));
}

void TestInputFilters::dialogFilterKeepsSmallLetters()
{
    QLineEdit edit;
    AttachInputFilter(&edit, InputFilter::HexAnyCase, 32);
    QTest::keyClicks(&edit, QStringLiteral("1a"));
    QCOMPARE(edit.text(), QStringLiteral("1a"));
    QTest::keyClicks(&edit, QStringLiteral("g-F"));
    QCOMPARE(edit.text(), QStringLiteral("1aF"));
    QCOMPARE(FilterText(InputFilter::HexUpper, QStringLiteral("1aF9")), QStringLiteral("1F9"));
}

QTEST_MAIN(TestInputFilters)
#include "tst_input_filters.moc"
