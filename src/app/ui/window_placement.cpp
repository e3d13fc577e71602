#include "app/ui/window_placement.h"

#include "app/ui/controls_scroll_area.h"
#include "app/ui/main_window.h"

#include <QLayout>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>
#include <algorithm>

QRect FitAndCentre(const QSize& wanted, const QSize& minimum, const QMargins& frame, const QRect& available)
{
    const int frameWidth = frame.left() + frame.right();
    const int frameHeight = frame.top() + frame.bottom();
    const int width = std::max(minimum.width(), std::min(wanted.width(), available.width() - frameWidth));
    const int height = std::max(minimum.height(), std::min(wanted.height(), available.height() - frameHeight));
    QRect outer(0, 0, width + frameWidth, height + frameHeight);
    outer.moveCenter(available.center());
    // A window larger than the area keeps its title bar and left edge on it.
    outer.moveLeft(std::max(outer.left(), available.left()));
    outer.moveTop(std::max(outer.top(), available.top()));
    return outer.marginsRemoved(frame);
}

void TForm11::placeOnScreen(int attempt)
{
    const QScreen* where = screen();
    if (!where)
        return;
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    // A window manager tells the frame only after the window is mapped:
    // look again a few times and place the window once more with its frame.
    constexpr int kFrameChecks = 5;
    if (frame.isNull() && attempt < kFrameChecks)
        QTimer::singleShot(100, this, [this, attempt] { placeOnScreen(attempt + 1); });
    if (attempt > 0 && frame.isNull())
        return;
    const QRect area = where->availableGeometry();
    QRect inner = FitAndCentre(size(), minimumSizeHint().expandedTo(minimumSize()), frame, area);
    const int lost = height() - inner.height();
    if (lost > 0) {
        // The log panel gives up the height the screen lacks, down to its
        // minimum; only the rest comes out of the tab area.
        const int logSlack = std::max(0, Memo_current->height() - Memo_current->minimumSizeHint().height());
        const int keep = PageControl1->height() - std::max(0, lost - logSlack);
        PageControl1->setMinimumHeight(std::max(PageControl1->minimumSizeHint().height(), keep));
    }
    // A screen smaller than the window's minimum: the controls scroll.
    fitControlsTo(area.size().shrunkBy(frame));
    inner = FitAndCentre(size(), minimumSizeHint().expandedTo(minimumSize()), frame, area);
    resize(inner.size());
    move(inner.topLeft() - QPoint(frame.left(), frame.top()));
}

void TForm11::fitControlsTo(const QSize& room)
{
    const QSize unlimited(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    ScrollBox_controls->setMinimumLimit(unlimited);
    refreshMinimumSize();
    const QSize need = minimumSizeHint().expandedTo(minimumSize());
    const QSize own = ScrollBox_controls->minimumSizeHint();
    // The controls give up what the window lacks; the log and the status
    // bar keep their minimum.
    QSize limit = unlimited;
    if (need.width() > room.width())
        limit.setWidth(own.width() - (need.width() - room.width()));
    if (need.height() > room.height())
        limit.setHeight(own.height() - (need.height() - room.height()));
    ScrollBox_controls->setMinimumLimit(limit);
    refreshMinimumSize();
}

void TForm11::refreshMinimumSize()
{
    // The window's layout keeps the sizes it last asked its children for and
    // sets the window's minimum from them: make it ask again now rather than
    // at the next layout pass.
    centralWidget()->updateGeometry();
    layout()->activate();
}
