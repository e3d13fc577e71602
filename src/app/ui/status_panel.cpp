#include "app/ui/status_panel.h"

#include "widgets/font_units.h"

#include <QPainter>
#include <QStyle>
#include <algorithm>

StatusPanel::StatusPanel(int designWidth, QWidget* parent) : QLabel(parent), designWidth_(designWidth)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QSize StatusPanel::minimumSizeHint() const
{
    return {FontScaled(font(), designWidth_), QLabel::minimumSizeHint().height()};
}

QSize StatusPanel::sizeHint() const
{
    const int margins = contentsMargins().left() + contentsMargins().right() + 2 * margin();
    const int needed = TextWidth(fontMetrics(), text()) + margins;
    return {std::max(minimumSizeHint().width(), needed), QLabel::sizeHint().height()};
}

void StatusPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
    style()->drawItemText(&painter, area, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), shown,
                          foregroundRole());
}
