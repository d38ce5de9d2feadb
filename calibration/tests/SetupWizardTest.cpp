// The setup wizard's sequence: without a device, the writes at Finish, the refused entry, and
// the commissioning of a positioner of the simulated segment end to end, and its Cancel.
#include <gtest/gtest.h>

#include <future>

#include "DeviceTestBed.h"
#include "calibration/RunProcedure.h"
#include "calibration/SetupWizard.h"
#include "calibration/TravelCalibrationPage.h"
#include "calibration/WizardTuning.h"
#include "calibration/testing/SegmentDeviceBed.h"
#include "fieldbus/OperationState.h"

namespace calibration {
namespace {

using platform::IDNO;
using platform::IDYES;

class Host : public WizardHost {
public:
    int OpenTrendWindowCount() const override { return trends; }
    void StopPolling() override { ++stops; }
    void StartPolling() override { ++starts; }
    int trends = 0, stops = 0, starts = 0;
};

TEST(SetupWizard, WithoutADeviceEveryPageShowsAndOnlyTheRecordChanges) {
    platform::testing::ScriptedUi ui;
    config::CConfigData record;
    SetupWizard wizard(nullptr, "FV-101", record);
    ASSERT_EQ(wizard.Begin(), 0);
    EXPECT_EQ(wizard.Caption(kWelcomePage), "Setup Wizard - Welcome (No Device Attached)");
    EXPECT_EQ(wizard.Caption(kLimitsPage), "Setup Wizard - Position Control Limits (No Device Attached)");
    EXPECT_FALSE(wizard.StateChoosable());
    wizard.Actuator().failAction = 1;
    wizard.LeaveActuatorPage();
    wizard.Limits().nearClose = 5.0f;
    EXPECT_EQ(wizard.Finish(), 0);
    EXPECT_EQ(record.actuator.valveAction, 1u);
    EXPECT_EQ(record.position.nearCloseValue, 5.0f);
    EXPECT_TRUE(ui.Messages().empty());

    ControlLimits limits = LimitsOf(record);
    limits.travelLow = 50.0f;
    limits.travelHigh = 40.0f;
    EXPECT_EQ(CheckLimits(limits), "Value 1 should not exceed Value 2");
    limits = LimitsOf(record);
    limits.nearClose = 111.0f;  // beyond the travel range's high end
    EXPECT_FALSE(CheckLimits(limits).empty());
}

class SetupWizardOnFakeBus : public fieldbus::testing::DeviceTestBed {};

TEST_F(SetupWizardOnFakeBus, ChangingOnlyTheNearCloseThresholdWritesOnlyIt) {
    fieldbus::testing::FakeDevice fake = fieldbus::testing::StandardPositioner();
    fake.blocks[fieldbus::testing::kTb].parameters.push_back(
        {"NEAR_CLOSE_THRESHOLD", fieldbus::testing::BigEndianFloat(3.0f)});
    AddDevice(fake);
    ASSERT_EQ(device.OpenDevice(), 0);
    PutOutOfService();
    bus->ClearCalls();
    config::CConfigData record;
    SetupWizard wizard(&device, kPdTag, record);
    ASSERT_EQ(wizard.Begin(), 0);
    EXPECT_EQ(wizard.FinalState(), fieldbus::kOutOfService);
    EXPECT_FALSE(wizard.StateChangedByWizard());
    wizard.LeaveActuatorPage();  // nothing changed there
    wizard.Limits().nearClose = 4.5f;
    EXPECT_EQ(wizard.Finish(), 0);
    std::vector<std::string> writes;
    for (const fieldbus::testing::FakeCall& call : bus->Calls())
        if (call.op == nifb::Op::WriteObject) writes.push_back(call.name);
    EXPECT_EQ(writes, std::vector<std::string>{"TB_1.NEAR_CLOSE_THRESHOLD"});
    EXPECT_EQ(record.position.nearCloseValue, 4.5f);
    EXPECT_TRUE(ui.Messages().empty());
}

class SetupWizardOnSegment : public testing::SegmentDeviceBed {
protected:
    int State() {
        int state = -1;
        EXPECT_EQ(device.ReadOperationState(state), 0);
        return state;
    }
};

TEST_F(SetupWizardOnSegment, RefusingOutOfServiceLeavesTheWizardUnopened) {
    Open("KV-202");
    ASSERT_EQ(State(), fieldbus::kNormalState);
    Host host;
    bool ran = false;
    ui.Answer(IDNO, "To enter setup wizard, the device need to be put into O/S (out of service) state");
    EXPECT_EQ(RunSetupWizardCommand(&device, "KV-202", fieldbus::kNormalState, host,
                                    [&](SetupWizard&) { return ran = true; }),
              2);
    EXPECT_FALSE(ran);
    EXPECT_EQ(host.stops, 0);
    EXPECT_EQ(State(), fieldbus::kNormalState);

    host.trends = 1;
    EXPECT_EQ(RunSetupWizardCommand(&device, "KV-202", fieldbus::kNormalState, host,
                                    [&](SetupWizard&) { return ran = true; }),
              1);
    EXPECT_EQ(ui.Last().text, "Please close all the trend windows before launch the Setup Wizard.");
    EXPECT_FALSE(ran);
}

// A device that stops answering: its bus work runs on another thread as the window has it
// run, the failure is said, the wizard is not shown and the view reads the device again.
TEST_F(SetupWizardOnSegment, ASilentDeviceEndsTheWizardBeforeItShows) {
    Open("KV-202");
    Control(R"({"command":"silence","device":"KV-202","afterMs":0,"forMs":600000})");
    Host host;
    bool ran = false;
    int offThread = 0;
    ui.Answer(IDYES, "To enter setup wizard");
    EXPECT_EQ(RunSetupWizardCommand(
                  &device, "KV-202", fieldbus::kNormalState, host, [&](SetupWizard&) { return ran = true; }, 0,
                  [&](const WizardBusWork& work) {
                      ++offThread;
                      return std::async(std::launch::async, work).get();
                  }),
              1);
    EXPECT_FALSE(ran);
    EXPECT_GT(offThread, 0);
    EXPECT_EQ(ui.Last().text, "Error: Failed to change the device operation state.");
    EXPECT_EQ(host.starts, 1);
}

TEST_F(SetupWizardOnSegment, CommissionsAPositionerAndCancelLeavesItAsItWas) {
    Open("KV-202");
    config::CurrentConfig() = config::CConfigData();
    Host host;
    uint8_t failAction = 0;
    ASSERT_EQ(device.ReadTbActFailAction(failAction), 0);

    // Cancelled after the actuator was changed: the actuator and the state go back.
    ui.Answer(IDYES, "To enter setup wizard");
    ASSERT_EQ(RunSetupWizardCommand(&device, "KV-202", State(), host,
                                    [&](SetupWizard& wizard) {
                                        EXPECT_EQ(State(), fieldbus::kOutOfService);
                                        wizard.Actuator().failAction = failAction == 1 ? 1 : 0;
                                        wizard.LeaveActuatorPage();
                                        uint8_t written = 0;
                                        EXPECT_EQ(device.ReadTbActFailAction(written), 0);
                                        EXPECT_NE(written, failAction);
                                        return false;
                                    }),
              0);
    uint8_t now = 0;
    ASSERT_EQ(device.ReadTbActFailAction(now), 0);
    EXPECT_EQ(now, failAction);
    EXPECT_EQ(State(), fieldbus::kNormalState);
    EXPECT_EQ(host.stops, 1);
    EXPECT_EQ(host.starts, 1);

    // Commissioned: stops found and tuned (the set accepted), span calibrated, a limit
    // changed, and back to NORMAL.
    ui.Answer(IDYES, "To enter setup wizard");
    ASSERT_EQ(RunSetupWizardCommand(&device, "KV-202", State(), host,
                                    [&](SetupWizard& wizard) {
                                        wizard.LeaveActuatorPage();
                                        WizardTuning tuning(wizard.Device(), dialogs, wizard.ExtendedServo(),
                                                            wizard.Config());
                                        ui.Answer(IDYES, "stroke the valve");
                                        EXPECT_TRUE(tuning.Go());
                                        EXPECT_EQ(tuning.Icon(), TuneIcon::Success) << tuning.ResultText();
                                        EXPECT_TRUE(tuning.Offered());
                                        tuning.Accept();
                                        TravelCalibrationPage travel(*wizard.Device());
                                        travel.Load();
                                        ui.Answer(IDYES, "apply Travel Calibration");
                                        travel.Apply(kSpanCalibration);
                                        EXPECT_EQ(travel.ResultText(), "Success");
                                        wizard.Limits().nearClose = 2.0f;
                                        EXPECT_EQ(wizard.FinalState(), fieldbus::kNormalState);
                                        return true;
                                    }),
              0);
    EXPECT_EQ(State(), fieldbus::kNormalState);
    float nearClose = 0;
    ASSERT_EQ(device.ReadTbNearCloseThreshold(nearClose), 0);
    EXPECT_EQ(nearClose, 2.0f);
    MainServoSet servo;
    ASSERT_EQ(ReadMainServo(device, servo), 0);
    EXPECT_EQ(MainServoOf(config::CurrentConfig()), servo);  // the tuned set became the record's
    config::CurrentConfig() = config::CConfigData();
}

}  // namespace
}  // namespace calibration
