// The AES-128 key entry dialog: window, filter, keys and what Done writes.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "table/meter_table.h"
#include "table/ui/enter_aes.h"

namespace {
const QString kWholeKey = QStringLiteral("ABC0123456789DEF0123456789ABCDEF");
}

class TestEnterAes : public QObject {
    Q_OBJECT

    QWidget* mainWindow = nullptr;
    MeterTable* table = nullptr;
    TEnterAES* dialog = nullptr;

    QLineEdit* edit() const { return dialog->findChild<QLineEdit*>("Edit_enterKey"); }
    QCheckBox* check() const { return dialog->findChild<QCheckBox*>("Check_allAES"); }
    QPushButton* doneButton() const { return dialog->findChild<QPushButton*>("BitBtn1"); }
    QPushButton* cancelButton() const { return dialog->findChild<QPushButton*>("BitBtn2"); }

    void fill(int n)
    {
        std::vector<MeterTable::Row> rows;
        for (int r = 1; r <= n; ++r)
            rows.push_back({QString::number(r), QString::number(10000000 + r), "Water", "OLD", ""});
        table->replaceDataRows(rows);
    }
    QStringList keys() const
    {
        QStringList out;
        for (int r = 1; r < table->rowCount(); ++r)
            out << table->cell(3, r);
        return out;
    }

private slots:
    void init()
    {
        mainWindow = new QWidget;
        mainWindow->setGeometry(100, 100, 900, 700);
        mainWindow->show();
        table = new MeterTable;
        dialog = new TEnterAES(*table, mainWindow);
    }
    void cleanup()
    {
        delete mainWindow;  // owns the dialog
        delete table;
    }

