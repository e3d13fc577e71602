// Texts of the meter grid and the key dialog fit their controls at 8, 10 and
// 12 points, and a cell that still cuts its text says so.
#include <QApplication>
#include <QCheckBox>
#include <QHelpEvent>
#include <QLabel>
#include <QTest>
#include <QToolTip>

#include "table/meter_table.h"
#include "table/ui/enter_aes.h"
#include "table/ui/meter_grid.h"
#include "table/ui/meter_grid_paint.h"

class FontFitTest : public QObject {
    Q_OBJECT

    QFont original_;

    static void fontRows()
    {
        QTest::addColumn<int>("points");
        for (int pt : {8, 10, 12})
            QTest::newRow(qPrintable(QStringLiteral("%1 pt").arg(pt))) << pt;
    }
    static void useFont(int points)
    {
        QFont f = QApplication::font();
        f.setPointSize(points);
        QApplication::setFont(f);
    }

private slots:
    void initTestCase() { original_ = QApplication::font(); }
    void cleanup() { QApplication::setFont(original_); }

    // Fails with fixed design widths: a key loses its last digits, an ID its last.
    void gridColumnsHoldWholeKeysAndIds_data() { fontRows(); }
    void gridColumnsHoldWholeKeysAndIds()
    {
        QFETCH(int, points);
        useFont(points);
        MeterTable table;
        MeterGrid grid(table);
        const QFontMetrics fm(grid.font());
        QVERIFY(grid.columnWidth(MeterTable::ColKey) > fm.horizontalAdvance(QStringLiteral("00112233445566778899AABBCCDDEEFF")));
        QVERIFY(grid.columnWidth(MeterTable::ColSerial) > fm.horizontalAdvance(QStringLiteral("DDDDDDDD")));
        QVERIFY(grid.rowHeight(0) >= fm.height());
    }

    // Fails with the dialog's fixed 443 x 186 places: the note and the check
    // box caption are cut.
    void keyDialogShowsItsTextsWhole_data() { fontRows(); }
    void keyDialogShowsItsTextsWhole()
    {
        QFETCH(int, points);
        useFont(points);
        MeterTable table;
        TEnterAES dialog(table, nullptr);
        for (QLabel* label : dialog.findChildren<QLabel*>())
            QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(label->text()), qPrintable(label->text()));
        QVERIFY(dialog.allCheck()->width() >= dialog.allCheck()->sizeHint().width());
        for (QWidget* w : dialog.findChildren<QWidget*>())
            QVERIFY2(dialog.rect().contains(w->geometry()), qPrintable(w->objectName()));
    }

    // Fails when a cell is clipped without a sign or gives no tooltip.
    void cutCellEndsInEllipsisAndShowsItselfAsTooltip()
    {
        MeterTable table;
        table.replaceDataRows({{"1", "12345678", "H/C load meter in the basement", "", ""}});
        MeterGrid grid(table);
        grid.resize(600, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        const QString shown = ShownCellText(grid.fontMetrics(), table.cell(MeterTable::ColMedium, 1),
                                            grid.columnWidth(MeterTable::ColMedium));
        QVERIFY2(shown.endsWith(QChar(0x2026)) && shown.startsWith(QLatin1Char('H')), qPrintable(shown));
        const QRect cell = grid.visualRect(grid.model()->index(0, MeterTable::ColMedium));
        QHelpEvent help(QEvent::ToolTip, cell.center(), grid.viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(grid.viewport(), &help);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("H/C load meter in the basement"));
    }
};

QTEST_MAIN(FontFitTest)
#include "tst_font_fit.moc"
