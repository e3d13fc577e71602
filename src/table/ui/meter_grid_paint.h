#pragma once
// Drawing of the meter grid: every cell filled with its background and its
// text drawn at the cell's top-left corner, without inset. The header row is
// black on the button-face colour, a marked data row white on the highlight
// colour, every other data row black on white; the view's own highlight of
// the current row is never shown. A text wider than its cell ends in "…",
// and the cell shows the whole text as its tooltip.
#include <QHeaderView>
#include <QStyledItemDelegate>

class MeterCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};

class MeterHeaderView : public QHeaderView {
    Q_OBJECT
public:
    explicit MeterHeaderView(QWidget* parent = nullptr);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

// `text` as a cell `width` pixels wide shows it: whole when it fits,
// otherwise cut to end in "…".
QString ShownCellText(const QFontMetrics& metrics, const QString& text, int width);

// Fills `rect` with `background` and draws `text` in `foreground` from the
// rectangle's top-left corner, as ShownCellText() shows it.
void PaintMeterCell(QPainter* painter, const QRect& rect, const QString& text, const QColor& foreground,
                    const QColor& background);
