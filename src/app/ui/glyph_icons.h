#pragma once
// Small drawn icons for the caption-less buttons of the main window, drawn
// to any size (the design size is 18 pixels; callers scale it to the font).
#include <QIcon>

enum class Glyph { Add, Delete, KeyIn, KeyOut, Flag };

inline constexpr int kGlyphDesignSize = 18;

// The glyph as an icon `size` logical pixels square, sharp on scaled screens.
QIcon GlyphIcon(Glyph glyph, int size = kGlyphDesignSize);
