#pragma once
// Where a window opens: at the size it asks for when the screen's available
// area (taskbars excluded) holds it with its frame, otherwise at the largest
// size that fits (never below its minimum); centred on that area, and never
// with its top-left corner off the area.
#include <QMargins>
#include <QRect>
#include <QSize>

// Returns the window's own geometry (frame excluded) for a window that wants
// `wanted`, cannot go below `minimum`, has the frame `frame` drawn around it
// (zero without a window manager) and opens on `available`.
QRect FitAndCentre(const QSize& wanted, const QSize& minimum, const QMargins& frame, const QRect& available);
