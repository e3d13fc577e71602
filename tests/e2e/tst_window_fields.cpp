// The main window's filtered fields: typed and pasted text loses the refused
// characters and stops at the field's length, while text from the settings
// file is shown as it stands.
#include "e2e/support/window_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QTest>

class WindowFieldsTest : public QObject {
    Q_OBJECT

private slots:
    void typedAndPastedText_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zelk id") << "Edit_currentID"
                                 << ""
                                 << "12AB3456789"
                                 << "12345678";
        QTest::newRow("meter id typed") << "Edit_IDnano"
                                        << "1A2b3"
                                        << ""
                                        << "123";
        QTest::newRow("key") << "Edit_aesKey"
                             << "1a"
                             << ""
                             << "1";
        QTest::newRow("key pasted") << "Edit_aesKey"
                                    << ""
                                    << "00ff11GG22"
                                    << "001122";
        QTest::newRow("clock") << "Edit1"
                               << "51x17"
                               << ""
                               << "511";
        QTest::newRow("separator") << "Edit_export_separator"
                                   << ",;"
                                   << ""
                                   << ",";
    }

    void typedAndPastedText()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QString, expected);
        WindowFixture f;
        auto* edit = f.form().findChild<QLineEdit*>(field);
        QVERIFY(edit);
        edit->clear();
        edit->setFocus();
        if (!typed.isEmpty())
            QTest::keyClicks(edit, typed);
        if (!pasted.isEmpty()) {
            QApplication::clipboard()->setText(pasted);
            edit->paste();
        }
        QCOMPARE(edit->text(), expected);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), expected.left(expected.size() - 1));
    }

    void settingsTextIsShownAsItStands()
    {
        WindowFixture f;
        const QString path = f.dir.filePath(QStringLiteral("long.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Misc]\r\nExportSeparator=;;\r\n[RFZELK]\r\nSecondary=0102030405\r\n");
        file.close();
        f.form().reloadSettings(path);
        QCOMPARE(f.form().Edit_currentID->text(), QStringLiteral("0102030405"));
        QCOMPARE(f.form().Edit_export_separator->text(), QStringLiteral(";;"));
    }
};

QTEST_MAIN(WindowFieldsTest)
#include "tst_window_fields.moc"
