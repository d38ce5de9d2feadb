// The simulated positioner's signature measurements through the library, on a manual clock:
// the SIGN_MEAS_EXEC protocol with its state bands, the stored curves paged out 20 points at a
// time, saving the standard signature as baseline, cancelling, and a device without the
// signature option.
#include <algorithm>
#include <array>
#include <cmath>

#include "simulator/tests/DeviceFixture.h"

namespace simulator::testing {
namespace {


class SignatureMeasurementTest : public DeviceFixture {
protected:
    void SetUp() override {
        DeviceFixture::SetUp();
        vfd_ = OpenVfd("FV-101");
        ASSERT_EQ(WriteU8(vfd_, "FV101_AO.MODE_BLK.TARGET", OOS), E_OK);
        ASSERT_EQ(WriteU8(vfd_, tb_ + "MODE_BLK.TARGET", OOS), E_OK);
        Advance(600);
    }
    uint8_t U8(const std::string& name) { return ReadU8(vfd_, tb_ + name); }
    int WriteFloats(const std::string& name, std::vector<float> values) {
        std::vector<uint8_t> bytes;
        for (float f : values) {
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(bits >> shift));
        }
        return Write(vfd_, tb_ + name, bytes);
    }
    // Polls every 200 ms until SIGN_MEAS_EXEC reads 1, checking that the result reads 255
    // exactly while the command shows; returns the result and the states seen.
    int Run(uint8_t command, std::vector<int>& states, double limitS = 600) {
        EXPECT_EQ(WriteU8(vfd_, tb_ + "SIGN_MEAS_EXEC", command), E_OK);
        EXPECT_EQ(U8("SIGN_MEAS_RESULT"), 255);
        EXPECT_NE(U8("SIGN_MEAS_STATE"), 0);
        EXPECT_EQ(ReadU16(vfd_, tb_ + "SIGN_MEAS_COUNTER"), 0);
        for (int i = 0; i < limitS * 5; ++i) {
            const uint8_t state = U8("SIGN_MEAS_STATE"), result = U8("SIGN_MEAS_RESULT"), exec = U8("SIGN_MEAS_EXEC");
            EXPECT_EQ(result == 255, exec != 1);
            EXPECT_EQ(state == 0, exec == 1);
            if (exec == 1) return result;
            if (states.empty() || states.back() != state) states.push_back(state);
            Advance(200);
        }
        return 0;
    }
    // The points of a stored measurement up to the first +infinity.
    void Upload(uint8_t database, std::vector<float>& x, std::vector<float>& y) {
        x.clear();
        y.clear();
        ASSERT_EQ(WriteU8(vfd_, tb_ + "SIGN_UPLOAD_DATABASE", database), E_OK);
        for (uint16_t w = 0; w < 600; w += 20) {
            ASSERT_EQ(Write(vfd_, tb_ + "SIGN_UPLOAD_POINTER", {uint8_t(w >> 8), uint8_t(w & 0xFF)}), E_OK);
            for (size_t i = 0; i < 20; ++i) {
                const float px = ReadFloat(vfd_, tb_ + "SIGN_DATA_X", 4 * i), py = ReadFloat(vfd_, tb_ + "SIGN_DATA_Y", 4 * i);
                if (std::isinf(py)) return;
                x.push_back(px);
                y.push_back(py);
            }
        }
    }
    std::string tb_ = "FV101_TB.";
    nifDesc_t vfd_ = 0;
};

TEST_F(SignatureMeasurementTest, AllKindsInTheirBandsWithTheirCurvesStored) {
    ASSERT_EQ(WriteFloats("STD_ACT_SIGN_SET", {20, 20, 5}), E_OK);
    ASSERT_EQ(WriteFloats("EXT_ACT_SIGN_SET", {10, 90, 20, 20, 5, 200}), E_OK);
    ASSERT_EQ(WriteFloats("STEP_RESP_SET", {30, 70, 50, 80}), E_OK);
    ASSERT_EQ(WriteFloats("POSITIONER_SIGN_SET", {10, 90, 4, 5, 5}), E_OK);
    std::vector<int> states;
    ASSERT_EQ(Run(2, states), 1);
    // Offset, then standard, extended, step response and positioner, each climbing in its band.
    ASSERT_FALSE(states.empty());
    EXPECT_TRUE(std::is_sorted(states.begin(), states.end()));
    for (std::pair<int, int> band : {std::pair{1, 9}, {10, 29}, {30, 49}, {50, 69}, {70, 89}})
        EXPECT_TRUE(std::any_of(states.begin(), states.end(),
                                [&](int s) { return s >= band.first && s <= band.second; }))
            << band.first;
    EXPECT_LE(states.back(), 89);

    std::vector<float> x, y;
    Upload(1, x, y);  // standard: the pressure where the valve passed 10 ... 90 % and back
    ASSERT_EQ(y.size(), 18u);
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_FLOAT_EQ(y[i], 10.0f * (i + 1));
        EXPECT_FLOAT_EQ(y[17 - i], 10.0f * (i + 1));
        EXPECT_GT(x[i], x[17 - i]);  // friction: more pressure going up
    }
    std::array<uint8_t, 7> standardDate{};
    const auto date = Read(vfd_, tb_ + "SIGN_MEAS_DATE");
    std::copy(date.begin(), date.end(), standardDate.begin());
    EXPECT_FLOAT_EQ(ReadFloat(vfd_, tb_ + "SIGN_HEADER_DATA", 12), 5.0f);  // the deviation margin

