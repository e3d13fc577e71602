#include "app/ui/glyph_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

void drawKey(QPainter& p, const QColor& c)
{
    p.setPen(QPen(c, 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(5.5, 8.5), 3.2, 3.2);
    p.drawLine(QPointF(8.7, 8.5), QPointF(15, 8.5));
    p.drawLine(QPointF(13, 8.5), QPointF(13, 11.5));
    p.drawLine(QPointF(11, 8.5), QPointF(11, 10.5));
}

void drawArrow(QPainter& p, const QColor& c, bool down)
{
    QPainterPath path;
    if (down) {
        path.moveTo(12, 11);
        path.lineTo(16, 11);
        path.lineTo(14, 15);
    } else {
        path.moveTo(12, 15);
        path.lineTo(16, 15);
        path.lineTo(14, 11);
    }
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(path);
}

}  // namespace

QIcon GlyphIcon(Glyph glyph)
{
    QPixmap pm(18, 18);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor green(0, 128, 0), red(192, 0, 0), blue(0, 64, 160), gold(170, 120, 0);
    switch (glyph) {
    case Glyph::Add:
        p.setPen(QPen(green, 3));
        p.drawLine(9, 3, 9, 15);
        p.drawLine(3, 9, 15, 9);
        break;
    case Glyph::Delete:
        p.setPen(QPen(red, 3));
        p.drawLine(4, 4, 14, 14);
        p.drawLine(14, 4, 4, 14);
        break;
    case Glyph::KeyIn:
        drawKey(p, gold);
        drawArrow(p, green, true);
        break;
    case Glyph::KeyOut:
        drawKey(p, gold);
        drawArrow(p, blue, false);
        break;
    case Glyph::Flag:
        p.setPen(QPen(Qt::black, 1.5));
        p.drawLine(4, 2, 4, 16);
        p.setPen(Qt::NoPen);
        p.setBrush(red);
        p.drawRect(QRectF(4.5, 2.5, 10, 6));
        break;
    }
    p.end();
    return QIcon(pm);
}
