// The main window as built: caption, size, every named control of the design,
// labels as buddies, the glyph buttons' tooltips and accessible names, the
// timers stopped at start and the working state's initial values.
#include "app/language_texts.h"
#include "app/ui/glyph_icons.h"
#include "app/ui/log_panel.h"
#include "e2e/support/window_fixture.h"
#include "protocol/medium.h"
#include "table/ui/font_units.h"
#include "table/ui/meter_grid.h"
#include "table/ui/meter_grid_paint.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QImage>
#include <QToolButton>
#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QApplication>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

namespace {

// The application font for one test row, restored however the row ends.
struct FontForRow {
    explicit FontForRow(int points) { QApplication::setFont(QFont(original.family(), points)); }
    ~FontForRow() { QApplication::setFont(original); }
    const QFont original = QApplication::font();
};

QScreen* ScreenNamed(const QString& name)
{
    for (QScreen* s : QGuiApplication::screens())
        if (s->name() == name)
            return s;
    return nullptr;
}

// Shows `form` on `where` as the program does and waits until it is placed.
bool ShowOn(TForm11& form, QScreen* where)
{
    form.setScreen(where);
    form.move(where->geometry().topLeft());
    form.show();
    return QTest::qWaitForWindowExposed(&form);
}

// What a menu text shows: its mnemonic marks ("&") are drawn as underlines.
QString Caption(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// The language table's text for a named menu or item; empty when it has none.
QString TableText(const QString& name, int language)
{
    for (const LanguageText& entry : LanguageTextTable())
        if (entry.objectName && name == QLatin1String(entry.objectName))
            return entry.text(language);
    return {};
}

// Rows of `image` with anything drawn in them.
int InkHeight(const QImage& image)
{
    int rows = 0;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x)
            ink = qAlpha(image.pixel(x, y)) > 0;
        rows += ink ? 1 : 0;
    }
    return rows;
}