    Upload(2, x, y);
    EXPECT_EQ(y.size(), 100u);
    EXPECT_LT(*std::min_element(y.begin(), y.end()), 10.0f);  // down to the lower set point and beyond
    Upload(3, x, y);
    ASSERT_EQ(y.size(), 80u);
    EXPECT_FLOAT_EQ(x[9], 30.0f);
    EXPECT_FLOAT_EQ(x[10], 70.0f);
    EXPECT_NEAR(y.back(), 70.0f, 1.0f);
    Upload(4, x, y);
    ASSERT_EQ(y.size(), 9u);
    EXPECT_FLOAT_EQ(x[4], 90.0f);
    EXPECT_NEAR(y[4], 90.0f, 1.0f);
    EXPECT_NE(Read(vfd_, tb_ + "SIGN_MEAS_DATE"), date);

    // Saved as baseline: SIGN_DATA_SAVE reads "Off" again within half a second, and the
    // baseline holds the standard signature.
    ASSERT_EQ(WriteU8(vfd_, tb_ + "SIGN_DATA_SAVE", 2), E_OK);
    EXPECT_EQ(U8("SIGN_DATA_SAVE"), 2);
    EXPECT_EQ(WriteU8(vfd_, tb_ + "SIGN_DATA_SAVE", 3), E_OBJECT_STATE_CONFLICT);
    Advance(500);
    EXPECT_EQ(U8("SIGN_DATA_SAVE"), 1);
    std::vector<float> bx, by;
    Upload(5, bx, by);
    Upload(1, x, y);
    EXPECT_EQ(bx, x);
    ASSERT_EQ(WriteU8(vfd_, tb_ + "SIGN_UPLOAD_DATABASE", 5), E_OK);
    EXPECT_EQ(Read(vfd_, tb_ + "SIGN_MEAS_DATE"), std::vector<uint8_t>(standardDate.begin(), standardDate.end()));
}

