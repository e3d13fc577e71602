#pragma once
// Column widths and row height of the meter grid for the font it uses: the
// design widths (36, 81, 65, 203, 108 pixels, rows 20 pixels high) scaled to
// the font, and at least wide enough for 8 hexadecimal digits in the ID
// column and 32 in the key column.
class QTableView;

// Sets the initial column widths, the header height and the row height of
// `grid` from its current font. Widths the user dragged are replaced.
void ApplyMeterGridSizes(QTableView* grid);
