#include "widgets/font_units.h"

#include <QtMath>
#include <algorithm>

namespace {

constexpr double kDesignAverageCharWidth = 5.5;
constexpr double kDesignLineHeight = 13.0;

}  // namespace

double FontScale(const QFont& font)
{
    const QFontMetricsF metrics(font);
    const double byWidth = metrics.averageCharWidth() / kDesignAverageCharWidth;
    const double byHeight = metrics.height() / kDesignLineHeight;
    return std::max({1.0, byWidth, byHeight});
}

int FontScaled(const QFont& font, int designPx)
{
    return qRound(designPx * FontScale(font));
}

int HexDigitsWidth(const QFontMetrics& metrics, int count)
{
    // Measured as whole strings: the advance of one character is rounded,
    // and `count` rounded advances can fall short of the text by several
    // pixels.
    int widest = 0;
    for (const QChar c : QStringLiteral("0123456789ABCDEF"))
        widest = std::max(widest, metrics.horizontalAdvance(QString(count, c)));
    return widest;
}

int TextWidth(const QFontMetrics& metrics, const QString& text)
{
    // The advance can fall short of the ink of the last glyph (italics).
    return std::max(metrics.horizontalAdvance(text), metrics.boundingRect(text).width()) + 1;
}
