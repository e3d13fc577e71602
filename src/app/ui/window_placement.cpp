#include "app/ui/window_placement.h"

#include "app/ui/main_window.h"

#include <QScreen>
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

void TForm11::placeOnScreen()
{
    const QScreen* where = screen();
    if (!where)
        return;
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QRect inner = FitAndCentre(size(), minimumSizeHint().expandedTo(minimumSize()), frame,
                                     where->availableGeometry());
    resize(inner.size());
    move(inner.topLeft() - QPoint(frame.left(), frame.top()));
}
