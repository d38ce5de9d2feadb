// The analysis with hand-computed answers.
#include <gtest/gtest.h>

#include <cmath>

#include "diagnostics/SignatureAnalyser.h"
#include "diagnostics/SignatureReport.h"
#include "diagnostics/StepResponsePercent.h"
#include "diagnostics/StepRule.h"
#include "diagnostics/tools/ExampleSignatures.h"
#include "platform/ProfileFile.h"
#include "platform/testing/TempDir.h"

using namespace diagnostics;

namespace {

// Rising stroke on position = 2p - 20, falling stroke on position = 2p - 30.
CSignatureData TwoLines(int kind, int extraPoints = 0) {
    CSignatureData r(kind);
    for (int i = 0; i < 9; ++i) {
        const float y = 10.0f + 10.0f * static_cast<float>(i);
        r.curve1.push_back({(y + 20.0f) / 2.0f, y, 0});
    }
    for (int i = 0; i < 9; ++i) {
        const float y = 90.0f - 10.0f * static_cast<float>(i);
        r.curve1.push_back({(y + 30.0f) / 2.0f, y, 0});
    }
    if (extraPoints < 0) r.curve1.pop_back();
    for (int i = 0; i < extraPoints; ++i) r.curve1.push_back({60.0f, 95.0f, 0});
    r.header[1] = 0.0f;
    r.header[2] = 100.0f;
    return r;
}

void ExpectTwoLineResults(const SignatureResults& s) {
    ASSERT_EQ(1u, s.valid);
    EXPECT_NEAR(12.5, s.springRangeLow, 1e-9);
    EXPECT_NEAR(62.5, s.springRangeHigh, 1e-9);
    EXPECT_NEAR(2.5, s.maxFriction, 1e-9);
    EXPECT_NEAR(2.5, s.minFriction, 1e-9);
    EXPECT_NEAR(2.5, s.avgFriction, 1e-9);
    EXPECT_NEAR(5.0, s.maxFrictionPercent, 1e-9);
    EXPECT_NEAR(5.0, s.avgFrictionPercent, 1e-9);
}

CSignatureData Step(std::vector<float> afterStep, float from = 20.0f, float to = 80.0f) {
    CSignatureData r(KindStepResponse);
    std::vector<float> y(9, from);
    y.insert(y.end(), afterStep.begin(), afterStep.end());
    for (size_t i = 0; i < y.size(); ++i) r.curve1.push_back({0.1f * static_cast<float>(i), y[i], 0});
    r.header = {20.0f, from, to, 100.0f, static_cast<float>(y.size()), 0.0f, 0.0f, -1.0f, -1.0f};
    return r;
}

}  // namespace

TEST(SignatureAnalysis, SpringRangeAndFrictionFromBothFitModes) {
    CSignatureData standard = TwoLines(KindStandard);
    AnalyseSignature(standard, 86.0f);
    ExpectTwoLineResults(standard.results);
    standard.xAxis.unit = "kPa";
    EXPECT_NE(std::string::npos,
              ResultAnalysisText(standard).find("\tMaximum Friction  : 2.500 kPa,  5.000 %\n"));

    // The extended signature splits at its turning point and fits by the normal equations.
    CSignatureData extended = TwoLines(KindExtended);
    AnalyseSignature(extended, 86.0f);
    EXPECT_EQ(8, SignatureAnalyser(extended).TurningIndex());  // rises first: turns at its top
    ExpectTwoLineResults(extended.results);

    // The same loop falling first turns at its bottom, whatever the set points say.
    CSignatureData fallingFirst(KindExtended);
    fallingFirst.curve1.assign(extended.curve1.begin() + 9, extended.curve1.end());
    fallingFirst.curve1.insert(fallingFirst.curve1.end(), extended.curve1.begin(), extended.curve1.begin() + 9);
    fallingFirst.header[1] = 100.0f;  // set points in reverse order
    fallingFirst.header[2] = 0.0f;
    AnalyseSignature(fallingFirst, 86.0f);
    ExpectTwoLineResults(fallingFirst.results);

    // A friction loop wider than the ramp's margin: the valve sits at 80 % at the start while
    // the pressure falls, and at 30 % after the turn while it rises. Those points lie on no
    // spring line; the strokes begin where the valve leaves them.
    CSignatureData sticky(KindExtended);
    for (float p = 56.0f; p > 50.5f; p -= 1.0f) sticky.curve1.push_back({p, 80.0f, 0});
    for (float p = 50.0f; p > 24.0f; p -= 2.5f) sticky.curve1.push_back({p, 2.0f * p - 20.0f, 0});
    for (float p = 26.0f; p < 29.5f; p += 1.0f) sticky.curve1.push_back({p, 30.0f, 0});
    for (float p = 30.0f; p < 56.0f; p += 2.5f) sticky.curve1.push_back({p, 2.0f * p - 30.0f, 0});
    sticky.header[1] = 100.0f;
    sticky.header[2] = 0.0f;
    AnalyseSignature(sticky, 86.0f);
    ExpectTwoLineResults(sticky.results);
}

