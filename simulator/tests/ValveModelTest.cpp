// The valve model's physics against values worked out by hand from its settings.
#include <gtest/gtest.h>

#include <chrono>

#include "simulator/valve/ValveExtension.h"
#include "simulator/valve/ValveModel.h"

namespace simulator::valve {
namespace {

// The maker's standard valve: spring 22..97 kPa (0.75 kPa per % travel), friction 3 kPa.
ValveModel StandardValve(ValveSettings settings = DefaultValveSettings(0x42524B)) {
    settings.noisePct = 0.0;
    return ValveModel(settings);
}

void Hold(ValveModel& m, const Drive& d, double seconds, const Environment& env = {}) {
    for (int i = 0; i < seconds / kStepS; ++i) m.Step(d, ServoParameters{}, env);
}

TEST(ValveModelTest, PressureHoldsTheStemOnTheSpringLineWithinTheFrictionBand) {
    ValveModel m = StandardValve();
    Environment env;
    // From below, 60 kPa carries the stem to where spring and friction take 60 kPa:
    // (60 - 3 - 22) / 0.75 = 46.67 %; from above it stays at (60 + 3 - 22) / 0.75 = 54.67 %.
    Hold(m, Drive::Vent(), 8, env);
    EXPECT_NEAR(m.Travel(), 0.0, 1e-9);
    Hold(m, Drive::Pressure(60), 10, env);
    const double droop = (54.8 - 55.0) / 5.0;  // the pressure loop's offset: (null - offset) / gain
    EXPECT_NEAR(m.PressureKpa(), 60 - droop, 0.05);
    EXPECT_NEAR(m.Travel(), (m.PressureKpa() - 3 - 22) / 0.75, 0.05);
    Hold(m, Drive::FullAir(), 8, env);
    EXPECT_NEAR(m.Travel(), 100.0, 1e-9);
    EXPECT_NEAR(m.PressureKpa(), 140.0, 0.05);  // capped by the supply
    Hold(m, Drive::Pressure(60), 10, env);
    EXPECT_NEAR(m.Travel(), (m.PressureKpa() + 3 - 22) / 0.75, 0.05);

    // A lower supply cannot push the stem to the open stop: (70 - 3 - 22) / 0.75 = 60 %.
    env.supplyKpa = 70;
    Hold(m, Drive::FullAir(), 8, env);
    EXPECT_NEAR(m.PressureKpa(), 70.0, 0.05);
    EXPECT_NEAR(m.Travel(), 60.0, 0.05);
    // Air to close: the spring opens the valve; 60 kPa from below closes it to 53.33 %.
    env = Environment{};
    env.airToClose = true;
    Hold(m, Drive::Vent(), 8, env);
    EXPECT_NEAR(m.Travel(), 100.0, 1e-9);
    Hold(m, Drive::Pressure(60), 10, env);
    EXPECT_NEAR(m.Travel(), 100.0 - (m.PressureKpa() - 3 - 22) / 0.75, 0.05);
}

TEST(ValveModelTest, TheFactorySetFollowsAStepWithAModestOvershootAndSettlesInSeconds) {
    ValveModel m = StandardValve();
    m.Settle(Drive::Servo(45), ServoParameters{}, {});
    double peak = 0, settledAt = -1;
    for (int i = 0; i < 5.0 / kStepS; ++i) {
        m.Step(Drive::Servo(55), ServoParameters{}, {});
        peak = std::max(peak, m.Position());
        if (std::fabs(m.Position() - 55) > 0.5) settledAt = -1;
        else if (settledAt < 0) settledAt = i * kStepS;
    }
    EXPECT_GE(peak, 55.5);  // 5 % of the step
    EXPECT_LE(peak, 56.5);  // 15 %
    EXPECT_GE(settledAt, 0.3);
    EXPECT_LE(settledAt, 3.0);
    // Without integral action a small offset remains: (relay null - offset) / proportional gain.
    ServoParameters pOnly;
    pOnly.reset = 0;
    for (int i = 0; i < 10.0 / kStepS; ++i) m.Step(Drive::Servo(55), pOnly, {});
    EXPECT_NEAR(m.Position(), 55 - (54.8 - 55.0) / (120.0 / kServoGainScale), 0.05);
}

TEST(ValveModelTest, TheSteadyStateOfALongGapMatchesWhatSteppingReaches) {
    ValveModel stepped = StandardValve(), settled = StandardValve();
    stepped.Settle(Drive::Servo(30), ServoParameters{}, {});
    settled.Settle(Drive::Servo(30), ServoParameters{}, {});
    Hold(stepped, Drive::Servo(70), 20);
    settled.Settle(Drive::Servo(70), ServoParameters{}, {});
    EXPECT_NEAR(settled.Position(), stepped.Position(), 0.3);
    // Both hold the stem against its spring within the friction band.
    for (const ValveModel* m : {&stepped, &settled})
        EXPECT_NEAR(m->PressureKpa(), m->SpringPressure(m->Travel(), false), 3.0 + 0.05);
    // Settling then stepping on does not jump.
    const double before = settled.Position();
    Hold(settled, Drive::Servo(70), 1);
    EXPECT_NEAR(settled.Position(), before, 0.3);
}

}  // namespace
}  // namespace simulator::valve

