// The custom characterisation's editing rules and the linkage calculator.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "config/CustomCurve.h"
#include "config/LinkageCalculator.h"

using config::CurveDrag;
using config::CurveEdit;
using config::CustomCurve;
using config::LinkageInput;
using config::LinkageResult;
using config::LinkageType;

namespace {

TEST(CustomCurve, PointsMoveOnlyStrictlyBetweenTheirNeighbours) {
    CustomCurve curve;  // the straight line 10 ... 90
    EXPECT_EQ(CurveEdit::TooLow, curve.Edit(0, 0.0f));    // the lower end is exclusive
    EXPECT_EQ(CurveEdit::TooHigh, curve.Edit(0, 20.0f));  // equal to its neighbour
    EXPECT_EQ(CurveEdit::TooHigh, curve.Edit(8, 100.0f));
    EXPECT_EQ(10.0f, curve.Point(0));
    EXPECT_EQ(CurveEdit::Accepted, curve.Edit(0, 0.5f));
    EXPECT_EQ(CurveEdit::Accepted, curve.Edit(8, 99.5f));
    EXPECT_EQ("Error: Attempted position too high to be valid. Data will be restored !",
              CustomCurve::EditMessage(CurveEdit::TooHigh));
    EXPECT_EQ("Error: Attempted position too low to be valid. Data will be restored !",
              CustomCurve::EditMessage(CurveEdit::TooLow));
    const auto plotted = curve.PlotPoints();
    EXPECT_EQ(0.0, plotted[0].position);
    EXPECT_EQ(0.5, plotted[1].position);
    EXPECT_EQ(100.0, plotted[10].setpoint);
}

TEST(CustomCurve, MouseHitsResetsAndDragsStopAtTheLimit) {
    CustomCurve curve;
    ASSERT_EQ(CurveEdit::Accepted, curve.Edit(4, 45.0f));
    EXPECT_EQ(-1, curve.HitTest(53.0, 45.0));  // 3 % away: nothing is hit
    EXPECT_EQ(4, curve.HitTest(51.5, 46.5));
    curve.ResetPoint(4);
    EXPECT_EQ(50.0f, curve.Point(4));

    CurveDrag drag(curve);
    ASSERT_TRUE(drag.Press(10.5, 9.0));
    EXPECT_TRUE(drag.Move(4.0, true));
    EXPECT_EQ(4.0f, curve.Point(0));
    EXPECT_FALSE(drag.Move(0.0, true));  // down to 0: the drag ends silently
    EXPECT_EQ(4.0f, curve.Point(0));
    EXPECT_EQ(-1, drag.Dragging());
    ASSERT_TRUE(drag.Press(20.0, 20.0));
    EXPECT_FALSE(drag.Move(25.0, false));  // leaving the plot ends it too
    EXPECT_EQ(20.0f, curve.Point(1));
}

TEST(CustomCurve, ABrokenCurveFromAFileMayOnlyGetBetter) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    CustomCurve curve({10, 20, 35, 30, nan, 60, 70, 80, 90});
    // Point 2 lies above point 3: towards it is allowed, further away is not.
    EXPECT_EQ(CurveEdit::TooHigh, curve.Edit(2, 36.0f));
    EXPECT_EQ(CurveEdit::Accepted, curve.Edit(2, 33.0f));
    EXPECT_EQ(CurveEdit::TooLow, curve.Edit(3, 29.0f));
    EXPECT_EQ(CurveEdit::Accepted, curve.Edit(3, 31.0f));
    // An undefined neighbour counts as the fixed end on its side.
    EXPECT_EQ(CurveEdit::Accepted, curve.Edit(5, 55.0f));
    EXPECT_EQ(-1, curve.HitTest(50.0, 0.0));
    curve.ResetPoint(4);
    EXPECT_EQ((31.0f + 55.0f) / 2.0f, curve.Point(4));
}

LinkageInput Lever(float S, float T, float L1) {
    LinkageInput in;
    in.S = S;
    in.T = T;
    in.L1 = L1;
    return in;
}

TEST(LinkageCalculator, SimpleLeverFollowsTheArcTangent) {
    LinkageResult result;
    ASSERT_TRUE(config::CalculateLinkage(Lever(4, 0, 4), result));
    EXPECT_NEAR(45.0, result.rotationDegrees, 1e-9);
    EXPECT_EQ("NOTE:  Rotation angle is  45.0 degree(s) with the data given.", config::RotationNote(result.rotationDegrees));
    for (int k = 1; k <= 9; ++k)
        EXPECT_NEAR(std::atan(0.1 * k) / std::atan(1.0) * 100.0, result.points[static_cast<size_t>(k - 1)], 1e-4);
}

TEST(LinkageCalculator, InputIsCheckedInOrderWithInclusiveBounds) {
    EXPECT_EQ("", config::CheckLinkageInput(Lever(4, 0, 4)));
    EXPECT_EQ("", config::CheckLinkageInput(Lever(4, 100, 4)));
    EXPECT_EQ("Enter a valid data for T : [1.0, 100.0] or 0.0", config::CheckLinkageInput(Lever(4, 0.5f, 4)));
    EXPECT_EQ("Enter a valid data for S: [0.1, 20.0] inch", config::CheckLinkageInput(Lever(21, 0.5f, 0)));
    LinkageInput mm = Lever(600, 0, 4);
    mm.inch = 0;
    EXPECT_EQ("Enter a valid data for S: [2.54, 508.0] mm", config::CheckLinkageInput(mm));
    mm.S = 100;
    mm.L1 = 2;
    EXPECT_EQ("Enter a valid data for L1 : [2.54, 508.0] mm", config::CheckLinkageInput(mm));

    LinkageInput link = Lever(4, 50, 4);
    link.type = LinkageType::LeverWithLink;
    link.L2 = 4;
    link.L3 = 8;  // 2 x L1 is allowed
    EXPECT_EQ("", config::CheckLinkageInput(link));
    link.L3 = 8.5f;
    EXPECT_EQ("Enter a valid data for L3 : [0.1, 8.0] inch", config::CheckLinkageInput(link));
    link.L2 = 0;
    EXPECT_EQ("Enter a valid data for L2 : [0.1, 20.0] inch", config::CheckLinkageInput(link));
}

TEST(LinkageCalculator, LeverWithLinkGivesARisingCurveOrIsRefused) {
    LinkageInput link = Lever(4, 50, 4);
    link.type = LinkageType::LeverWithLink;
    link.L2 = 4;
    link.L3 = 4;
    for (int mirrored : {0, 1}) {
        link.mirrored = mirrored;
        LinkageResult result;
        ASSERT_TRUE(config::CalculateLinkage(link, result)) << mirrored;
        EXPECT_GT(result.rotationDegrees, 0.0);
        for (size_t i = 1; i < 9; ++i) EXPECT_LT(result.points[i - 1], result.points[i]);
    }
    // A link too short to reach the lever, and a geometry whose curve turns back: refused,
    // and the result is left alone.
    LinkageResult untouched;
    untouched.points[0] = 7.0f;
    link.L2 = 0.5f;
    link.L3 = 8.0f;
    EXPECT_FALSE(config::CalculateLinkage(link, untouched));
    LinkageInput turning = Lever(4, 0, 2);
    turning.type = LinkageType::LeverWithLink;
    turning.L2 = 2;
    turning.L3 = 1;
    turning.mirrored = 1;
    EXPECT_FALSE(config::CalculateLinkage(turning, untouched));
    EXPECT_EQ(7.0f, untouched.points[0]);
}

}  // namespace
