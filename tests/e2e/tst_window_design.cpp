// The main window as built: caption, size, every named control of the design,
// labels as buddies, the glyph buttons' tooltips and accessible names, the
// timers stopped at start and the working state's initial values.
#include "app/ui/glyph_icons.h"
#include "app/ui/log_panel.h"
#include "e2e/support/window_fixture.h"
#include "protocol/medium.h"
#include "table/ui/meter_grid.h"
#include "table/ui/meter_grid_paint.h"
#include "widgets/font_units.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

namespace {

// Shows `form` on the screen named `name` as the program does; false when there is none.
bool ShowOn(TForm11& form, const QString& name)
{
    QScreen* where = nullptr;
    for (QScreen* s : QGuiApplication::screens())
        where = s->name() == name ? s : where;
    if (!where)
        return false;
    form.setScreen(where);
    form.move(where->geometry().topLeft());
    form.show();
    return QTest::qWaitForWindowExposed(&form);
}

}  // namespace

class WindowDesignTest : public QObject {
    Q_OBJECT

private slots:
    void captionAndSize()
    {
        WindowFixture f;
        QCOMPARE(f.form().windowTitle(), QStringLiteral("M-bus and wireless configuration and read utility"));
        // The client area under the menu bar, on a screen that holds it.
        QCOMPARE(f.form().size() - QSize(0, f.form().menuBar()->height()), QSize(1105, 792));
    }

