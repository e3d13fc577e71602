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

QPixmap GlyphPixmap(Glyph glyph, int size, int ratio)
{
    QPixmap pm(size * ratio, size * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // The shapes are laid out on an 18-pixel square.
    p.scale(double(size) / kGlyphDesignSize, double(size) / kGlyphDesignSize);
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
    return pm;
}

}  // namespace

QIcon GlyphIcon(Glyph glyph, int size)
{
    // Drawn once for plain screens and once at twice the pixels for scaled
    // ones; the icon picks the closer one, so a scaled screen gets no blur.
    QIcon icon;
    for (const int ratio : {1, 2})
        icon.addPixmap(GlyphPixmap(glyph, size, ratio));
    return icon;
}
