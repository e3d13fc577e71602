// Page geometry and page breaks of the printed log.
#include "app/print_layout.h"

#include <gtest/gtest.h>

namespace {

TEST(PrintLayout, MillimetresComeFromThePrintableArea)
{
    // 4760 x 6735 printer pixels: 22 and 22 pixels per A4 millimetre.
    const PrintGeometry g = ComputePrintGeometry(4760, 6735);
    EXPECT_EQ(g.mmX, 22);
    EXPECT_EQ(g.mmY, 22);
    EXPECT_EQ(g.left, 22 * 22);
    EXPECT_EQ(g.titleY, 20 * 22);
    EXPECT_EQ(g.firstLineY, 30 * 22);

    const PrintGeometry odd = ComputePrintGeometry(419, 893);  // integer division
    EXPECT_EQ(odd.mmX, 1);
    EXPECT_EQ(odd.mmY, 3);
    EXPECT_EQ(ComputePrintGeometry(0, -5).mmY, 0);
}

struct PageCase {
    int lines;
    int pages;
};

class PageBreaks : public ::testing::TestWithParam<PageCase> {};

TEST_P(PageBreaks, PageCountFollowsThe35LineStep)
{
    const PrintPlan plan = PlanLogPrint(GetParam().lines, 10, ComputePrintGeometry(2100, 2970));
    EXPECT_EQ(plan.pageCount, GetParam().pages);
    EXPECT_EQ(int(plan.lines.size()), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Counts, PageBreaks,
                         ::testing::Values(PageCase{0, 1}, PageCase{1, 1}, PageCase{35, 1}, PageCase{36, 2},
                                           PageCase{37, 2}, PageCase{70, 2}, PageCase{71, 3}, PageCase{72, 3},
                                           PageCase{106, 4}));

TEST(PrintLayout, SlotsAndPositions)
{
    const PrintGeometry g = ComputePrintGeometry(2100, 2970);  // 10 px per mm
    const int h = 12;
    const PrintPlan plan = PlanLogPrint(72, h, g);
    ASSERT_EQ(plan.lines.size(), 72u);

    // First page: lines 0 to 35 in slots 0 to 35, double spaced from 30 mm.
    for (int i = 0; i <= 35; ++i) {
        EXPECT_EQ(plan.lines[i].page, 0) << i;
        EXPECT_EQ(plan.lines[i].slot, i);
        EXPECT_EQ(plan.lines[i].x, 220);
        EXPECT_EQ(plan.lines[i].y, 300 + i * 2 * h);
    }
    // Second page: lines 36 to 70 in slots 1 to 35, slot 0 empty.
    EXPECT_EQ(plan.lines[36].page, 1);
    EXPECT_EQ(plan.lines[36].slot, 1);
    EXPECT_EQ(plan.lines[36].y, 300 + 2 * h);
    EXPECT_EQ(plan.lines[70].page, 1);
    EXPECT_EQ(plan.lines[70].slot, 35);
    // Third page starts at line 71 in slot 1.
    EXPECT_EQ(plan.lines[71].page, 2);
    EXPECT_EQ(plan.lines[71].slot, 1);
}

TEST(PrintLayout, LargestLineHeightKeepsSlot35OnThePage)
{
    const PrintGeometry g = ComputePrintGeometry(2100, 2970);
    const int h = MaxLineHeightForPage(g, 2970);
    const PrintPlan plan = PlanLogPrint(36, h, g);
    EXPECT_LE(plan.lines[35].y + h, 2970);
    const PrintPlan bigger = PlanLogPrint(36, h + 1, g);
    EXPECT_GT(bigger.lines[35].y + h + 1, 2970);
}

// Fails when a long line is cut at the page's edge, breaks a byte of a dump in two, loses a
// character, or goes on without its indent. 10 px per mm and per character: 166 characters
// between the margins, 158 after the indent.
TEST(PrintLayout, LongLinesWrapWithAnIndentedContinuation)
{
    const PrintGeometry g = ComputePrintGeometry(2100, 2970);
    const auto width = [](const QString& text) { return 10 * int(text.size()); };
    const struct {
        QString line;
        QList<int> sizes;  // characters per printed line
    } cases[] = {{QString(166, u'x'), {166}},
                 {QString(), {0}},
                 {"Sent: " + QStringLiteral("0F ").repeated(150), {165, 156, 135}},  // after a blank
                 {QString(400, u'y'), {166, 158, 76}}};                              // no blank
    for (const auto& c : cases) {
        const QStringList pieces = WrapPrintLine(c.line, g, width);
        QList<int> sizes;
        for (const QString& p : pieces)
            sizes << int(p.size());
        EXPECT_EQ(sizes, c.sizes);
        EXPECT_EQ(pieces.join(QString()), c.line);
    }
}

}  // namespace