// `w`'s rectangle in `form`'s coordinates.
QRect InForm(const QWidget* w, const TForm11& form)
{
    return QRect(w->mapTo(&form, QPoint()), w->size());
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
    // keeps 18-pixel glyphs with a larger font;
    // and, on screens smaller than its minimum (125 % and 150 % laptops), when it reaches
    // below the edge, hides the log's last lines or the status bar, or does not scroll.
    void windowOpensCentredInsideTheScreen_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("scrolls");   // the screen is smaller than the window's minimum
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
        const FontForRow font(points);
        QScreen* wide = ScreenNamed(QStringLiteral("1-wide"));
        QScreen* where = ScreenNamed(screen);
        QVERIFY2(wide && where, "screen missing from offscreen_screens.json");
        TForm11 reference;
        QVERIFY(ShowOn(reference, wide));
        TForm11 form;
        QVERIFY(ShowOn(form, where));
        QVERIFY(where->availableGeometry().contains(form.frameGeometry()));
        QVERIFY((form.frameGeometry().center() - where->availableGeometry().center()).manhattanLength() <= 2);
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
        // The log's last two lines and the status bar are in the window.
        for (int i = 0; i < 10; ++i)
            form.activityLog().append(QStringLiteral("line %1").arg(i));
        form.Memo_current->flushLines();
        QApplication::processEvents();
        QVERIFY(form.rect().contains(InForm(form.Memo_current, form)));
        QVERIFY(form.Memo_current->verticalScrollBar()->pageStep() >= 2);
        QVERIFY(form.rect().contains(InForm(form.statusBar(), form)));
        // The glyph buttons grow with the font, sharp on scaled screens.
        const int glyph = FontScaled(form.BitBtn42->font(), 18);
        QCOMPARE(form.BitBtn42->iconSize(), QSize(glyph, glyph));
        QVERIFY(form.BitBtn42->icon().availableSizes().contains(QSize(2 * glyph, 2 * glyph)));
        const QString port = QStringLiteral("/dev/serial/by-id/usb-0403_6001-if00-port0 - 9600,8,Even");
        form.StatusPanel0->setText(port);
        QApplication::processEvents();
        QVERIFY(form.StatusPanel0->width() >= form.StatusPanel0->fontMetrics().horizontalAdvance(port));
    }

    // Fails when a medium name (of the code table, or a long one loaded) is cut while the key
    // column has room to spare, when the key column is cut or wider than 32 digits, or when
    // the Notes column leaves a gap or needs a horizontal scroll bar, at the window's design
    // width with the vertical scroll bar shown.
    void meterColumnsShowWhatMatters_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("loaded");   // a medium of the table besides "Water"
        QTest::newRow("code table names, 8 pt") << 8 << "Water";
        QTest::newRow("a long name loaded, 9 pt") << 9 << "Heat Cost Allocator";
    }
    void meterColumnsShowWhatMatters()
    {
        QFETCH(int, points);
        QFETCH(QString, loaded);
        const FontForRow font(points);
        TForm11 form;
        QVERIFY(ShowOn(form, ScreenNamed(QStringLiteral("1-wide"))));
        std::vector<MeterTable::Row> rows;
        for (int i = 0; i < 30; ++i)
            rows.push_back({QString::number(i + 1), "12345678", i % 2 ? loaded : "Water", "", "10000"});
        form.meterTable().replaceDataRows(std::move(rows));
        QApplication::processEvents();
        QStringList media{loaded};   // and every name of the medium code table
        for (int code = 0; code < 256; ++code)
            media << MediumNameFromCode(std::uint8_t(code));
        MeterGrid* grid = form.StringGrid1;
        QVERIFY(grid->verticalScrollBar()->isVisible());
        QCOMPARE(grid->horizontalScrollBar()->maximum(), 0);
        const QFontMetrics metrics = grid->fontMetrics();
        const int mediumWidth = grid->visualRect(grid->model()->index(0, MeterTable::ColMedium)).width();
        for (const QString& medium : media)
            QCOMPARE(ShownCellText(metrics, medium, mediumWidth), medium);
        const int keyWidth = grid->visualRect(grid->model()->index(0, MeterTable::ColKey)).width();
        for (const QChar digit : QStringLiteral("0123456789ABCDEF"))
            QCOMPARE(ShownCellText(metrics, QString(32, digit), keyWidth), QString(32, digit));
        QVERIFY(grid->columnWidth(MeterTable::ColKey) <= std::max(203, HexDigitsWidth(metrics, 32) + 2));
        QCOMPARE(grid->columnViewportPosition(MeterTable::ColNotes) + grid->columnWidth(MeterTable::ColNotes),
                 grid->viewport()->width());
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

    // Fails when a glyph is drawn at its 18-pixel design size inside a larger icon.
    void glyphsAreDrawnToTheirSize()
    {
        const int size = 4 * kGlyphDesignSize;
        QVERIFY(InkHeight(GlyphIcon(Glyph::Add, size).pixmap(size).toImage()) >= size * 3 / 4);
    }

    void everyNamedControlExists_data()
    {
        QTest::addColumn<QString>("name");
        const char* names[] = {
            "Combo_comName", "Combo_speed", "Combo_parity", "Combo_dataBits", "Check_rts", "BitBtn22",
            "Edit_retry", "UD_retry_read", "Edit_export_separator", "Edit_timeout", "UD_timeout", "Label8",
            "Edit_currentID", "Edit_ZELK_ID", "Button6", "BitBtn51", "BitBtn52", "BitBtn53",
            "Combo_wirelessMode", "Button8", "Edit1", "Check_onClock", "BitBtn24", "BitBtn23",
            "PageControl1", "Edit_IDnano", "BitBtn42", "BitBtn43", "Check_deleteAll", "Edit_aesKey",
            "Butt_setAES", "Butt_readAES", "Combo_medium", "BitBtn19", "Check_nanoFlag", "Combo_qorFlags",
            "BitBtn44", "Butt_stop", "ProgressBar1", "StringGrid1", "Butt_load_data", "Butt_save_data",
            "Butt_clear_grid", "Memo_current", "BitBtn7", "BitBtn6", "BitBtn5", "StatusBar1"};
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
        QTest::newRow("add") << "BitBtn42" << "Add meter ID";
        QTest::newRow("delete") << "BitBtn43" << "Delete meter ID";
        QTest::newRow("set key") << "Butt_setAES" << "Set AES key";
        QTest::newRow("read key") << "Butt_readAES" << "Read AES key";
        QTest::newRow("flag") << "BitBtn44" << "Set or clear flag";
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
        QTest::newRow("medium") << "BitBtn19" << "Set medium";
        QTest::newRow("status") << "BitBtn53" << "Read status";
        QTest::newRow("clock") << "BitBtn24" << "Set clock adjustment";
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
        QTest::newRow("zelk id") << "Edit_currentID" << "Current RF-ZELK ID";
        QTest::newRow("meter id") << "Edit_IDnano" << "Enter ID to add/delete";
        QTest::newRow("key") << "Edit_aesKey"
                             << "Set/Read 16-byte AES-128 key (32 symbols from 0 to F, no spaces)";
        QTest::newRow("medium") << "Combo_medium" << "Set new Medium for this ID";
        QTest::newRow("new id") << "Edit_ZELK_ID" << "Enter new DUV-ZELK  ID ";
        QTest::newRow("clock") << "Edit1" << "Clock adjust (0-511)";
        QTest::newRow("mode") << "Combo_wirelessMode" << "Wireless m-bus mode";
        QTest::newRow("retry") << "Edit_retry" << "Retry times:";
        QTest::newRow("separator") << "Edit_export_separator" << "Import/Export separator:";
        QTest::newRow("port") << "Combo_comName" << "COM name";
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
            file << Caption(a->text());
        for (QAction* a : form.Help1->actions())
            help << Caption(a->text());
        QCOMPARE(file, (QStringList{"Open", "Save", "Exit"}));
        QCOMPARE(help, (QStringList{"About", "User Manual"}));
    }

    // Fails when Alt+letter does not open its menu in either language, or when a mnemonic
    // changes the caption shown or the name read out for a menu or one of its items.
    void menusOpenByTheirMnemonics_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("menu");
        QTest::newRow("File") << kLanguageEnglish << int(Qt::Key_F) << "File1";
        QTest::newRow("Language") << kLanguageEnglish << int(Qt::Key_L) << "Language1";
        QTest::newRow("Help") << kLanguageEnglish << int(Qt::Key_H) << "Help1";
        QTest::newRow("File, Italian") << kLanguageItalian << int(Qt::Key_F) << "File1";
        QTest::newRow("Aiuto") << kLanguageItalian << int(Qt::Key_A) << "Help1";
    }
    void menusOpenByTheirMnemonics()
    {
        QFETCH(int, language);
        QFETCH(int, key);
        QFETCH(QString, menu);
        WindowFixture f;
        if (language == kLanguageItalian)
            f.form().Italian1->trigger();
        QTest::keyClick(&f.form(), Qt::Key(key), Qt::AltModifier);
        auto* opened = f.form().findChild<QMenu*>(menu);
        QTRY_VERIFY(opened->isVisible());
        QList<QAction*> entries = opened->actions();
        entries.prepend(opened->menuAction());
        QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(f.form().menuBar());
        QAccessibleInterface* items = QAccessible::queryAccessibleInterface(opened);
        for (int i = 0; i < entries.size(); ++i) {
            const QString text = i == 0 ? Caption(opened->title()) : Caption(entries[i]->text());
            const QString table = TableText(entries[i]->objectName().isEmpty() ? menu : entries[i]->objectName(), language);
            QVERIFY2(entries[i]->text().contains(QLatin1Char('&')), qPrintable(text));
            if (!table.isEmpty())
                QCOMPARE(text, table);
            QAccessibleInterface* read = i == 0 ? bar->child(int(f.form().menuBar()->actions().indexOf(entries[0])))
                                                : items->child(i - 1);
            QCOMPARE(read->text(QAccessible::Name), text);
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
