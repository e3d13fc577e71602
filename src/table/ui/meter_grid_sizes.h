#pragma once
// Column widths and row height of the meter grid for the font it uses. Rows
// are the design's 20 pixels scaled to the font. Columns go by what they
// show: the number and ID columns their design widths (36 and 81 pixels)
// scaled to the font and at least 8 hexadecimal digits for the ID; the
// medium column its longest name (the names of the medium tables and those
// in the grid), at least its design 65 pixels scaled; the key column 32
// hexadecimal digits, at least the design 203 pixels; the Notes column the
// rest of the grid's width, at least its design 108 pixels scaled. A grid
// too narrow for all of that takes the width from the Notes column first,
// down to its heading, then from the medium column, down to its design
// width scaled (a cut name ends in "…" and shows whole as its tooltip).
#include <QObject>
#include <QStringList>
#include <array>

#include "table/meter_table.h"

class QTableView;

using MeterColumnWidths = std::array<int, MeterTable::kColumns>;

// What each column asks for and the least it keeps when the grid is narrow.
struct MeterColumnNeeds {
    MeterColumnWidths wanted{};
    MeterColumnWidths least{};
};

// The needs of `grid`'s columns in its font: the medium column for the
// widest of `mediumNames` and `widestShown` (pixels, the widest medium in
// the grid).
MeterColumnNeeds MeterGridColumnNeeds(const QTableView* grid, const QStringList& mediumNames, int widestShown);

// Widths for a grid whose cells are `width` pixels wide.
MeterColumnWidths FitMeterColumns(const MeterColumnNeeds& needs, int width);

// Sets the header height and the row height of `grid` from its current font.
void ApplyMeterGridSizes(QTableView* grid);

// Keeps the columns of `grid` fitted as above while the grid is resized, its
// contents change or its font changes, until the user drags a column border:
// from then on the widths are the user's (a new font fits them again).
class MeterGridColumns : public QObject {
    Q_OBJECT
public:
    explicit MeterGridColumns(QTableView* grid);

    void setMediumNames(const QStringList& names);
    // Fits the columns now, unless the user sized them.
    void fit();
    bool userSized() const { return userSized_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableView* grid_;
    QWidget* viewport_;  // compared only: the grid may be half destroyed
    QStringList mediumNames_;
    int widestShown_ = 0;   // widest medium in the grid, pixels
    bool fitting_ = false;  // the widths being set are ours, not the user's
    bool userSized_ = false;
};
