#pragma once
// Page geometry of the printed activity log, as plain arithmetic in device
// pixels. Millimetres are those of an A4 page mapped onto the printable area
// (width / 210, height / 297, integer division), whatever the paper.
// Title at (22 mm, 20 mm); log lines from 30 mm with double spacing; a page
// break after every line whose index is a positive multiple of 35, so the
// first page holds lines 0 to 35 and each later page 35 lines in slots 1 to 35.
// A log line wider than the page is printed as several lines (see
// WrapPrintLine); the page rules count the printed lines.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

inline constexpr int kLinesPerPageStep = 35;

struct PrintGeometry {
    int mmX = 0;         // device pixels per A4 millimetre, across
    int mmY = 0;         // device pixels per A4 millimetre, down
    int left = 0;        // x of the title and of every line
    int titleY = 0;      // y (top of the text) of the title line
    int firstLineY = 0;  // y (top of the text) of slot 0
    int right = 0;       // no text beyond this x: the left margin again from the right edge
    int indent = 0;      // how much further right a continuation starts (8 mm)
};

PrintGeometry ComputePrintGeometry(int printableWidth, int printableHeight);

struct PlacedLine {
    int index = 0;  // log line index, from 0
    int page = 0;   // page index, from 0
    int slot = 0;   // position on its page, 0..35
    int x = 0;
    int y = 0;  // top of the text
};

struct PrintPlan {
    int pageCount = 1;              // an empty log prints one page (title only)
    std::vector<PlacedLine> lines;  // one per log line, in order
};

// Places lineCount lines of height lineHeight (device pixels).
PrintPlan PlanLogPrint(int lineCount, int lineHeight, const PrintGeometry& geometry);

// The largest line height for which the lowest slot (35) still ends inside
// a printable height; used to shrink a too large device font.
int MaxLineHeightForPage(const PrintGeometry& geometry, int printableHeight);

// Splits one log line into the printed lines that fit between the margins:
// the first starts at geometry.left, each continuation geometry.indent
// further right. A break falls after the last blank that fits (so the bytes
// of a hexadecimal dump stay whole), or inside a word with no blank. Every
// character is kept, in order. `textWidth` measures a text in device pixels.
QStringList WrapPrintLine(const QString& line, const PrintGeometry& geometry,
                          const std::function<int(const QString&)>& textWidth);
