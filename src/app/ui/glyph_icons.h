#pragma once
// Small drawn icons for the caption-less buttons of the main window.
#include <QIcon>

enum class Glyph { Add, Delete, KeyIn, KeyOut, Flag };

QIcon GlyphIcon(Glyph glyph);
