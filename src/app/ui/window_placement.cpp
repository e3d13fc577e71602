#include "app/ui/window_placement.h"

#include "app/ui/main_window.h"

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
    const QRect inner = FitAndCentre(size(), minimumSizeHint().expandedTo(minimumSize()), frame,
                                     where->availableGeometry());
    const int lost = height() - inner.height();
    if (lost > 0) {
        // The log panel gives up the height the screen lacks, down to its
        // minimum; only the rest comes out of the tab area.
        const int logSlack = std::max(0, Memo_current->height() - Memo_current->minimumSizeHint().height());
        const int keep = PageControl1->height() - std::max(0, lost - logSlack);
        PageControl1->setMinimumHeight(std::max(PageControl1->minimumSizeHint().height(), keep));
        if (minimumSizeHint().height() > inner.height())
            PageControl1->setMinimumHeight(0);
    }
    resize(inner.size());
    move(inner.topLeft() - QPoint(frame.left(), frame.top()));
}
