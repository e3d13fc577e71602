#include "table/ui/meter_grid_paint.h"

#include <QPainter>

#include "table/ui/meter_grid_model.h"

void PaintMeterCell(QPainter* painter, const QRect& rect, const QString& text, const QColor& foreground,
                    const QColor& background)
{
    painter->save();
    painter->setClipRect(rect);
    painter->fillRect(rect, background);
    painter->setPen(foreground);
    painter->drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter->restore();
}

void MeterCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const bool marked = index.data(MeterGridModel::MarkedRole).toBool();
    const QColor fg = marked ? QColor(Qt::white) : QColor(Qt::black);
    const QColor bg = marked ? option.palette.color(QPalette::Active, QPalette::Highlight) : QColor(Qt::white);
    painter->setFont(option.font);
    PaintMeterCell(painter, option.rect, index.data(Qt::DisplayRole).toString(), fg, bg);
}

QSize MeterCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // Rows have a fixed height; only the width of the text matters.
    return {option.fontMetrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()), 20};
}

MeterHeaderView::MeterHeaderView(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

void MeterHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    const QString text = model() ? model()->headerData(logicalIndex, Qt::Horizontal).toString() : QString();
    painter->setFont(font());
    PaintMeterCell(painter, rect, text, Qt::black, palette().color(QPalette::Active, QPalette::Button));
    // The cell border, like the grid lines of the data rows.
    painter->save();
    painter->setPen(palette().color(QPalette::Mid));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->restore();
}
