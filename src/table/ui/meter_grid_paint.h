#pragma once
// Drawing of the meter grid: every cell filled with its background and its
// text drawn at the cell's top-left corner, without inset. The header row is
// black on the button-face colour, a marked data row white on the highlight
// colour, every other data row black on white; the view's own highlight of
// the current row is never shown.
#include <QHeaderView>
#include <QStyledItemDelegate>

class MeterCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

class MeterHeaderView : public QHeaderView {
    Q_OBJECT
public:
    explicit MeterHeaderView(QWidget* parent = nullptr);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

// Fills `rect` with `background` and draws `text` in `foreground` from the
// rectangle's top-left corner, clipped to the rectangle.
void PaintMeterCell(QPainter* painter, const QRect& rect, const QString& text, const QColor& foreground,
                    const QColor& background);
