#pragma once
// Pixel sizes of the window design were chosen for a small sans-serif font
// (an average character 5.5 pixels wide, lines 13 pixels high). These helpers
// turn such a size into one for the font a widget actually uses, so that
// columns, panels and fixed dialogs grow with a larger font or a higher
// font DPI instead of cutting their texts. A font smaller than the design
// font keeps the design sizes.
#include <QFont>
#include <QFontMetrics>
#include <QString>

// Factor of `font` against the design font, never below 1.
double FontScale(const QFont& font);

// `designPx` for `font`, rounded to whole pixels.
int FontScaled(const QFont& font, int designPx);

// Width of `count` of the widest hexadecimal digit (0-9, A-F) of `metrics`.
int HexDigitsWidth(const QFontMetrics& metrics, int count);

// Width that `text` needs in `metrics`, rounded up.
int TextWidth(const QFontMetrics& metrics, const QString& text);
