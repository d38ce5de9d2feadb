// What all plots share: tick labels, colour names, gaps at break flags.
#include <gtest/gtest.h>

#include <cmath>

#include "graphs/CFloatPT.h"
#include "graphs/NamedColors.h"
#include "graphs/TickFormat.h"

using namespace graphs;

TEST(PlotBasics, TickLabelsFollowStepAndMaximum) {
    EXPECT_EQ("     40", FormatTickLabel(40, 10, 100));  // 0 to 100 every 10: "%7.0f"
    EXPECT_STREQ("%6.1f", TickLabelFormat(0.5, 99));
    EXPECT_STREQ("%7.1f", TickLabelFormat(0.1, 99.5));
    EXPECT_STREQ("%6.2f", TickLabelFormat(0.05, 10));
    EXPECT_EQ("   0.05", FormatTickLabel(0.05, 0.01, 150));
}

TEST(PlotBasics, TicksOfAStepWithAFractionShowTheirOwnValues) {
    // A time axis with ticks every 2.5 s read "0 2 5 8 10".
    std::string labels;
    for (double t = 0; t <= 10.0; t += 2.5) labels += FormatTickLabel(t, 2.5, 10) + "|";
    EXPECT_EQ("    0.0|    2.5|    5.0|    7.5|   10.0|", labels);
    EXPECT_EQ("  0.75", FormatTickLabel(0.75, 0.25, 2));
    EXPECT_STREQ("%7.0f", TickLabelFormat(5, 10));
}

TEST(PlotBasics, ColorNamesAndBreaks) {
    EXPECT_EQ("RED", ColorName(0x0000FF));
    EXPECT_EQ("DARKBLUE", ColorName(0x7F0000));
    EXPECT_EQ("", ColorName(0x123456));
    EXPECT_EQ(255, BlueOf(kBlue));
    for (size_t n = 0; n < 8; ++n) EXPECT_NE("WHITE", ColorName(CurveColor(n)));

    // A break flag starts a new stretch: a gap before it, and none before the first point.
    const PlotPolyline line = ToPolyline({{0, 1, 1}, {1, 2, 0}, {2, 3, 1}, {3, NAN, 0}});
    ASSERT_EQ(5u, line.x.size());
    EXPECT_EQ(1.0, line.x[1]);
    EXPECT_TRUE(std::isnan(line.x[2]));
    EXPECT_EQ(2.0, line.x[3]);
    EXPECT_TRUE(std::isnan(line.y[4]));
}
