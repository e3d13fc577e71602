#include "app/ui/controls_scroll_area.h"

#include <QEvent>

ControlsScrollArea::ControlsScrollArea(QWidget* controls, QWidget* parent) : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setWidget(controls);
    // A change of the controls' sizes changes what this area asks for.
    controls->installEventFilter(this);
}

void ControlsScrollArea::setMinimumLimit(const QSize& limit)
{
    limit_ = limit;
    updateGeometry();
}

QSize ControlsScrollArea::minimumSizeHint() const
{
    const QSize wanted = widget()->minimumSizeHint().expandedTo(widget()->minimumSize());
    return wanted.boundedTo(limit_);
}

bool ControlsScrollArea::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == widget() && event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return QScrollArea::eventFilter(watched, event);
}