#include "simulator/ExtensionChain.h"
#include "simulator/FirmwareDomain.h"
#include "simulator/PositionerBuilder.h"

namespace simulator {
namespace {

// A second extension beside the valve: what reaches it.
class Recorder : public DeviceExtension {
public:
    int OnWrite(Device&, Block*, DeviceObject& object, int, const std::vector<uint8_t>&, uint64_t, bool&) override {
        writes.push_back(object.name);
        return E_OK;
    }
    void Advance(Device&, uint64_t, uint64_t) override { ++advances; }
    int DownloadDomain(Device&, const std::string&, const std::vector<uint8_t>&, uint64_t) override { return E_OK; }
    std::vector<std::string> writes;
    int advances = 0;
};

TEST(ExtensionChainTest, TheValveSharesItsDeviceWithAnotherExtension) {
    std::string error;
    PositionerOptions options;
    options.pdTag = "FV-101";
    std::unique_ptr<Device> device = BuildPositioner(options, error);
    ASSERT_TRUE(device) << error;
    auto recorder = std::make_shared<Recorder>();
    AttachExtension(*device, recorder);
    ASSERT_TRUE(FindExtension<valve::ValveExtension>(device->extension.get()));
    EXPECT_TRUE(device->extension->ModelsValve());
    Block& tb = *device->BlockByKind("TB");
    ObjectRef exec, gain;
    ASSERT_EQ(E_OK, device->Resolve(Space::FbVfd, &tb, "AUTO_TUNE_EXEC", exec));
    ASSERT_EQ(E_OK, device->Resolve(Space::FbVfd, &tb, "SERVO_GAIN", gain));
    tb.SetByte("MODE_BLK", MODE_OOS, 0);
    tb.effectiveTarget = MODE_OOS;
    device->Advance(1000);
    EXPECT_EQ(E_OK, device->Write(exec, {2}, 1000));  // the valve takes the command itself
    EXPECT_EQ(E_OK, device->Write(gain, {0x43, 0x20, 0, 0}, 1000));
    EXPECT_EQ(std::vector<std::string>{"SERVO_GAIN"}, recorder->writes);
    EXPECT_TRUE(FindExtension<FirmwareDomain>(device->extension.get()));  // the firmware domain stays
    device->Advance(2000);
    EXPECT_GT(recorder->advances, 0);
    EXPECT_EQ(2, tb.GetByte("AUTO_TUNE_EXEC"));  // stop finding runs
}

}  // namespace
}  // namespace simulator
