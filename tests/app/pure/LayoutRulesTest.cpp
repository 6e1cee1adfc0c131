// The window's layout arithmetic: DPI scaling and the selection page's
// problem columns.
#include <gtest/gtest.h>

#include <numeric>

#include "pure/LayoutRules.h"

using namespace layout;

TEST(DpiScale, RoundsHalvesAwayFromZeroAndComesBack)
{
    struct Case {
        int value, dpi, scaled;
    };
    const Case cases[] = {
        {15, 96, 15}, {15, 144, 23}, {14, 144, 21}, {1, 144, 2},  {-15, 144, -23},
        {0, 144, 0},  {791, 144, 1187}, {17, 120, 21}, {82, 192, 164}, {3, 72, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Scale(c.value, c.dpi), c.scaled) << c.value << " at " << c.dpi;
        EXPECT_NEAR(Unscale(c.scaled, c.dpi), c.value, 1) << c.value << " at " << c.dpi;
    }
    EXPECT_EQ(Unscale(120, 0), 120);
}

TEST(ProblemColumns, AlwaysFillTheListAndNeverPassItsEdge)
{
    struct Case {
        int width, dpi;
        int grade, description, removes;  // -1: shrunk, just check the sum
    };
    const Case cases[] = {
        {800, 96, 90, 120, 170},
        {1200, 144, 135, 180, 255},
        {535, 96, -1, -1, -1},  // the page at 100 %: the three give way a little
        {300, 96, -1, -1, -1},
        {0, 96, -1, -1, -1},
    };
    for (const Case& c : cases) {
        const auto w = ProblemColumnWidths(c.width, c.dpi);
        EXPECT_EQ(std::accumulate(w.begin(), w.end(), 0), c.width) << c.width;
        EXPECT_GE(w[0], c.width / 3) << c.width;
        for (int x : w) EXPECT_GE(x, 0) << c.width;
        if (c.grade < 0) continue;
        EXPECT_EQ(w[1], c.grade);
        EXPECT_EQ(w[2], c.description);
        EXPECT_EQ(w[3], c.removes);
    }
}

TEST(Legend, LabelsFollowTheirSquaresAndTheirOwnWidths)
{
    const std::vector<int> lefts = LegendLabelLefts(29, 12, 4, 12, {30, 50, 0});
    EXPECT_EQ(lefts, (std::vector<int>{45, 103, 181}));
    EXPECT_TRUE(LegendLabelLefts(0, 12, 4, 12, {}).empty());
}
