// The PID process controller: its scale arithmetic, and its states, set point, alarm and
// training simulation on a positioner of the simulated segment.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "SegmentDevice.h"
#include "controller/PidController.h"
#include "fieldbus/OperationState.h"
#include "logon/CurrentUser.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"

namespace controller {
namespace {

using fieldbus::BlockKind;
using platform::IDNO;
using platform::IDYES;

TEST(PidScale, SlidersStatesAndTheSimulatedInput) {
    const SliderMapping pv = SliderMapping::FromScale({200.0f, 0.0f, 1342, 1}, "%");
    EXPECT_EQ(pv.Position(50.0f), 25);
    EXPECT_EQ(pv.highLabel, "200.0");
    EXPECT_EQ(pv.InvertedPosition(150.0f), 25);  // 100 at the top
    EXPECT_FLOAT_EQ(pv.ValueAtInverted(25), 150.0f);
    EXPECT_EQ(pv.Position(-5.0f), 0);
    EXPECT_EQ(pv.Position(500.0f), 100);

    // A range that is empty, reversed or endless shows the value itself, never dividing by 0.
    for (const fieldbus::ScalingRecord& scale :
         {fieldbus::ScalingRecord{10.0f, 10.0f, 0, 0}, fieldbus::ScalingRecord{0.0f, 100.0f, 0, 0},
          fieldbus::ScalingRecord{std::numeric_limits<float>::infinity(), 0.0f, 0, 0}}) {
        const SliderMapping flat = SliderMapping::FromScale(scale, "kPa");
        EXPECT_EQ(flat.highLabel, "100.0");
        EXPECT_EQ(flat.lowLabel, "0.0");
        EXPECT_EQ(flat.unit, "%");
        EXPECT_EQ(flat.Position(42.4f), 42);
        EXPECT_TRUE(std::isfinite(flat.ValueAt(42)));
    }

    using namespace fieldbus;
    EXPECT_EQ(DeriveState(kModeAuto, kModeCas, kModeAuto, true), kStateSim);
    EXPECT_EQ(DeriveState(kModeAuto, kModeCas, kModeAuto, false), kStateAuto);
    EXPECT_EQ(DeriveState(kModeMan, kModeAuto, kModeAuto, false), kStateOther);  // AO not in CAS
    EXPECT_EQ(DeriveState(kModeRcas, kModeCas, kModeAuto, false), kStateRcas);
    EXPECT_EQ(DeriveState(kModeOos, kModeCas, kModeAuto, false), kStateOther);
    EXPECT_FLOAT_EQ(SimulatedInput(40.0f, 0.0f, 10.0f), 4.0f);
}

class Host : public ControllerHost {
public:
    void StartSimulationTimer(uint32_t ms) override { timer = ms; }
    void StopSimulationTimer() override { timer = 0; }
    void ControllerChanged() override { ++changes; }
    uint32_t timer = 0;
    int changes = 0;
};

class PidControllerOnSegment : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bed.Opened());
        logon::CurrentUser::SetLevel(9);
        // Every wait of the program moves the segment's clock as far.
        clock.OnSleep([this](uint64_t now) {
            bed.Advance(now - last);
            last = now;
        });
    }
    void TearDown() override { logon::CurrentUser::Reset(); }

    float Read(int (fieldbus::DeviceAccess::*read)(fieldbus::StatusValue&)) {
        fieldbus::StatusValue v;
        EXPECT_EQ((bed.Device().*read)(v), 0);
        return v.value;
    }
    uint16_t LinkLocalIndex() {
        fieldbus::LinkObject link;
        EXPECT_EQ(bed.Device().ReadLinkObject(30002, link), 0);
        return link.localIndex;
    }

    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;
    uint64_t last = clock.NowMs();
    fieldbus::testing::SegmentDevice bed{"FV-101"};
    Host host;
};

TEST_F(PidControllerOnSegment, SimulationFeedsReadbackIntoTheLoopUntilATickFails) {
    fieldbus::FieldbusDevice& device = bed.Device();
    PidController pid(&device, host, {"FV-101", 0.0f, 100.0f, {}, {}});
    EXPECT_EQ(pid.Title(), "PID Process Controller (FV-101)");
    pid.Fill(0);
    EXPECT_EQ(pid.ShownState(), kStateAuto);
    EXPECT_EQ(pid.OpeningFilterTime(), 0.0f);

    // No to the warning: the loop's link object stays.
    ui.Answer(IDNO, "WARNING: SIM state must NOT be used");
    pid.ChangeState(kStateSim);
    EXPECT_EQ(pid.ShownState(), kStateAuto);
    EXPECT_EQ(LinkLocalIndex(), PidController::kPidInIndex);

    ui.Answer(IDYES, "The control loop configuration will be permanently REMOVED!");
    pid.ChangeState(kStateSim);
    ASSERT_EQ(pid.ShownState(), kStateSim) << (ui.Messages().empty() ? "" : ui.Last().text);
    EXPECT_EQ(host.timer, PidController::kSimulationPeriodMs);
    EXPECT_EQ(LinkLocalIndex(), 0);
    float ftime = 0;
    ASSERT_EQ(device.ReadPidPvFtime(ftime), 0);
    EXPECT_EQ(ftime, PidController::kSimulationFilterTime);
    EXPECT_TRUE(pid.SetPointEnabled());
    EXPECT_FALSE(pid.OutputEnabled());

    // A new set point: the valve carries the process there within a minute.
    ASSERT_EQ(pid.EnterSetPoint(70.0f), 0);
    for (int s = 0; s < 60; ++s) {
        bed.Advance(PidController::kSimulationPeriodMs);
        ASSERT_EQ(pid.SimulationTick(), 0);
    }
    EXPECT_NEAR(Read(&fieldbus::DeviceAccess::ReadPidPv), 70.0f, 1.0f);
    EXPECT_NEAR(Read(&fieldbus::DeviceAccess::ReadAoReadback), 70.0f, 1.5f);
    EXPECT_NEAR(Read(&fieldbus::DeviceAccess::ReadTbFinalPositionValue), 70.0f, 1.5f);

    // The transducer block out of service: READBACK is no longer good and the simulation
    // ends; the PID block stays in AUTO and PV_FTIME goes back.
    ui.Answer(IDYES, "Out of Service");
    ASSERT_EQ(device.SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnStateChange, true, false), 0);
    EXPECT_EQ(pid.SimulationTick(), 1);
    EXPECT_EQ(ui.Last().text,
              "Unable to continue feeding simulation value from AO Readback into PID IN \ndue to non-good AO READBACK "
              "status.\nSimulation discontinued.");
    EXPECT_FALSE(pid.Simulating());
    EXPECT_EQ(host.timer, 0u);
    ASSERT_EQ(device.ReadPidPvFtime(ftime), 0);
    EXPECT_EQ(ftime, 0.0f);
    uint8_t mode = 0;
    ASSERT_EQ(device.ReadActualMode(device.BlockOf(BlockKind::PID), mode), 0);
    EXPECT_EQ(mode, fieldbus::kModeAuto);
    pid.Close();
}

