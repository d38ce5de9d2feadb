// The rules of the signature settings sheet, the choices of the signature page, and the
// program's own signature generator: settings that give no ramp, and the turn of its stroke.
#include <gtest/gtest.h>

#include <algorithm>

#include "diagnostics/HostSignatureEngine.h"
#include "diagnostics/SignatureKind.h"
#include "diagnostics/SignatureSelection.h"
#include "diagnostics/SignatureSettingsRules.h"

namespace diagnostics {
namespace {

SignatureSettings Valid() {
    SignatureSettings s;
    const float standard[] = {60, 60, 5}, extended[] = {10, 90, 90, 90, 5, 200}, step[] = {20, 80, 50, 100, 0, 0, 1, 30},
                positioner[] = {10, 90, 8, 5, 5};
    for (int i = 0; i < 3; ++i) s.At(0, i) = standard[i];
    for (int i = 0; i < 6; ++i) s.At(1, i) = extended[i];
    for (int i = 0; i < 8; ++i) s.At(2, i) = step[i];
    for (int i = 0; i < 5; ++i) s.At(3, i) = positioner[i];
    return s;
}

TEST(SignatureSettingsRules, EachPageChecksItsRangesAtTheirBoundaries) {
    SignatureSettings s = Valid();
    EXPECT_EQ("", ValidateStandardSettings(s));
    EXPECT_EQ("", ValidateExtendedSettings(s, 0));
    EXPECT_EQ("", ValidatePositionerSettings(s));
    EXPECT_EQ("", ValidateStepSettings(s, {}, false, 0, 100));

    s.At(1, 0) = s.At(1, 1) = 10;
    EXPECT_EQ("Extended Actuator Signature Parameter(s):\n  Higher Set Point must greater Lower Set Point\n\n",
              ValidateExtendedSettings(s, 0));
    s.At(3, 0) = 20;
    s.At(3, 1) = 29;
    EXPECT_EQ("Positioner Signature Parameter(s):\n  Higher Set Point - Lower Set Point should be greater than 10%.\n\n",
              ValidatePositionerSettings(s));
    s.At(3, 1) = 30;
    EXPECT_EQ("", ValidatePositionerSettings(s));

    s.At(2, kStepTimeLimit) = 90;
    EXPECT_EQ("Step Response Test Parameter(s):\n  The Init Start Pos Time Limit of Step Response Test should be (10, 60)\n\n",
              ValidateStepSettings(s, {}, false, 0, 100));
    EXPECT_EQ("", ValidateStepSettings(s, {}, true, 0, 100));  // "Measure ALL" leaves the host values alone
    s = Valid();
    s.At(2, kStepStart) = 50;
    s.At(2, kStepEnd) = 60;
    s.At(2, kStepSize) = 3;
    StepPageChoice deadBand{false, true, true, 1, true};
    EXPECT_EQ("Step Response Test Parameter(s):\n  The step size of Step Response Test(Dead Band Test) should be (0.1,2.0)\n\n",
              ValidateStepSettings(s, deadBand, false, 0, 100));
    EXPECT_EQ("", ValidateStepSettings(s, {}, false, 0, 100));
    s.At(2, kStepSize) = 1;
    s.At(2, kStepErrorLimit) = 0.05f;
    EXPECT_EQ("Step Response Test Parameter(s):\n  The Init Start Pos Error Limit of Step Response Test should be (0.10, "
              "10.00)\n\n",
              ValidateStepSettings(s, {}, false, 0, 100));
    s.At(2, kStepStart) = 40;
    s.At(2, kStepEnd) = 40.05f;
    EXPECT_NE(std::string::npos, ValidateStepSettings(s, {}, true, 0, 100)
                                     .find("  The diffence between Destination Point and Initial Point must be "
                                           "greater than 0.1\n"));

    // Cycles: round trip 2 x count, the start fixed at 50, the dead-band test turns the reset off.
    bool resetOff = false;
    EncodeRoundTrip({false, true, true, 3, true}, false, s, resetOff);
    EXPECT_EQ(6.0f, s.At(2, kStepRoundTrip));
    EXPECT_EQ(50.0f, s.At(2, kStepStart));
    EXPECT_TRUE(resetOff);
    const StepPageChoice back = DecodeRoundTrip(6.0f);
    EXPECT_TRUE(back.severalSteps && back.cycles);
    EXPECT_EQ(3, back.cycleCount);
    EXPECT_FALSE(DecodeRoundTrip(-1.0f).cycles);
    EXPECT_TRUE(DecodeRoundTrip(1.0f).roundTrip);
    EXPECT_EQ(400.0f, SamplingRateOfEntry(1));
    EXPECT_EQ(1, SamplingEntryOfRate(400.0f));
    EXPECT_EQ(4, SamplingEntryOfRate(5000.0f));
}

TEST(SignatureSelection, MeasureAllPcControlledAndTheActuatorKinds) {
    SignatureSettings settings = Valid();
    settings.At(2, kStepSize) = 5;
    settings.At(2, kStepRoundTrip) = 1;
    SignatureSelection page({true, true, true});
    page.SetKind(KindExtended, true);
    EXPECT_FALSE(page.Enabled(KindHighResolution));  // the two exclude each other
    page.SetKind(KindHighResolution, true);
    EXPECT_EQ(2, page.Mask());
    page.SetAll(true, settings);
    EXPECT_EQ(kMeasureAll, page.Mask());
    EXPECT_FALSE(page.Checked(KindHighResolution));
    EXPECT_TRUE(page.Checked(KindStandard) && page.Checked(KindPositioner));
    EXPECT_FALSE(page.Enabled(KindStandard));
    EXPECT_EQ(0.0f, settings.At(2, kStepSize));
    EXPECT_EQ(0.0f, settings.At(2, kStepRoundTrip));
    page.SetAll(false, settings);
    EXPECT_EQ(1 | 2 | 8 | 16, page.Mask());
    EXPECT_FALSE(page.PcEnabled());

    // Without a pressure sensor the actuator signatures are not offered.
    SignatureSelection noSensor({true, false, true});
    EXPECT_FALSE(noSensor.Enabled(KindStandard));
    EXPECT_TRUE(noSensor.Enabled(KindStepResponse));

    // Without the signature option only the program's own standard and extended signatures.
    SignatureSelection host({true, true, false});
    EXPECT_FALSE(host.AllEnabled());
    EXPECT_FALSE(host.Enabled(KindStandard));
    host.SetPcControlled(true);
    EXPECT_TRUE(host.Enabled(KindStandard) && host.Enabled(KindExtended));
    EXPECT_FALSE(host.Enabled(KindStepResponse) || host.Enabled(KindHighResolution));
    host.SetKind(KindStandard, true);
    EXPECT_TRUE(host.GoEnabled());
    host.SetPcControlled(false);
    EXPECT_EQ(0, host.Mask());
    EXPECT_FALSE(host.Enabled(KindStandard));
}

TEST(HostSignatureEngine, SettingsThatGiveNoRampAreRefused) {
    HostSignatureEngine engine;
    const float standard[8] = {60, 60, 5};
    ASSERT_TRUE(engine.Start(1, 25, standard, 0, 100, 0));
    EXPECT_EQ(300u, engine.IntervalMs());  // 100 writes up and 100 down within 60 s
    EXPECT_EQ(10.0f, engine.Target(0));
    EXPECT_EQ(90.0f, engine.Target(9));
    const float flat[8] = {50, 50, 90, 90, 0, 200};
    EXPECT_FALSE(engine.Start(2, 25, flat, 0, 100, 0));  // no increment
    const float extended[8] = {10, 90, 90, 90, 5, 200};
    EXPECT_FALSE(engine.Start(2, 25, extended, 0, 5, 0));  // clamped to nothing
    EXPECT_TRUE(engine.Start(2, 25, extended, 0, 100, 0));
    EXPECT_EQ(5.0f, engine.From());
    EXPECT_EQ(95.0f, engine.To());
}

TEST(HostSignatureEngine, TheFallingStrokeStartsWithASampleTakenOnTheWayDown) {
    HostSignatureEngine engine;
    const float standard[8] = {60, 60, 5};
    ASSERT_TRUE(engine.Start(1, 25, standard, 0, 100, 0));
    const auto write = [](float) { return 0; };
    // A valve on a spring line with 3.5 kPa of friction each way, sampled every 100 ms.
    const auto pressure = [](float y, bool up) { return 20.0f + 0.8f * y + (up ? 3.5f : -3.5f); };
    uint64_t now = 0;
    const auto feed = [&](float y, bool up) {
        now += 100;
        return engine.Step(pressure(y, up), y, true, now, write);
    };
    for (int i = 0; i < 12; ++i) feed(0.0f, true);  // at rest at the start
    ASSERT_EQ(HostSignatureEngine::kUp, engine.CurrentState());
    // Up a third of a percent a sample: 89.95 % is nearest to 90 %, the sample after it
    // (90.28 %) is still nearer 90 % than the falling stroke's coarser samples below it.
    for (int k = 0; k <= 301; ++k) feed(std::min(100.0f, -0.05f + static_cast<float>(k) / 3.0f), true);
    for (int i = 0; i < 50 && engine.CurrentState() != HostSignatureEngine::kDown; ++i) feed(100.0f, true);
    ASSERT_EQ(HostSignatureEngine::kDown, engine.CurrentState());
    ASSERT_EQ(9u, engine.RecordedCount());
    EXPECT_NEAR(89.95f, engine.Positions()[8], 1e-3f);
    // Down 1.4 % a sample: 90.6 %, then 89.2 %.
    for (int k = 1; k < 20 && engine.RecordedCount() < 10; ++k) feed(100.4f - 1.4f * static_cast<float>(k), false);
    ASSERT_EQ(10u, engine.RecordedCount());
    EXPECT_NEAR(90.6f, engine.Positions()[9], 1e-3f);
    EXPECT_NEAR(pressure(engine.Positions()[9], false), engine.Pressures()[9], 1e-3f);
}

}  // namespace
}  // namespace diagnostics