TEST_F(SignatureMeasurementTest, CancelBusyStuckValveAndNoOption) {
    // A cancel ends the measurement at once: cancelled, state 0 and the command off together.
    ASSERT_EQ(WriteU8(vfd_, tb_ + "SIGN_MEAS_EXEC", 3), E_OK);
    Advance(1000);
    EXPECT_EQ(WriteU8(vfd_, tb_ + "SIGN_MEAS_EXEC", 4), E_OBJECT_STATE_CONFLICT);
    EXPECT_EQ(WriteU8(vfd_, tb_ + "AUTO_TUNE_EXEC", 2), E_OBJECT_STATE_CONFLICT);
    ASSERT_EQ(WriteU8(vfd_, tb_ + "SIGN_MEAS_EXEC", 0xFF), E_OK);
    EXPECT_EQ(U8("SIGN_MEAS_RESULT"), 2);
    EXPECT_EQ(U8("SIGN_MEAS_STATE"), 0);
    EXPECT_EQ(U8("SIGN_MEAS_EXEC"), 1);

    // A stuck valve passes no position: no movement.
    ASSERT_EQ(WriteFloats("STD_ACT_SIGN_SET", {20, 20, 5}), E_OK);
    ASSERT_EQ(Control(R"({"command":"valveFault","device":"FV-101","fault":"stuck"})"), E_OK);
    std::vector<int> states;
    EXPECT_EQ(Run(3, states), 100);
    ASSERT_EQ(Control(R"({"command":"valveFault","device":"FV-101","fault":"none"})"), E_OK);

    // Without the signature option (and without the diagnostics firmware) the start is refused.
    nifClose(session_);
    Load(SmallSegmentJson(0, R"(,"signature":false)"));
    vfd_ = OpenVfd("FV-101");
    ASSERT_EQ(WriteU8(vfd_, "FV101_AO.MODE_BLK.TARGET", OOS), E_OK);
    ASSERT_EQ(WriteU8(vfd_, tb_ + "MODE_BLK.TARGET", OOS), E_OK);
    Advance(100);
    EXPECT_EQ(WriteU8(vfd_, tb_ + "SIGN_MEAS_EXEC", 3), E_OBJECT_ACCESS_DENIED);
}