TEST(SignatureAnalysis, RecordsThatAdmitNoFigureStayNotValid) {
    for (int extra : {-1, 1}) {  // 17 or 19 standard points
        CSignatureData r = TwoLines(KindStandard, extra);
        AnalyseSignature(r, 86.0f);
        EXPECT_EQ(0u, r.results.valid) << extra;
        EXPECT_EQ("", ResultAnalysisText(r));
    }

    // A stroke without gain (the valve never moved) and a stroke at one pressure.
    CSignatureData stuck = TwoLines(KindStandard);
    for (int i = 9; i < 18; ++i) stuck.curve1[i].y = 50.0f;
    AnalyseSignature(stuck, 86.0f);
    EXPECT_EQ(1u, stuck.results.error);
    EXPECT_EQ("Error: the Gain is 0!", stuck.results.message);
    CSignatureData constant = TwoLines(KindExtended);
    for (CFloatPT& p : constant.curve1) p.x = 40.0f;  // no pressure sensor
    AnalyseSignature(constant, 86.0f);
    EXPECT_EQ(0u, constant.results.valid);
    EXPECT_EQ("Error: the Gain is 0!", constant.results.message);
    EXPECT_TRUE(std::isfinite(constant.results.springRangeLow));

    // Parallel strokes at zero distance give no span... and lines through one point only none.
    CSignatureData oneStroke = TwoLines(KindExtended);
    oneStroke.curve1.resize(11);  // two points after the turn
    AnalyseSignature(oneStroke, 86.0f);
    EXPECT_EQ(0u, oneStroke.results.valid);

    CSignatureData positioner(KindPositioner);
    positioner.curve1 = TwoLines(KindStandard).curve1;
    AnalyseSignature(positioner, 86.0f);
    EXPECT_EQ(0u, positioner.results.valid);
}

