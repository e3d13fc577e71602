#include "table/ui/meter_grid_sizes.h"

#include <QEvent>
#include <QHeaderView>
#include <QSet>
#include <QTableView>
#include <algorithm>

#include "widgets/font_units.h"

namespace {

constexpr int kRowHeight = 20;
constexpr int kColumnWidths[MeterTable::kColumns] = {36, 81, 65, 203, 108};
constexpr int kIdChars = 8;
constexpr int kKeyChars = 32;
// Text is drawn from the cell's left edge; one pixel more keeps the last
// character clear of the grid line.
constexpr int kGridLine = 2;

// The widest medium of the grid's model, each different text measured once.
int WidestMediumShown(const QTableView* grid)
{
    const QAbstractItemModel* model = grid->model();
    QSet<QString> media;
    for (int r = 0; model && r < model->rowCount(); ++r)
        media.insert(model->index(r, MeterTable::ColMedium).data().toString());
    const QFontMetrics metrics = grid->fontMetrics();
    int widest = 0;
    for (const QString& medium : media)
        widest = std::max(widest, TextWidth(metrics, medium));
    return widest;
}

}  // namespace

MeterColumnNeeds MeterGridColumnNeeds(const QTableView* grid, const QStringList& mediumNames, int widestShown)
{
    const QFont font = grid->font();
    const QFontMetrics metrics(font);
    int widestMedium = widestShown;
    for (const QString& name : mediumNames)
        widestMedium = std::max(widestMedium, TextWidth(metrics, name));
    MeterColumnNeeds needs;
    for (int c = 0; c < MeterTable::kColumns; ++c)
        needs.wanted[c] = FontScaled(font, kColumnWidths[c]);
    needs.wanted[MeterTable::ColSerial] = std::max(needs.wanted[MeterTable::ColSerial],
                                                   HexDigitsWidth(metrics, kIdChars) + kGridLine);
    needs.wanted[MeterTable::ColKey] = std::max(kColumnWidths[MeterTable::ColKey],
                                                HexDigitsWidth(metrics, kKeyChars) + kGridLine);
    // The design widths in font units are the least, but for Notes: its
    // heading is enough when the grid is narrow.
    needs.least = needs.wanted;
    needs.wanted[MeterTable::ColMedium] = std::max(needs.wanted[MeterTable::ColMedium], widestMedium + kGridLine);
    const QString notes = grid->model() ? grid->model()->headerData(MeterTable::ColNotes, Qt::Horizontal).toString()
                                        : QString();
    needs.least[MeterTable::ColNotes] = TextWidth(metrics, notes) + kGridLine;
    return needs;
}

MeterColumnWidths FitMeterColumns(const MeterColumnNeeds& needs, int width)
{
    MeterColumnWidths widths = needs.wanted;
    int total = 0;
    for (const int w : widths)
        total += w;
    if (total <= width) {
        widths[MeterTable::ColNotes] += width - total;
        return widths;
    }
    for (const int c : {int(MeterTable::ColNotes), int(MeterTable::ColMedium)}) {
        const int given = std::min(total - width, widths[c] - needs.least[c]);
        widths[c] -= given;
        total -= given;
    }
    return widths;
}

void ApplyMeterGridSizes(QTableView* grid)
{
    const QFont font = grid->font();
    const int rowHeight = std::max(FontScaled(font, kRowHeight), QFontMetrics(font).height() + 2);
    grid->horizontalHeader()->setFixedHeight(rowHeight);
    grid->verticalHeader()->setDefaultSectionSize(rowHeight);
}

MeterGridColumns::MeterGridColumns(QTableView* grid) : QObject(grid), grid_(grid), viewport_(grid->viewport())
{
    grid->installEventFilter(this);
    grid->viewport()->installEventFilter(this);
    connect(grid->horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
        if (!fitting_)
            userSized_ = true;
    });
    // A new table is looked through once; a written cell only widens, so
    // that a long table costs nothing per cell.
    const QAbstractItemModel* model = grid->model();
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        widestShown_ = WidestMediumShown(grid_);
        fit();
    });
    connect(model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& from, const QModelIndex& to) {
        const QFontMetrics metrics = grid_->fontMetrics();
        for (int r = from.row(); r <= to.row(); ++r) {
            const QString medium = from.sibling(r, MeterTable::ColMedium).data().toString();
            widestShown_ = std::max(widestShown_, TextWidth(metrics, medium));
        }
        fit();
    });
    widestShown_ = WidestMediumShown(grid_);
    fit();
}

void MeterGridColumns::setMediumNames(const QStringList& names)
{
    mediumNames_ = names;
    fit();
}

void MeterGridColumns::fit()
{
    if (userSized_)
        return;
    const MeterColumnWidths widths = FitMeterColumns(MeterGridColumnNeeds(grid_, mediumNames_, widestShown_),
                                                     grid_->viewport()->width());
    fitting_ = true;
    for (int c = 0; c < MeterTable::kColumns; ++c)
        grid_->horizontalHeader()->resizeSection(c, widths[c]);
    fitting_ = false;
}

bool MeterGridColumns::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == viewport_ && event->type() == QEvent::Resize) {
        fit();
    } else if (watched == grid_ && event->type() == QEvent::FontChange) {
        // A new font replaces the widths the user dragged.
        userSized_ = false;
        widestShown_ = WidestMediumShown(grid_);
        fit();
    }
    return QObject::eventFilter(watched, event);
}
