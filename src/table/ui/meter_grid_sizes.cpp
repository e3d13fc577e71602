#include "table/ui/meter_grid_sizes.h"

#include <QHeaderView>
#include <QTableView>
#include <algorithm>

#include "table/meter_table.h"
#include "table/ui/font_units.h"

namespace {

constexpr int kRowHeight = 20;
constexpr int kColumnWidths[MeterTable::kColumns] = {36, 81, 65, 203, 108};
constexpr int kIdChars = 8;
constexpr int kKeyChars = 32;

}  // namespace

void ApplyMeterGridSizes(QTableView* grid)
{
    const QFont font = grid->font();
    const QFontMetrics metrics(font);
    // Text is drawn from the cell's left edge; one pixel more keeps the last
    // digit clear of the grid line.
    const int gridLine = 2;
    int widths[MeterTable::kColumns];
    for (int c = 0; c < MeterTable::kColumns; ++c)
        widths[c] = FontScaled(font, kColumnWidths[c]);
    widths[MeterTable::ColSerial] = std::max(widths[MeterTable::ColSerial], HexDigitsWidth(metrics, kIdChars) + gridLine);
    widths[MeterTable::ColKey] = std::max(widths[MeterTable::ColKey], HexDigitsWidth(metrics, kKeyChars) + gridLine);

    QHeaderView* header = grid->horizontalHeader();
    for (int c = 0; c < MeterTable::kColumns; ++c)
        header->resizeSection(c, widths[c]);
    const int rowHeight = std::max(FontScaled(font, kRowHeight), metrics.height() + 2);
    header->setFixedHeight(rowHeight);
    grid->verticalHeader()->setDefaultSectionSize(rowHeight);
}