    void window()
    {
        QVERIFY(!dialog->isVisible());
        dialog->showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Enter AES-128 key "));
        QVERIFY(dialog->width() >= 443 && dialog->height() >= 186);  // the design size, grown with the font
        QVERIFY(!dialog->isModal());
        const Qt::WindowFlags f = dialog->windowFlags();
        QVERIFY(f & Qt::WindowStaysOnTopHint);
        QVERIFY(!(f & Qt::WindowCloseButtonHint));
        QVERIFY(!(f & Qt::WindowSystemMenuHint));
        QVERIFY(!(f & Qt::WindowMinMaxButtonsHint));
        const QPoint offset = dialog->frameGeometry().center() - mainWindow->frameGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 2, "centred on the main window");
        QCOMPARE(dialog->findChild<QLabel*>("Label_aesKey")->text(), QStringLiteral("Enter AES-128 key for meter "));
        QCOMPARE(dialog->findChild<QLabel*>("Label1")->text(),
                 QStringLiteral("Note: Key should be 32 symbols, entered in HEX, without spaces (FAC812...)"));
        QVERIFY(dialog->findChild<QLabel*>("Label1")->font().italic());
        QCOMPARE(dialog->findChild<QLabel*>("Label2")->text(), QStringLiteral("meters in the table"));
        QCOMPARE(check()->text(), QStringLiteral("Use this Key for all "));
        QVERIFY(!check()->isChecked());
        QCOMPARE(doneButton()->text(), QStringLiteral("Done"));
        QCOMPARE(cancelButton()->text(), QStringLiteral("Cancel"));
        QVERIFY(edit()->font().bold());
        // Focus order: key field, Done, Cancel, check box.
        auto nextTabStop = [](QWidget* w) {
            do
                w = w->nextInFocusChain();
            while (!(w->focusPolicy() & Qt::TabFocus));
            return w;
        };
        QCOMPARE(nextTabStop(edit()), static_cast<QWidget*>(doneButton()));
        QCOMPARE(nextTabStop(doneButton()), static_cast<QWidget*>(cancelButton()));
        QCOMPARE(nextTabStop(cancelButton()), static_cast<QWidget*>(check()));
        // The main window stays usable.
        QVERIFY(mainWindow->isEnabled());
        QVERIFY(!QApplication::activeModalWidget());
    }

    void typingFilter_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("hex in both cases") << "09afAF"
                                           << "09afAF";
        QTest::newRow("space, G and hyphen dropped") << "1 G-f"
                                                     << "1f";
        QTest::newRow("other letters") << "xyzKEY"
                                       << "E";
        QTest::newRow("at most 32") << QString(40, u'a') << QString(32, u'a');
        QTest::newRow("at most 32 with rejected characters") << QString(31, u'a') + "x-b c" << QString(31, u'a') + "b";
    }
    void typingFilter()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        dialog->showCentred();
        edit()->setFocus();
        QTest::keyClicks(edit(), typed);
        QCOMPARE(edit()->text(), shown);
        QTest::keyClick(edit(), Qt::Key_Backspace);
        QCOMPARE(edit()->text(), shown.left(shown.size() - 1));
    }

    void pasteIsFiltered_data()
    {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("shown");
        QTest::newRow("spaces and hyphens") << "FA C8-12"
                                            << "FAC812";
        QTest::newRow("tabs and junk") << "\t00 11 zz 22\n"
                                       << "001122";
        QTest::newRow("too long") << QString(20, u'1') + " " + QString(20, u'2')
                                  << QString(20, u'1') + QString(12, u'2');
    }
    void pasteIsFiltered()
    {
        QFETCH(QString, pasted);
        QFETCH(QString, shown);
        dialog->showCentred();
        QApplication::clipboard()->setText(pasted);
        if (QApplication::clipboard()->text() != pasted)
            QSKIP("no clipboard on this platform");
        edit()->setFocus();
        edit()->paste();
        QCOMPARE(edit()->text(), shown);
    }

    void pasteIntoAFullerField()
    {
        dialog->showCentred();
        QTest::keyClicks(edit(), QString(28, u'1') + "22");
        edit()->setCursorPosition(28);
        QApplication::clipboard()->setText("a b c d e");
        if (QApplication::clipboard()->text() != "a b c d e")
            QSKIP("no clipboard on this platform");
        edit()->paste();
        // Only what fits of the filtered text goes in, before the old tail.
        QCOMPARE(edit()->text(), QString(28, u'1') + "ab22");
        QCOMPARE(edit()->cursorPosition(), 30);
    }

    // Fails when Done writes a key that is not whole (filled up with zeros, as
    // a meter could never be read with it), or when its refusal closes the
    // dialog or does not say how many digits there are.
    void doneWrites_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("all");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QList<int>>("written");
        QTest::addColumn<QString>("count");
        const QList<int> none;
        const QString whole = "0123456789abcdefABCDEF0123456789";
        QTest::newRow("empty field refused") << "" << false << 2 << none << "0 of 32 digits";
        QTest::newRow("5 characters refused") << "abCD1" << false << 3 << none << "5 of 32 digits";
        QTest::newRow("31 characters refused") << whole.left(31) << false << 3 << none << "31 of 32 digits";
        QTest::newRow("31 characters refused for all rows") << whole.left(31) << true << 3 << none << "31 of 32 digits";
        QTest::newRow("32 characters unchanged") << whole << false << 1 << QList<int>{1} << "32 of 32 digits";
        QTest::newRow("no row selected") << whole << false << 0 << none << "32 of 32 digits";
        QTest::newRow("all numbered rows")
            << whole << true << 0 << QList<int>{1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}
            << "32 of 32 digits";
    }
    void doneWrites()
    {
        QFETCH(QString, typed);
        QFETCH(bool, all);
        QFETCH(int, selected);
        QFETCH(QList<int>, written);
        QFETCH(QString, count);
        fill(16);
        // Row 3 as "Add row in table" leaves it: no number.
        table->setSelectedRow(2);
        table->InsertRow();
        table->setSelectedRow(selected);
        dialog->showCentred();
        QTest::keyClicks(edit(), typed);
        check()->setChecked(all);
        QTest::mouseClick(doneButton(), Qt::LeftButton);
        const bool whole = typed.size() == 32;
        QCOMPARE(dialog->isVisible(), !whole);
        QCOMPARE(edit()->text(), typed);
        QCOMPARE(dialog->countLabel()->text(), count);
        QCOMPARE(dialog->countLabel()->font().bold(), !whole);  // the refusal stands out
        for (int r = 1; r < table->rowCount(); ++r)
            QCOMPARE(table->cell(3, r), written.contains(r) ? typed : (r == 3 ? QString() : QStringLiteral("OLD")));
    }

    // Fails when the kept key is not selected at opening: typing into the
    // full field would then add nothing, and Done would write the previous
    // meter's key.
    void typingAtOpeningReplacesTheKeptKey()
    {
        fill(2);
        table->setSelectedRow(1);
        dialog->showCentred();
        QTest::keyClicks(edit(), QString(32, u'A'));
        QTest::mouseClick(doneButton(), Qt::LeftButton);
        table->setSelectedRow(2);
        dialog->showCentred();
        QTest::keyClicks(edit(), QString(32, u'B'));
        QCOMPARE(dialog->countLabel()->text(), QStringLiteral("32 of 32 digits"));
        QTest::mouseClick(doneButton(), Qt::LeftButton);
        QCOMPARE(table->cell(3, 1), QString(32, u'A'));
        QCOMPARE(table->cell(3, 2), QString(32, u'B'));
    }

    void keys_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("visibleAfter");
        QTest::addColumn<bool>("written");
        QTest::newRow("Esc in the key field") << "edit" << int(Qt::Key_Escape) << false << false;
        QTest::newRow("Enter in the key field") << "edit" << int(Qt::Key_Return) << false << true;
        QTest::newRow("keypad Enter in the key field") << "edit" << int(Qt::Key_Enter) << false << true;
        QTest::newRow("Esc on Done") << "done" << int(Qt::Key_Escape) << false << false;
        QTest::newRow("Enter on Cancel") << "cancel" << int(Qt::Key_Return) << false << true;
        QTest::newRow("Esc on the check box") << "check" << int(Qt::Key_Escape) << true << false;
        QTest::newRow("Enter on the check box") << "check" << int(Qt::Key_Return) << true << false;
    }
    void keys()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(bool, visibleAfter);
        QFETCH(bool, written);
        fill(2);
        table->setSelectedRow(1);
        dialog->showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QTest::keyClicks(edit(), kWholeKey);
        QWidget* target = focus == "edit" ? static_cast<QWidget*>(edit())
            : focus == "done"             ? static_cast<QWidget*>(doneButton())
            : focus == "cancel"           ? static_cast<QWidget*>(cancelButton())
                                          : static_cast<QWidget*>(check());
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));
        QCOMPARE(dialog->isVisible(), visibleAfter);
        QCOMPARE(table->cell(3, 1), written ? kWholeKey : QStringLiteral("OLD"));
        QCOMPARE(table->cell(3, 2), QStringLiteral("OLD"));
    }

    void cancelKeepsTheTextForTheNextOpening()
    {
        fill(1);
        table->setSelectedRow(1);
        dialog->showCentred();
        QTest::keyClicks(edit(), "12ab");
        check()->setChecked(true);
        QTest::mouseClick(cancelButton(), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(table->cell(3, 1), QStringLiteral("OLD"));
        dialog->showCentred();
        QCOMPARE(edit()->text(), QStringLiteral("12ab"));
        QVERIFY(check()->isChecked());
    }
};

QTEST_MAIN(TestEnterAes)
#include "tst_enter_aes.moc"