// Hard valves, each on a segment of its own: a sticky one with a friction loop wider than
// the ramp's margin beyond the learned ends, one with a noisy travel sensor, and one whose
// sensor is too noisy to ever read as at rest.
TEST_F(SignatureMeasurementTest, HardValvesGiveFullStandardStrokesOrAClearResult) {
    auto load = [this](const std::string& valve) {
        nifClose(session_);
        Load(SmallSegmentJson(0, R"(,"valve":)" + valve));
        vfd_ = OpenVfd("FV-101");
        ASSERT_EQ(WriteU8(vfd_, "FV101_AO.MODE_BLK.TARGET", OOS), E_OK);
        ASSERT_EQ(WriteU8(vfd_, tb_ + "MODE_BLK.TARGET", OOS), E_OK);
        Advance(600);
        ASSERT_EQ(WriteFloats("STD_ACT_SIGN_SET", {20, 20, 5}), E_OK);
    };
    std::vector<int> states;
    std::vector<float> x, y;

    // Friction of 6 kPa each way with stick-slip: where the servo leaves a sticky valve at the
    // ends of the stroke, the learned pressures may lie anywhere in the 12 kPa loop. The ramp
    // runs on until the valve has passed the far end, both ways: all 18 points, every time.
    load(R"({"frictionKpa":6,"stickSlipKpa":0.5})");
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(Run(3, states), 1) << run;
        Upload(1, x, y);
        ASSERT_EQ(y.size(), 18u);
        for (size_t i = 0; i < 9; ++i) EXPECT_GT(x[i] - x[17 - i], 6.0f) << i;
    }

    // A large, slow, sticky actuator (15 kPa friction, a loop of a fifth of the spring range):
    // at the pressure learned at the start of the stroke friction may hold it well above the
    // start. The ramp begins where the valve is at the start: both strokes are recorded.
    load(R"({"springRangeKpa":[40,200],"supplyKpa":250,"frictionKpa":15,"stickSlipKpa":1,"strokeTimeS":25,"deadTimeMs":100,"lagMs":60})");
    ASSERT_EQ(WriteFloats("STD_ACT_SIGN_SET", {20, 300, 5}), E_OK);
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(Run(3, states), 1) << run;
        Upload(1, x, y);
        ASSERT_EQ(y.size(), 18u) << run;
        EXPECT_FLOAT_EQ(y[0], 10.0f);
        for (size_t i = 0; i < 9; ++i) EXPECT_GT(x[i] - x[17 - i], 20.0f) << i;
    }

    // Air to close on a low supply: the ramp falls to open the valve, and stops at the
    // atmosphere at the latest.
    load(R"({"failAction":"airToClose","frictionKpa":6,"stickSlipKpa":0.5,"supplyKpa":115})");
    ASSERT_EQ(Run(3, states), 1);
    Upload(1, x, y);
    ASSERT_EQ(y.size(), 18u);
    for (size_t i = 0; i < 9; ++i) EXPECT_LT(x[i] - x[17 - i], -6.0f) << i;  // less pressure opens it

    // Position noise around the marks: the falling stroke's first point is taken on the way
    // down, never from a rising sample the noise pushed back across 90 %.
    load(R"({"noisePct":0.3})");
    for (int run = 0; run < 3; ++run) {
        ASSERT_EQ(Run(3, states), 1);
        Upload(1, x, y);
        ASSERT_EQ(y.size(), 18u);
        EXPECT_FLOAT_EQ(y[9], 90.0f);
        EXPECT_GT(x[8] - x[9], 3.0f) << run;  // the true gap is twice the 3 kPa friction
    }

    // The step starts from a valve at rest: still, and its pressure no longer creeping towards
    // a slip (a valve on long tubing whose integral winds slowly against friction), or, for
    // one that keeps slipping around its set point (sticky, air to close), just after it
    // stopped. Either way the ten samples before the step show a still valve, and the valve
    // that slips is measured, not refused. Each is auto tuned first, as in the field.
    for (const char* valve : {R"({"frictionKpa":1.5,"strokeTimeS":8,"deadTimeMs":400})",
                              R"({"failAction":"airToClose","springRangeKpa":[40,160],"supplyKpa":200,)"
                              R"("frictionKpa":6,"stickSlipKpa":1,"strokeTimeS":10})"}) {
        load(valve);
        ASSERT_EQ(WriteU8(vfd_, tb_ + "AUTO_TUNE_EXEC", 3), E_OK);
        for (int i = 0; i < 6000 && U8("AUTO_TUNE_EXEC") != 1; ++i) Advance(100);
        ASSERT_EQ(U8("AUTO_TUNE_EXEC"), 1);
        ASSERT_EQ(WriteFloats("STEP_RESP_SET", {20, 40, 80, 60}), E_OK);
        for (int run = 0; run < 3; ++run) {
            // Held near the initial set point for a while first: the step's own wait then
            // finds the valve still, with whatever its servo is still doing.
            ASSERT_EQ(WriteFloats("FINAL_VALUE.VALUE", {20}), E_OK);
            for (int i = 0; i < 200; ++i) Advance(100);
            ASSERT_EQ(Run(6, states), 1) << valve << " run " << run;
            Upload(3, x, y);
            ASSERT_EQ(y.size(), 60u);
            const auto [low, high] = std::minmax_element(y.begin(), y.begin() + 10);
            EXPECT_LT(*high - *low, 0.1f) << valve << " run " << run;
            EXPECT_FLOAT_EQ(x[9], 20.0f);
            EXPECT_FLOAT_EQ(x[10], 40.0f);
        }
    }

    // A sensor this noisy never reads as at rest: no step is measured and the result says why.
    load(R"({"noisePct":1})");
    ASSERT_EQ(WriteFloats("STEP_RESP_SET", {30, 70, 50, 80}), E_OK);
    EXPECT_EQ(Run(6, states), 130);
    Upload(3, x, y);
    EXPECT_TRUE(y.empty());
}

}  // namespace
}  // namespace simulator::testing
