// Named texts fit their controls at 8, 10 and 12 points; a cut cell says so.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <QToolTip>

#include "table/meter_table.h"
#include "table/ui/enter_aes.h"
#include "table/ui/meter_grid.h"
#include "table/ui/meter_grid_paint.h"
#include "table/ui/meter_grid_sizes.h"
#include "widgets/font_units.h"
#include <QHeaderView>
#include <QLineEdit>

Q_DECLARE_METATYPE(MeterColumnWidths)

class FontFitTest : public QObject {
    Q_OBJECT
    QFont original_ = QApplication::font();

private slots:
    // Fails with the fixed design sizes: a key loses its last digits, the
    // key dialog's note and check box caption are cut; or when a small font
    // narrows the key column below its design width.
    void namedTextsFitTheirControls_data()
    {
        QTest::addColumn<int>("points");
        QTest::newRow("5 pt") << 5;
        QTest::newRow("8 pt") << 8;
        QTest::newRow("10 pt") << 10;
        QTest::newRow("12 pt") << 12;
    }
    void namedTextsFitTheirControls()
    {
        QFETCH(int, points);
        QApplication::setFont(QFont(original_.family(), points));
        MeterTable table;
        MeterGrid grid(table);
        QVERIFY(grid.columnWidth(MeterTable::ColKey)
                > grid.fontMetrics().horizontalAdvance("00112233445566778899AABBCCDDEEFF"));
        QVERIFY(grid.columnWidth(1) > grid.fontMetrics().horizontalAdvance("DDDDDDDD")
                && grid.rowHeight(0) >= grid.fontMetrics().height());
        QVERIFY(grid.columnWidth(MeterTable::ColKey) >= 203);  // the design width, however small the font
        TEnterAES dialog(table, nullptr);
        for (QLabel* label : dialog.findChildren<QLabel*>())
            QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(label->text()),
                     qPrintable(label->text()));
        QVERIFY(dialog.allCheck()->width() >= dialog.allCheck()->sizeHint().width());
        // The key text grows with the font like the rest of the dialog.
        QCOMPARE(dialog.keyField()->font().pixelSize(), FontScaled(dialog.font(), 16));
        QApplication::setFont(original_);
    }
    // Fails when a cell is clipped without a sign or gives no tooltip.
    void cutCellEndsInEllipsisWithTooltip()
    {
        MeterTable table;
        table.replaceDataRows({{"1", "12345678", "H/C load meter in the basement", "", ""}});
        MeterGrid grid(table);
        grid.resize(600, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QVERIFY(ShownCellText(grid.fontMetrics(), table.cell(2, 1), grid.columnWidth(2)).endsWith(QChar(0x2026)));
        const QRect cell = grid.visualRect(grid.model()->index(0, MeterTable::ColMedium));
        QHelpEvent help(QEvent::ToolTip, cell.center(), grid.viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(grid.viewport(), &help);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("H/C load meter in the basement"));
    }

    // Fails when the Notes column does not take the rest of a wide grid, or when a narrow
    // grid takes width from the medium column before the Notes column, or below the least.
    void narrowGridGivesNotesFirstThenMedium_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<MeterColumnWidths>("widths");  // wanted: 30, 80, 120, 250, 100
        QTest::newRow("room to spare") << 1000 << MeterColumnWidths{30, 80, 120, 250, 520};
        QTest::newRow("notes give way") << 560 << MeterColumnWidths{30, 80, 120, 250, 80};
        QTest::newRow("then the medium") << 470 << MeterColumnWidths{30, 80, 70, 250, 40};
        QTest::newRow("both at their least") << 300 << MeterColumnWidths{30, 80, 60, 250, 40};
    }
    void narrowGridGivesNotesFirstThenMedium()
    {
        QFETCH(int, width);
        QFETCH(MeterColumnWidths, widths);
        QVERIFY(FitMeterColumns({{30, 80, 120, 250, 100}, {30, 80, 60, 250, 40}}, width) == widths);
    }
    // Fails when a long medium written into the table stays cut in a grid with room, when
    // a narrow grid cuts the Notes heading, when a resize replaces a width the user dragged,
    // or when a new font keeps it or cuts the medium measured in the old font.
    void gridColumnsFollowTheTableUntilDragged()
    {
        MeterTable table;
        MeterGrid grid(table);
        const auto shown = [&grid](int column, const QString& text) {
            return ShownCellText(grid.fontMetrics(), text, grid.columnWidth(column) - 1);
        };
        grid.resize(900, 300);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        const QString medium = QStringLiteral("Heat Cost Allocator, remote");
        table.setCell(MeterTable::ColMedium, 1, medium);
        QCOMPARE(shown(MeterTable::ColMedium, medium), medium);
        grid.resize(300, 300);
        QTRY_COMPARE(shown(MeterTable::ColNotes, "Notes "), QStringLiteral("Notes "));
        grid.horizontalHeader()->resizeSection(MeterTable::ColNotes, 250);  // as a drag does
        grid.resize(1300, 300);
        QTRY_VERIFY(grid.viewport()->width() > 1200);
        QCOMPARE(grid.columnWidth(MeterTable::ColNotes), 250);
        grid.setFont(QFont(grid.font().family(), 14));
        QVERIFY(grid.columnWidth(MeterTable::ColNotes) != 250);
        QCOMPARE(shown(MeterTable::ColMedium, medium), medium);
    }
};

QTEST_MAIN(FontFitTest)
#include "tst_font_fit.moc"