TEST(SignatureAnalysis, StepResponseOvershootAndTime) {
    // Target 20 + 60 * 0.86 = 71.6 is first passed at sample 12 (80, after 70):
    // T86 = (3 - (80 - 71.6) / (80 - 70)) * 0.1 s = 0.216 s; the top at 85 overshoots by 65/60.
    CSignatureData r = Step({20.0f, 50.0f, 70.0f, 80.0f, 85.0f, 80.0f});
    AnalyseSignature(r, 86.0f);
    ASSERT_EQ(1u, r.results.valid);
    EXPECT_EQ(1u, r.results.found);
    EXPECT_NEAR(0.216, r.results.stepResponseTime, 1e-6);
    EXPECT_NEAR(65.0 * 100.0 / 60.0 - 100.0, r.results.overshoot, 1e-4);
    EXPECT_NE(std::string::npos, ResultAnalysisText(r).find("\tT86  : 0.22 sec\n"));
    EXPECT_EQ(" Overshoot = 8.33% \n\r T86 = 0.22 sec.", StepResponseNoticeText(r));

    // A valve that never gets there: not found, and no overshoot (its peak stays short of the
    // end value; the shortfall is no overshoot).
    CSignatureData slow = Step({20.0f, 40.0f, 60.0f, 70.0f, 71.0f});
    AnalyseSignature(slow, 86.0f);
    EXPECT_EQ(0u, slow.results.found);
    EXPECT_NE(std::string::npos, ResultAnalysisText(slow).find("\tT86 was not found\n"));
    EXPECT_EQ(0.0, slow.results.overshoot);
    // One that friction stops just short of the end value: T86 found, overshoot 0, never
    // a negative figure.
    CSignatureData shortOfEnd = Step({20.0f, 50.0f, 75.0f, 79.2f, 79.4f, 79.4f});
    AnalyseSignature(shortOfEnd, 86.0f);
    ASSERT_EQ(1u, shortOfEnd.results.valid);
    EXPECT_EQ(1u, shortOfEnd.results.found);
    EXPECT_NEAR((2.0 - (75.0 - 71.6) / (75.0 - 50.0)) * 0.1, shortOfEnd.results.stepResponseTime, 1e-6);
    EXPECT_EQ(0.0, shortOfEnd.results.overshoot);
    EXPECT_EQ(" Overshoot = 0.00% \n\r T86 = 0.19 sec.", StepResponseNoticeText(shortOfEnd));

    // Falling steps count downwards.
    CSignatureData down = Step({80.0f, 60.0f, 25.0f, 20.0f}, 80.0f, 20.0f);
    AnalyseSignature(down, 86.0f);
    EXPECT_EQ(1u, down.results.found);

    // No samples after the step, or a step of no size: nothing to report (and no overshoot
    // made of the start set point).
    CSignatureData none = Step({});
    AnalyseSignature(none, 86.0f);
    EXPECT_EQ(0u, none.results.valid);
    EXPECT_EQ(0.0, none.results.overshoot);
    CSignatureData flat = Step({30.0f, 40.0f}, 50.0f, 50.0f);
    AnalyseSignature(flat, 86.0f);
    EXPECT_EQ(0u, flat.results.valid);
    EXPECT_TRUE(std::isfinite(flat.results.overshoot));

    // A valve not at rest at the start when the step began: already past the mark at the step
    // (a time before it), or somewhere else before it. No figure, and the reason.
    const std::string notAtStart = "Error: the valve was not at rest at the start of the step.";
    CSignatureData early = Step({75.0f, 80.0f, 81.0f});
    AnalyseSignature(early, 86.0f);
    EXPECT_EQ(0u, early.results.valid);
    EXPECT_EQ(1u, early.results.error);
    EXPECT_EQ(notAtStart, early.results.message);
    CSignatureData elsewhere = Step({20.0f, 50.0f, 70.0f, 80.0f, 80.0f});
    for (size_t i = 0; i < 9; ++i) elsewhere.curve1[i].y = 95.0f - static_cast<float>(i);
    AnalyseSignature(elsewhere, 86.0f);
    EXPECT_EQ(0u, elsewhere.results.valid);
    EXPECT_EQ(notAtStart, elsewhere.results.message);
    elsewhere.curve1[4].y = NAN;
    AnalyseSignature(elsewhere, 86.0f);
    EXPECT_EQ(0u, elsewhere.results.valid);
}

TEST(SignatureAnalysis, StepSeriesCellsAndFigures) {
    // Start 50, end 70, step 10, round trip 2: two steps a leg, eight steps, rows of five.
    examples::ValveModel ideal;
    ideal.accuracy = 0.0f;
    ideal.overshoot = 0.0f;
    ideal.timeConstant = 0.1f;
    CSignatureData series = examples::StepSeries(ideal, "FV-1", examples::MakeDate(2025, 1, 1, 0, 0), 40);
    series.curve1[9].y = 50.25f;  // the first cell: y[9] - 50
    AnalyseSignature(series, 86.0f);
    const SignatureResults& s = series.results;
    ASSERT_EQ(1u, s.valid);
    EXPECT_EQ(2, s.stepsPerLeg);
    ASSERT_GE(s.cells.size(), 13u);
    EXPECT_FALSE(s.cells[0].valid);
    EXPECT_FALSE(s.cells[1].valid);
    EXPECT_NEAR(0.25, s.cells[2].value, 1e-3);
    EXPECT_FALSE(s.cells[9].valid);  // the top of the second row was reached in the first
    EXPECT_FALSE(s.cells[10].valid);
    EXPECT_LT(s.accuracyHigh, 0.05);
    EXPECT_EQ(0.0, s.deadBand);

    // The valve that never moved: every step counts into the dead band (8 steps of 10 %).
    CSignatureData stuck = series;
    for (CFloatPT& p : stuck.curve1) p.y = 50.0f;
    stuck.results = {};
    AnalyseSignature(stuck, 86.0f);
    EXPECT_NEAR(80.0, stuck.results.deadBand, 1e-9);
    EXPECT_NEAR(20.0, -stuck.results.accuracyLow, 1e-4);  // 50 where 70 was asked

    // A valve too slow for the samples of its steps: still moving at their ends, which would
    // read as deviations. Refused, with the reason.
    examples::ValveModel slow = ideal;
    slow.timeConstant = 2.0f;
    CSignatureData unsettled = examples::StepSeries(slow, "FV-1", examples::MakeDate(2025, 1, 1, 0, 0), 40);
    AnalyseSignature(unsettled, 86.0f);
    EXPECT_EQ(0u, unsettled.results.valid);
    EXPECT_EQ("Error: the valve did not settle within the samples of each step.", unsettled.results.message);

    // Fewer than 12 samples a step, no step or no way to go: not valid.
    for (auto spoil : {+[](SignatureHeader& h) { h[4] = 11.0f; }, +[](SignatureHeader& h) { h[4] = 0.0f; },
                       +[](SignatureHeader& h) { h[2] = h[1]; }, +[](SignatureHeader& h) { h[1] = 1e30f; }}) {
        CSignatureData bad = series;
        bad.results = {};
        spoil(bad.header);
        AnalyseSignature(bad, 86.0f);
        EXPECT_EQ(0u, bad.results.valid);
    }
}

