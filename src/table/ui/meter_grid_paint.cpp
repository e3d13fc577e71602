#include "table/ui/meter_grid_paint.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include "table/ui/meter_grid_model.h"

QString ShownCellText(const QFontMetrics& metrics, const QString& text, int width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    return metrics.elidedText(text, Qt::ElideRight, width);
}

void PaintMeterCell(QPainter* painter, const QRect& rect, const QString& text, const QColor& foreground,
                    const QColor& background)
{
    painter->save();
    painter->setClipRect(rect);
    painter->fillRect(rect, background);
    painter->setPen(foreground);
    painter->drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      ShownCellText(painter->fontMetrics(), text, rect.width()));
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

bool MeterCellDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                  const QModelIndex& index)
{
    if (!event || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    // Only a cut text needs its whole self as tooltip.
    const QString text = index.data(Qt::DisplayRole).toString();
    if (ShownCellText(option.fontMetrics, text, option.rect.width()) == text) {
        QToolTip::hideText();
        event->ignore();
        return false;
    }
    QToolTip::showText(event->globalPos(), text, view, option.rect);
    return true;
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
