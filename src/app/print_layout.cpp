#include "app/print_layout.h"

#include <algorithm>

PrintGeometry ComputePrintGeometry(int printableWidth, int printableHeight)
{
    PrintGeometry g;
    g.mmX = std::max(printableWidth, 0) / 210;
    g.mmY = std::max(printableHeight, 0) / 297;
    g.left = 22 * g.mmX;
    g.titleY = 20 * g.mmY;
    g.firstLineY = 30 * g.mmY;
    g.right = std::max(printableWidth, 0) - g.left;
    g.indent = 8 * g.mmX;
    return g;
}

PrintPlan PlanLogPrint(int lineCount, int lineHeight, const PrintGeometry& geometry)
{
    PrintPlan plan;
    plan.pageCount = 1;
    plan.lines.reserve(size_t(std::max(lineCount, 0)));
    int first = 0;  // index of the first line of the current page
    for (int i = 0; i < lineCount; ++i) {
        PlacedLine placed;
        placed.index = i;
        placed.page = plan.pageCount - 1;
        placed.slot = i - first;
        placed.x = geometry.left;
        placed.y = geometry.firstLineY + placed.slot * 2 * lineHeight;
        plan.lines.push_back(placed);
        // The line that reaches the step ends its page; the next page starts
        // counting from it, so its slot 0 stays empty.
        if (i > 0 && i % kLinesPerPageStep == 0) {
            ++plan.pageCount;
            first = i;
        }
    }
    return plan;
}

int MaxLineHeightForPage(const PrintGeometry& geometry, int printableHeight)
{
    // Slot 35 starts at firstLineY + 70 h and needs h more.
    const int room = printableHeight - geometry.firstLineY;
    return std::max(room / (2 * kLinesPerPageStep + 1), 1);
}

QStringList WrapPrintLine(const QString& line, const PrintGeometry& geometry,
                          const std::function<int(const QString&)>& textWidth)
{
    QStringList pieces;
    QString rest = line;
    int room = geometry.right - geometry.left;
    while (rest.size() > 1 && textWidth(rest) > room) {
        // The longest start that fits, at least one character.
        int low = 1;
        int high = int(rest.size()) - 1;
        while (low < high) {
            const int mid = (low + high + 1) / 2;
            if (textWidth(rest.left(mid)) <= room)
                low = mid;
            else
                high = mid - 1;
        }
        const int blank = int(rest.lastIndexOf(QLatin1Char(' '), low - 1));
        const int cut = blank > 0 ? blank + 1 : low;
        pieces << rest.left(cut);
        rest = rest.mid(cut);
        room = geometry.right - geometry.left - geometry.indent;
    }
    pieces << rest;
    return pieces;
}