TEST_F(PidControllerOnSegment, ClosingWhileSimulatingRestoresTheFilterAndOffersMan) {
    fieldbus::FieldbusDevice& device = bed.Device();
    PidController pid(&device, host, {"FV-101", 0.0f, 100.0f, {}, {}});
    pid.Fill(0);
    ui.Answer(IDYES, "Do you want to proceed ?");
    pid.ChangeState(kStateSim);
    ASSERT_TRUE(pid.Simulating());

    ui.Answer(IDYES, "Do you want to change the PID block to MAN mode ?");
    pid.Close();
    float ftime = -1;
    ASSERT_EQ(device.ReadPidPvFtime(ftime), 0);
    EXPECT_EQ(ftime, 0.0f);
    uint8_t mode = 0;
    ASSERT_EQ(device.ReadActualMode(device.BlockOf(BlockKind::PID), mode), 0);
    EXPECT_EQ(mode, fieldbus::kModeMan);
    EXPECT_EQ(ui.PendingAnswers(), 0u);
}

// A target that reports a PV to the controller whenever it gets a message (a reader's
// message arriving while the alarm message is up).
class PvSource : public platform::MessageTarget {
public:
    explicit PvSource(PidController& pid) : pid_(pid) {}
    void OnMessage(unsigned, uintptr_t, intptr_t value) override { pid_.UpdatePv(static_cast<float>(value)); }

private:
    PidController& pid_;
};

TEST_F(PidControllerOnSegment, TheAlarmMessageComesOnceForAnExcursion) {
    fieldbus::FieldbusDevice& device = bed.Device();
    const int block = device.BlockOf(BlockKind::PID);
    const uint8_t hi[4] = {0x42, 0x70, 0, 0};  // 60.0
    const uint8_t lo[4] = {0x41, 0x20, 0, 0};  // 10.0
    ASSERT_EQ(device.WriteParameter(block, "HI_LIM", hi, 4), 0);
    ASSERT_EQ(device.WriteParameter(block, "LO_LIM", lo, 4), 0);
    PidController pid(&device, host, {"FV-101", 0.0f, 100.0f, {}, {}});
    pid.Fill(0);
    ui.Clear();

    pid.UpdatePv(60.0f);  // on the limit: no alarm
    EXPECT_FALSE(pid.AlarmShown());
    PvSource source(pid);
    auto& dispatcher = platform::MessageDispatcher::Instance();
    const platform::WindowHandle handle = dispatcher.Register(&source);
    // While the first message is up, PV comes back and leaves again.
    dispatcher.PostMessage(handle, 1, 0, 50);
    dispatcher.PostMessage(handle, 1, 0, 65);
    ui.DeliverPostedMessages(true);
    pid.UpdatePv(61.0f);
    ui.DeliverPostedMessages(false);
    dispatcher.Unregister(handle);
    ASSERT_EQ(ui.Texts().size(), 1u);
    EXPECT_EQ(ui.Last().text, "PV=61.000000, AlarmL= 10.000000, AlarmH= 60.000000");
    EXPECT_TRUE(pid.AlarmShown());
    pid.UpdatePv(10.0f);
    EXPECT_FALSE(pid.AlarmShown());
}

TEST(PidControllerWithoutDevice, ShowsNoDeviceAndDoesNothing) {
    platform::testing::ScriptedUi ui;
    Host host;
    PidController pid(nullptr, host, {});
    EXPECT_EQ(pid.Title(), "PID Process Controller (No Device Attached)");
    pid.Fill(0);
    pid.ChangeState(kStateSim);
    EXPECT_EQ(pid.ShownState(), kStateOther);
    EXPECT_EQ(pid.EnterSetPoint(5.0f), 1);
    EXPECT_EQ(pid.SimulationTick(), 0);
    pid.Close();
    EXPECT_TRUE(ui.Messages().empty());
}

}  // namespace
}  // namespace controller