TEST(SignatureAnalysis, StepRuleShortStepsAndMirroredCycles) {
    auto steps = [](StepSeriesSettings s) {
        std::vector<std::pair<int64_t, int64_t>> out;
        int64_t from = 0, to = 0;
        int count = 0;
        for (int i = 0; ComputeStep(s, i, from, to, count) == 0; ++i) out.push_back({from / 100, to / 100});
        return out;
    };
    using V = std::vector<std::pair<int64_t, int64_t>>;
    EXPECT_EQ((V{{20, 45}, {45, 70}, {70, 80}, {80, 70}, {70, 45}, {45, 20}}), steps({20, 80, 25, 1}));
    const V cycle = steps({20, 80, 20, 2});
    ASSERT_EQ(12u, cycle.size());
    EXPECT_EQ((V{{20, 0}, {0, -20}, {-20, -40}, {-40, -20}, {-20, 0}, {0, 20}}), V(cycle.begin() + 6, cycle.end()));
    // Automatic: groups of four single steps of 5, 10, 20 and 40 (capped at the end).
    const V automatic = steps({50, 90, 0, -1});
    ASSERT_EQ(16u, automatic.size());
    EXPECT_EQ((std::pair<int64_t, int64_t>{50, 55}), automatic[0]);
    EXPECT_EQ((std::pair<int64_t, int64_t>{50, 10}), automatic[14]);
    int64_t f = 0, t = 0;
    int n = 0;
    EXPECT_EQ(-1, ComputeStep({50, 90, 0, -1, 0}, 0, f, t, n));  // no step size at all
}

TEST(SignatureAnalysis, StepSizesWithTwoDecimalsKeepTheirLastHundredth) {
    // 0.7 is held as 0.699999988 in a float; the step must still be 70 hundredths.
    int wrong = 0;
    for (int hundredths = 1; hundredths <= 1000; ++hundredths) {
        StepSeriesPlan plan;
        const float size = static_cast<float>(hundredths) / 100.0f;
        ASSERT_TRUE(PlanStepSeries({0, 50, size, 1}, 0, plan));
        if (plan.step != hundredths) ++wrong;
    }
    EXPECT_EQ(0, wrong);
    StepSeriesPlan plan;
    ASSERT_TRUE(PlanStepSeries({-0.7f, 12.345f, 0.755f, 1}, 0, plan));
    EXPECT_EQ(-70, plan.start);
    EXPECT_EQ(1234, plan.end);  // truncated toward zero otherwise
    EXPECT_EQ(75, plan.step);
}

TEST(SignatureAnalysis, StepResponsePercentFromTheProfileFile) {
    platform::testing::TempDir dir;
    const std::string ini = dir.File("Tessaro.ini");
    EXPECT_EQ(86.0f, StepResponsePercent(ini));  // missing
    EXPECT_EQ("86", platform::GetPrivateProfileString("Diagnostics", "Step Response Time(%)", "", ini));
    for (const char* bad : {"0", "150", "fast"}) {
        platform::WritePrivateProfileString("Diagnostics", "Step Response Time(%)", bad, ini);
        EXPECT_EQ(86.0f, StepResponsePercent(ini)) << bad;
        EXPECT_EQ("86", platform::GetPrivateProfileString("Diagnostics", "Step Response Time(%)", "", ini));
    }
    platform::WritePrivateProfileString("Diagnostics", "Step Response Time(%)", "63.2", ini);
    EXPECT_FLOAT_EQ(63.2f, StepResponsePercent(ini));
}