    // Fails when the window keeps its design size on a small screen, is off centre, cannot
    // shrink to 1280 x 720, takes the missing height from the table, cuts the port line or
    // keeps 18-pixel glyphs with a larger font; and, on screens smaller than its minimum
    // (125 % and 150 % laptops), when it reaches below the edge, shows less than two lines
    // of log or hides the status bar, or does not scroll.
    void windowOpensCentredInsideTheScreen_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("scrolls");  // the screen is smaller than the window's minimum
        const std::pair<const char*, bool> screens[] = {{"1-wide", false},      {"2-laptop", false},
                                                        {"3-small", false},     {"4-scaled", false},
                                                        {"5-laptop-125", true}, {"6-small-150", true}};
        for (const auto& [name, scrolls] : screens)
            for (int pt : {8, 10})
                QTest::newRow(qPrintable(QStringLiteral("%1 %2 pt").arg(name).arg(pt))) << name << pt << scrolls;
    }
    void windowOpensCentredInsideTheScreen()
    {
        QFETCH(QString, screen);
        QFETCH(int, points);
        QFETCH(bool, scrolls);
        const QFont original = QApplication::font();  // restored however the row ends
        const auto restore = qScopeGuard([original] { QApplication::setFont(original); });
        QApplication::setFont(QFont(original.family(), points));
        TForm11 reference;
        TForm11 form;
        QVERIFY2(ShowOn(reference, QStringLiteral("1-wide")) && ShowOn(form, screen), "screen missing");
        const QRect area = form.screen()->availableGeometry();
        QVERIFY(area.contains(form.frameGeometry()));
        QVERIFY((form.frameGeometry().center() - area.center()).manhattanLength() <= 2);
        auto* controls = form.findChild<QAbstractScrollArea*>(QStringLiteral("ScrollBox_controls"));
        QVERIFY(controls);
        QCOMPARE(controls->verticalScrollBar()->isVisible(), scrolls);
        if (!scrolls) {
            QCOMPARE(form.PageControl1->height(), reference.PageControl1->height());
            for (const auto& [panel, designWidth] : {std::pair{"StatusPanel1", 400}, std::pair{"StatusPanel2", 50}}) {
                auto* label = form.findChild<QLabel*>(QLatin1String(panel));
                QCOMPARE(label->width(), FontScaled(label->font(), designWidth));
            }
        }
        // The log's last two lines (with the sideways scroll bar of long lines) and the
        // status bar are in the window.
        for (int i = 0; i < 10; ++i)
            form.Memo_current->appendLine(QString(300, u'A'));
        form.Memo_current->flushLines();
        QApplication::processEvents();
        for (const QWidget* w : {static_cast<QWidget*>(form.Memo_current), static_cast<QWidget*>(form.statusBar())})
            QVERIFY(form.rect().contains(QRect(w->mapTo(&form, QPoint()), w->size())));
        QVERIFY(form.Memo_current->verticalScrollBar()->maximum() <= 10 - 2);
        // The glyph buttons grow with the font, drawn to their size and sharp on scaled screens.
        const int glyph = FontScaled(form.BitBtn42->font(), 18);
        QCOMPARE(form.BitBtn42->iconSize(), QSize(glyph, glyph));
        QVERIFY(form.BitBtn42->icon().availableSizes().contains(QSize(2 * glyph, 2 * glyph)));
        const QImage plus = GlyphIcon(Glyph::Add, 72).pixmap(QSize(72, 72), 1.0).toImage();
        QVERIFY(qAlpha(plus.pixel(36, 58)) > 0);  // the foot of the plus, beyond 18 pixels
        const QString port = QStringLiteral("/dev/serial/by-id/usb-0403_6001-if00-port0 - 9600,8,Even");
        form.StatusPanel0->setText(port);
        QApplication::processEvents();
        QVERIFY(form.StatusPanel0->width() >= form.StatusPanel0->fontMetrics().horizontalAdvance(port));
    }

    // Fails when a medium name (of the code table, or a long one loaded) is cut while the key
    // column has room to spare, when the key column is cut or wider than 32 digits, or when
    // Notes leaves a gap or needs a horizontal scroll bar, at the design width with the
    // vertical scroll bar shown.
    void meterColumnsShowWhatMatters_data()
    {
        QTest::addColumn<QString>("loaded");  // the medium of every row
        QTest::newRow("code table names") << "Water";
        QTest::newRow("a long name loaded") << "Heat Cost Allocator";
    }
    void meterColumnsShowWhatMatters()
    {
        QFETCH(QString, loaded);
        TForm11 form;
        QVERIFY(ShowOn(form, QStringLiteral("1-wide")));
        form.meterTable().replaceDataRows(std::vector<MeterTable::Row>(30, {"1", "12345678", loaded, "", "10000"}));
        QApplication::processEvents();
        const MeterGrid* grid = form.StringGrid1;
        QVERIFY(grid->verticalScrollBar()->isVisible() && grid->horizontalScrollBar()->maximum() == 0);
        QCOMPARE(grid->columnViewportPosition(4) + grid->columnWidth(4), grid->viewport()->width());
        const auto whole = [grid](int column, const QString& text) {
            const int width = grid->visualRect(grid->model()->index(0, column)).width();
            return ShownCellText(grid->fontMetrics(), text, width) == text;
        };
        for (int code = 0; code < 256; ++code)
            QVERIFY(whole(MeterTable::ColMedium, MediumNameFromCode(std::uint8_t(code))));
        QVERIFY(whole(MeterTable::ColMedium, loaded));
        for (const QChar digit : QStringLiteral("0123456789ABCDEF"))
            QVERIFY(whole(MeterTable::ColKey, QString(32, digit)));
        QVERIFY(grid->columnWidth(MeterTable::ColKey) <= std::max(203, HexDigitsWidth(grid->fontMetrics(), 32) + 2));
    }

    // Fails when a window moved to a smaller screen keeps a minimum larger than that screen
    // (also when it came from another small one), or keeps a smaller minimum when moved back;
    // or when the screen it was on goes away.
    void movedWindowFitsItsNewScreen()
    {
        WindowFixture f;
        const QSize wide = f.form().minimumSizeHint();
        for (const char* name : {"6-small-150", "5-laptop-125", "1-wide"}) {
            for (QScreen* s : QGuiApplication::screens())
                f.form().setScreen(s->name() == QLatin1String(name) ? s : f.form().screen());
            const QSize area = f.form().screen()->availableGeometry().size();
            QVERIFY2(area.expandedTo(f.form().minimumSizeHint()) == area, name);
        }
        QCOMPARE(f.form().minimumSizeHint(), wide);
        QMetaObject::invokeMethod(f.form().windowHandle(), "screenChanged", Q_ARG(QScreen*, nullptr));
    }

    // Fails when the window's minimum misses a change of the controls' sizes (a larger font,
    // a longer caption), so that the window can be made smaller than its controls.
    void windowMinimumFollowsTheControls()
    {
        WindowFixture f;
        const int before = f.form().minimumSizeHint().height();
        f.form().PageControl1->setMinimumHeight(f.form().PageControl1->height() + 200);
        QTRY_VERIFY(f.form().minimumSizeHint().height() >= before + 100);
    }

    void everyNamedControlExists_data()
    {
        QTest::addColumn<QString>("name");
        const char* names[] = {"Combo_comName",
                               "Combo_speed",
                               "Combo_parity",
                               "Combo_dataBits",
                               "Check_rts",
                               "BitBtn22",
                               "Edit_retry",
                               "UD_retry_read",
                               "Edit_export_separator",
                               "Edit_timeout",
                               "UD_timeout",
                               "Label8",
                               "Edit_currentID",
                               "Edit_ZELK_ID",
                               "Button6",
                               "BitBtn51",
                               "BitBtn52",
                               "BitBtn53",
                               "Combo_wirelessMode",
                               "Button8",
                               "Edit1",
                               "Check_onClock",
                               "BitBtn24",
                               "BitBtn23",
                               "PageControl1",
                               "Edit_IDnano",
                               "BitBtn42",
                               "BitBtn43",
                               "Check_deleteAll",
                               "Edit_aesKey",
                               "Butt_setAES",
                               "Butt_readAES",
                               "Combo_medium",
                               "BitBtn19",
                               "Check_nanoFlag",
                               "Combo_qorFlags",
                               "BitBtn44",
                               "Butt_stop",
                               "ProgressBar1",
                               "StringGrid1",
                               "Butt_load_data",
                               "Butt_save_data",
                               "Butt_clear_grid",
                               "Memo_current",
                               "BitBtn7",
                               "BitBtn6",
                               "BitBtn5",
                               "StatusBar1"};
        for (const char* n : names)
            QTest::newRow(n) << QString::fromLatin1(n);
    }

    void everyNamedControlExists()
    {
        QFETCH(QString, name);
        WindowFixture f;
        QVERIFY2(f.form().findChild<QWidget*>(name), qPrintable(name));
    }

    void glyphButtonsSayWhatTheyDo_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("what");
        QTest::newRow("add") << "BitBtn42"
                             << "Add meter ID";
        QTest::newRow("delete") << "BitBtn43"
                                << "Delete meter ID";
        QTest::newRow("set key") << "Butt_setAES"
                                 << "Set AES key";
        QTest::newRow("read key") << "Butt_readAES"
                                  << "Read AES key";
        QTest::newRow("flag") << "BitBtn44"
                              << "Set or clear flag";
    }

    void glyphButtonsSayWhatTheyDo()
    {
        QFETCH(QString, name);
        QFETCH(QString, what);
        WindowFixture f;
        auto* b = f.form().findChild<QAbstractButton*>(name);
        QVERIFY(b);
        QVERIFY(b->text().isEmpty());
        QCOMPARE(b->toolTip(), what);
        QCOMPARE(b->accessibleName(), what);
    }

    void setButtonsAreToldApart_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("what");
        QTest::newRow("medium") << "BitBtn19"
                                << "Set medium";
        QTest::newRow("status") << "BitBtn53"
                                << "Read status";
        QTest::newRow("clock") << "BitBtn24"
                               << "Set clock adjustment";
    }

    void setButtonsAreToldApart()
    {
        QFETCH(QString, name);
        QFETCH(QString, what);
        WindowFixture f;
        auto* b = f.form().findChild<QPushButton*>(name);
        QVERIFY(b);
        QCOMPARE(b->text(), QStringLiteral("Set"));
        QCOMPARE(b->toolTip(), what);
        QCOMPARE(b->accessibleDescription(), what);
    }

    void labelledFieldsAreBuddies_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("label");
        QTest::newRow("zelk id") << "Edit_currentID"
                                 << "Current RF-ZELK ID";
        QTest::newRow("meter id") << "Edit_IDnano"
                                  << "Enter ID to add/delete";
        QTest::newRow("key") << "Edit_aesKey"
                             << "Set/Read 16-byte AES-128 key (32 symbols from 0 to F, no spaces)";
        QTest::newRow("medium") << "Combo_medium"
                                << "Set new Medium for this ID";
        QTest::newRow("new id") << "Edit_ZELK_ID"
                                << "Enter new DUV-ZELK  ID ";
        QTest::newRow("clock") << "Edit1"
                               << "Clock adjust (0-511)";
        QTest::newRow("mode") << "Combo_wirelessMode"
                              << "Wireless m-bus mode";
        QTest::newRow("retry") << "Edit_retry"
                               << "Retry times:";
        QTest::newRow("separator") << "Edit_export_separator"
                                   << "Import/Export separator:";
        QTest::newRow("port") << "Combo_comName"
                              << "COM name";
    }

    void labelledFieldsAreBuddies()
    {
        QFETCH(QString, field);
        QFETCH(QString, label);
        WindowFixture f;
        auto* w = f.form().findChild<QWidget*>(field);
        QVERIFY(w);
        bool found = false;
        for (QLabel* l : f.form().findChildren<QLabel*>())
            if (l->buddy() == w && l->text() == label)
                found = true;
        QVERIFY2(found, qPrintable(field));
        QCOMPARE(w->accessibleName(), label.trimmed());
    }

    void startState()
    {
        WindowFixture f;
        TForm11& form = f.form();
        for (const char* t : {"Timer_readZUDozad", "Timer_activateQORAll", "Timer_deleteAll", "Timer_noDecode"}) {
            auto* timer = form.findChild<QTimer*>(QString::fromLatin1(t));
            QVERIFY2(timer, t);
            QVERIFY2(!timer->isActive(), t);
            QVERIFY2(timer->isSingleShot(), t);
        }
        QCOMPARE(form.findChild<QTimer*>(QStringLiteral("Timer_readZUDozad"))->interval(), 1000);
        QCOMPARE(form.findChild<QTimer*>(QStringLiteral("Timer_noDecode"))->interval(), 1000);
        const WorkingState& s = form.state();
        QVERIFY(!s.connected);
        QVERIFY(s.rxBuffer.isEmpty());
        QCOMPARE(s.rxCount, 0);
        QVERIFY(!s.replyLatched);
        QVERIFY(!s.replyReceived);
        QCOMPARE(int(s.lastCommand), 0);
        QCOMPARE(form.meterTable().selectedRow(), 0);
        QCOMPARE(form.meterTable().rowCount(), 2);
        QVERIFY(!form.findChild<QWidget*>(QStringLiteral("Butt_stop"))->isVisible());
        QVERIFY(!form.findChild<QWidget*>(QStringLiteral("ProgressBar1"))->isVisible());
        QVERIFY(!form.findChild<QWidget*>(QStringLiteral("Label8"))->isVisible());
        QCOMPARE(form.BitBtn22->text(), QStringLiteral("Connect"));
        QCOMPARE(form.Edit_currentID->text(), QStringLiteral("01020304"));
        QCOMPARE(form.Edit1->text(), QStringLiteral("256"));
        QVERIFY(form.English1->isChecked());
        QVERIFY(!form.Italian1->isChecked());
        QCOMPARE(form.PageControl1->currentIndex(), 0);
    }

    void menusInTheirOrder()
    {
        WindowFixture f;
        TForm11& form = f.form();
        QStringList file, help;
        for (QAction* a : form.File1->actions())
            file << a->text().remove(QLatin1Char('&'));  // as shown: the mnemonic is underlined
        for (QAction* a : form.Help1->actions())
            help << a->text().remove(QLatin1Char('&'));
        QCOMPARE(file, (QStringList{"Open", "Save", "Import keys...", "Exit"}));
        QCOMPARE(help, (QStringList{"About", "User Manual"}));
    }

    // Fails when Alt+letter does not open its menu (English and Italian), or when an item has
    // no mnemonic or its caption as shown or read out changes.
    void menusOpenByTheirMnemonics_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("File") << int(Qt::Key_F) << QStringList{"Open", "Save", "Import keys...", "Exit"};
        QTest::newRow("Language") << int(Qt::Key_L) << QStringList{"English", "Italian"};
        QTest::newRow("Aiuto") << int(Qt::Key_A) << QStringList{"Info", "Manuale Utente"};
    }
    void menusOpenByTheirMnemonics()
    {
        QFETCH(int, key);
        QFETCH(QStringList, items);
        WindowFixture f;
        if (key == Qt::Key_A)
            f.form().Italian1->trigger();
        QTest::keyClick(&f.form(), Qt::Key(key), Qt::AltModifier);
        QMenu* opened = nullptr;
        QTRY_VERIFY((opened = qobject_cast<QMenu*>(QApplication::activePopupWidget())));
        for (int i = 0; i < items.size(); ++i) {
            const QString text = opened->actions()[i]->text();
            QVERIFY2(text.contains(QLatin1Char('&')), qPrintable(text));
            QCOMPARE(QString(text).remove(QLatin1Char('&')), items[i]);
            QCOMPARE(QAccessible::queryAccessibleInterface(opened)->child(i)->text(QAccessible::Name), items[i]);
        }
        opened->hide();
    }

    void logPanelIsReadOnlyAndFollowsTheLog()
    {
        WindowFixture f;
        TForm11& form = f.form();
        QVERIFY(form.Memo_current->isReadOnly());
        form.activityLog().append(QStringLiteral("one"));
        form.activityLog().append(QStringLiteral("two"));
        QTRY_COMPARE(form.Memo_current->toPlainText(), QStringLiteral("one\ntwo"));
        QTest::mouseClick(form.BitBtn5, Qt::LeftButton);
        QCOMPARE(form.activityLog().lineCount(), 0);
        QCOMPARE(form.Memo_current->toPlainText(), QString());
    }
};

QTEST_MAIN(WindowDesignTest)
#include "tst_window_design.moc"
