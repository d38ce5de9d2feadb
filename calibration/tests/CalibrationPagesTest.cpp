// The calibration sheet's logic on positioners of the simulated default segment: the
// procedure protocol as the program runs it, the pages' edge cases, and the way out of the
// sheet.
#include <gtest/gtest.h>

#include <algorithm>

#include "calibration/CalibrationSession.h"
#include "calibration/RunProcedure.h"
#include "calibration/testing/SegmentDeviceBed.h"
#include "config/CConfigData.h"
#include "fieldbus/OperationState.h"
#include "fieldbus/TypedValues.h"
#include "fieldbus/tests/support/PositionerDouble.h"

namespace calibration::testing {
namespace {

using platform::IDNO;
using platform::IDYES;

class CalibrationPagesTest : public SegmentDeviceBed {
protected:
    void SetUp() override { config::CurrentConfig() = config::CConfigData(); }
    // As the calibration command leaves it: out of service.
    void OpenOutOfService(const std::string& deviceTag) {
        Open(deviceTag);
        ASSERT_EQ(0, device.SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnStateChange, false, false));
    }
    uint8_t Tb(const char* name) {
        uint8_t value = 0;
        EXPECT_EQ(fieldbus::ReadTypedValue(device, device.BlockOf(fieldbus::BlockKind::TB), name, value,
                                           fieldbus::Wire::U8),
                  0);
        return value;
    }
    float TbFloat(const char* name) {
        float value = 0;
        EXPECT_EQ(fieldbus::ReadTypedValue(device, device.BlockOf(fieldbus::BlockKind::TB), name, value,
                                           fieldbus::Wire::F32),
                  0);
        return value;
    }
};

TEST_F(CalibrationPagesTest, StopFindingFromTheRangePageRunsTheProtocolToItsEnd) {
    Open("FV-101");
    CalibrationSession session(device, dialogs, ReadExtendedServo(device));
    ui.Answer(IDYES, "stroke the valve");
    const uint64_t start = clock.NowMs();
    session.Range().Go(RangeOption::AutoStops, "");
    EXPECT_EQ("Success", session.Range().ResultText());
    // Out of service first, without a question; the dialog saw the state climb; the sheet
    // was disabled meanwhile and the dialog closed at the end.
    EXPECT_EQ(1u, ui.Messages().size());
    EXPECT_EQ(std::vector<std::string>{"Finding stop limits in progress ..."}, dialogs.opened);
    ASSERT_FALSE(dialogs.progress.empty());
    EXPECT_TRUE(std::is_sorted(dialogs.progress.begin(), dialogs.progress.end()));
    EXPECT_GE(dialogs.progress.back(), 90);
    EXPECT_EQ((std::vector<bool>{false, true}), dialogs.parentEnabled);
    EXPECT_EQ(1, dialogs.closed);
    // The polls wait between the reads: the device's time passed (and messages were pumped).
    EXPECT_GT(clock.NowMs() - start, 10000u);
    // After the stop finding the open stop adjustment is 100 on the device and the page.
    EXPECT_FLOAT_EQ(100.0f, TbFloat("OPEN_STOP_ADJ"));
    EXPECT_FLOAT_EQ(100.0f, session.Range().AdjustmentField());
}

TEST_F(CalibrationPagesTest, CancelWritesTheCancelCommandAndShowsTheDevicesLabel) {
    Open("FV-101");
    dialogs.onProgress = [this](int progress) {
        if (progress >= 20) dialogs.PressCancel();
    };
    CalibrationSession session(device, dialogs, false);
    ui.Answer(IDYES, "stroke the valve");
    session.AutoTune(false);
    EXPECT_EQ("Cancelled", session.Tuning().ResultText());  // the label of result 2
    EXPECT_EQ(2, Tb("AUTO_TUNE_RESULT"));
    EXPECT_EQ(1, Tb("AUTO_TUNE_EXEC"));
    EXPECT_EQ(0, dialogs.closed);  // the user closed it
    EXPECT_EQ((std::vector<bool>{false, true}), dialogs.parentEnabled);
}

TEST_F(CalibrationPagesTest, ManualStopFindingWritesTheCommandAgainAtEachConfirmation) {
    Open("FV-101");
    CalibrationSession session(device, dialogs, false);
    const uint64_t start = clock.NowMs();
    int confirmed = 0;
    onTime = [&](uint64_t now) {
        // The user confirms after 12 s at the exhaust stop, then after 12 s at full air.
        if ((confirmed == 0 && now - start > 12000) || (confirmed == 1 && now - start > 24000)) {
            ++confirmed;
            dialogs.PressConfirm();
        }
    };
    ui.Answer(IDYES, "stroke the valve");
    session.Range().Go(RangeOption::ManualStops, "");
    EXPECT_EQ(2, confirmed);
    EXPECT_EQ("Success", session.Range().ResultText());
    EXPECT_EQ(std::vector<std::string>{"Manual finding stop limits in progress ..."}, dialogs.opened);
    EXPECT_GT(clock.NowMs() - start, 24000u);  // it waited for the user
}

TEST_F(CalibrationPagesTest, OpenStopAdjustmentAcceptsSixtyToHundredOnly) {
    OpenOutOfService("FV-102");  // extended servo parameters: the device applies the adjustment itself
    CalibrationSession session(device, dialogs, ReadExtendedServo(device));
    ASSERT_TRUE(session.ExtendedServo());
    for (const char* bad : {"59.9", "100.1", "abc"}) {
        session.Range().Go(RangeOption::OpenStopAdjust, bad);
        EXPECT_EQ("Error: Valid Open Stop Adjustment value must be (60, 100)", ui.Last().text) << bad;
    }
    ui.Answer(IDYES, "stroke the valve");
    session.Range().Go(RangeOption::OpenStopAdjust, "60");
    EXPECT_EQ("Succeeded", session.Range().ResultText());
    EXPECT_FLOAT_EQ(60.0f, TbFloat("OPEN_STOP_ADJ"));
    EXPECT_FLOAT_EQ(60.0f, LastAppliedOpenStop());
    ui.Answer(IDYES, "stroke the valve");
    session.Range().Go(RangeOption::OpenStopAdjust, "100");
    EXPECT_FLOAT_EQ(100.0f, TbFloat("OPEN_STOP_ADJ"));
    EXPECT_TRUE(dialogs.opened.empty());  // no stop finding needed
    // Cancel tells the user the adjustment stays.
    ui.Clear();
    session.Cancel();
    EXPECT_EQ("Clicking Cancel will not RESET the setting of Open Stop Adjustment that you have changed.",
              ui.Last().text);
}

TEST_F(CalibrationPagesTest, AnOpenStopAdjustmentOnAnOlderDeviceFindsTheStopsAgain) {
    OpenOutOfService("FV-101");  // without the extended servo parameters
    CalibrationSession session(device, dialogs, ReadExtendedServo(device));
    ASSERT_FALSE(session.ExtendedServo());
    ui.Answer(IDYES, "stroke the valve");
    session.Range().Go(RangeOption::OpenStopAdjust, "80");
    EXPECT_EQ(std::vector<std::string>{"Finding stop limits in progress ..."}, dialogs.opened);
    EXPECT_EQ("Success", session.Range().ResultText());
    EXPECT_TRUE(session.Range().AdjustmentApplied());
    // The device folded the adjustment into its travel: 99 % now stands at 80 % of the way.
    EXPECT_FLOAT_EQ(100.0f, TbFloat("OPEN_STOP_ADJ"));
    ASSERT_EQ(0, device.WriteTbFinalValue(99.0f));
    for (int i = 0; i < 150; ++i) Advance(100);
    EXPECT_NEAR(0.99 * 80.0, std::stod(ValveState("travel")), 0.5);
}

TEST_F(CalibrationPagesTest, TravelCalibrationTargetsAreClampedAndNeverNegativeZero) {
    OpenOutOfService("FV-101");
    TravelCalibrationPage travel(device);
    travel.Load();
    EXPECT_EQ(travel.TargetText(), travel.ChangeToText());
    travel.SetChangeToText("150");
    travel.SetTarget();
    EXPECT_EQ("110.00", travel.TargetText());  // EU_100 of FINAL_VALUE_RANGE
    travel.SetChangeToText("0.01");
    travel.Step(-1, 0.01);
    EXPECT_EQ("0.00", travel.ChangeToText());
    travel.Step(-1, 0.01);
    EXPECT_EQ("-0.01", travel.ChangeToText());
    travel.SetChangeToText("-0.004");
    travel.Step(0, 0.01);
    EXPECT_EQ("0.00", travel.ChangeToText());
    EXPECT_EQ("0.00", FormatTarget(-0.0049));

    travel.SetChangeToText("0");
    travel.SetTarget();
    for (int i = 0; i < 100; ++i) Advance(100);
    ui.Answer(IDYES, "apply Travel Calibration");
    travel.Apply(kZeroCalibration);
    EXPECT_EQ("Success", travel.ResultText());
}

TEST_F(CalibrationPagesTest, AutoTuneChangesTheNowColumnAndCancelRestoresTheOriginal) {
    OpenOutOfService("KV-201");
    CalibrationSession session(device, dialogs, ReadExtendedServo(device));
    session.Open();
    const MainServoSet original = session.Tuning().Original();
    const AdvancedServoSet advancedOriginal = session.Advanced().Original();
    ui.Answer(IDYES, "stroke the valve");
    session.AutoTune(false);
    EXPECT_EQ("Success", session.Tuning().ResultText());
    EXPECT_NE(original.values[0], session.Tuning().Now().values[0]);  // the gain
    EXPECT_EQ(original, session.Tuning().Original());
    EXPECT_NE(advancedOriginal.offset, session.Advanced().Now().offset);  // re-read after the tune

    // The configuration belongs to something else: Cancel writes back what the device held.
    config::CurrentConfig().position.servoGain = 999.0f;
    session.Cancel();
    MainServoSet now;
    ASSERT_EQ(0, ReadMainServo(device, now));
    EXPECT_EQ(original, now);
    AdvancedServoSet advanced;
    ASSERT_EQ(0, ReadAdvancedServo(device, false, advanced));
    EXPECT_EQ(advancedOriginal, advanced);
    EXPECT_FLOAT_EQ(999.0f, config::CurrentConfig().position.servoGain);
}

TEST_F(CalibrationPagesTest, OkWritesEditedValuesAndKeepsThemInTheConfiguration) {
    OpenOutOfService("KV-201");
    CalibrationSession session(device, dialogs, false);
    session.Open();
    MainServoSet edited = session.Tuning().Now();
    edited.values[0] = 150.0f;
    session.Tuning().Edit(edited);
    AdvancedServoSet advanced = session.Advanced().Now();
    advanced.offset = 54.0f;
    session.Advanced().Edit(advanced);
    session.Ok();
    EXPECT_FLOAT_EQ(150.0f, TbFloat("SERVO_GAIN"));
    EXPECT_FLOAT_EQ(54.0f, TbFloat("SERVO_OFFSET"));
    EXPECT_FLOAT_EQ(150.0f, config::CurrentConfig().position.servoGain);
    EXPECT_FLOAT_EQ(54.0f, config::CurrentConfig().position.servoOffset);
    EXPECT_EQ(config::StateChangedByCalibration, config::CurrentConfig().dataState);
}

TEST(RunProcedureTest, ADeviceThatCannotGoOutOfServiceGetsNoCommand) {
    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;
    fieldbus::testing::PositionerDouble device(&clock);
    device.SetReadCostMs(1000);
    device.SetStuck(fieldbus::testing::PositionerDouble::kAo);  // AO never follows: the mode change times out
    device.SetBytes(fieldbus::testing::PositionerDouble::kTb, "AUTO_TUNE_EXEC", {1});
    bool cancel = false;
    std::string text;
    EXPECT_EQ(1, RunProcedure(device, kFindStops, cancel, text, 0));
    EXPECT_EQ(kWriteExecFailed, text);
    for (const auto& [block, name] : device.Writes()) EXPECT_NE("AUTO_TUNE_EXEC", name);
}

TEST(RunProcedureTest, ServoDefaultsThatNeverFinishGiveUpAfterThirtySeconds) {
    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;
    fieldbus::testing::PositionerDouble device(&clock);
    device.SetModes(fieldbus::testing::PositionerDouble::kAo, fieldbus::kModeOos, fieldbus::kModeOos);
    device.SetModes(fieldbus::testing::PositionerDouble::kTb, fieldbus::kModeOos, fieldbus::kModeOos);
    device.SetModes(fieldbus::testing::PositionerDouble::kPid, fieldbus::kModeOos, fieldbus::kModeOos);
    device.SetBytes(fieldbus::testing::PositionerDouble::kTb, "SERVO_RET_TO_DEFAULT", {1});
    AdvancedPage page(device, false);
    ui.Answer(IDYES, "reset all the related servo parameters");
    const uint64_t start = clock.NowMs();
    EXPECT_FALSE(page.SetDefaults());
    EXPECT_GE(clock.NowMs() - start, kServoDefaultLimitMs);
    EXPECT_LT(clock.NowMs() - start, kServoDefaultLimitMs + 1000);
    EXPECT_EQ("Error: The device did not return to the default servo parameters within 30 s.", ui.Last().text);
}

TEST(RunProcedureTest, ServoDefaultsWhoseEndCannotBeReadAreNotReportedAsDone) {
    // The request is written, then the device stops answering reads of it.
    class LosingDevice : public fieldbus::testing::PositionerDouble {
    public:
        using PositionerDouble::PositionerDouble;
        int ReadParameter(int block, const std::string& name, void* buffer, uint16_t& size) override {
            if (name == "SERVO_RET_TO_DEFAULT" && requested) return -3;
            return PositionerDouble::ReadParameter(block, name, buffer, size);
        }
        int WriteParameter(int block, const std::string& name, const void* buffer, uint16_t size) override {
            requested = requested || name == "SERVO_RET_TO_DEFAULT";
            return PositionerDouble::WriteParameter(block, name, buffer, size);
        }
        bool requested = false;
    };
    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;
    LosingDevice device(&clock);
    for (int block : {LosingDevice::kAo, LosingDevice::kTb, LosingDevice::kPid})
        device.SetModes(block, fieldbus::kModeOos, fieldbus::kModeOos);
    device.SetBytes(LosingDevice::kTb, "SERVO_RET_TO_DEFAULT", {1});
    AdvancedPage page(device, false);
    ui.Answer(IDYES, "reset all the related servo parameters");
    EXPECT_FALSE(page.SetDefaults());
    EXPECT_TRUE(device.requested);
    EXPECT_EQ("Error: Set servo parameter to default ", ui.Last().text);
}

TEST_F(CalibrationPagesTest, AProcedureThatNeverEndsIsGivenUpWithAClearMessage) {
    Open("FV-101");
    ASSERT_EQ(E_OK, Control(R"({"command":"valveFault","device":"FV-101","fault":"hangProcedure"})"));
    bool cancel = false;
    std::string text;
    const uint64_t start = clock.NowMs();
    EXPECT_EQ(1, RunProcedure(device, kSelfCheck, cancel, text, 0));
    EXPECT_EQ(kProcedureTimedOut, text);
    EXPECT_GE(clock.NowMs() - start, kProcedureLimitMs);
    EXPECT_EQ(2, Tb("AUTO_TUNE_RESULT"));  // the device was told to stop
}

}  // namespace
}  // namespace calibration::testing

namespace calibration::testing {
namespace {

class RecordingHost : public CalibrationHost {
public:
    int OpenTrendWindowCount() const override { return trends; }
    void StopPolling() override { calls.push_back("stop"); }
    void StartPolling() override { calls.push_back("start"); }
    void RunSheet(const std::string& title) override { calls.push_back(title); }
    int trends = 0;
    std::vector<std::string> calls;
};

TEST(CalibrationCommandTest, TheEntryRulesGuardTheDevice) {
    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;
    fieldbus::testing::PositionerDouble device(&clock);
    RecordingHost host;
    // A trend window open: refused before any question.
    host.trends = 1;
    EXPECT_EQ(1, RunCalibrationCommand(&device, "FV-101", fieldbus::kNormalState, host));
    EXPECT_EQ("Please close all the trend windows before launch the Calibration dialog.", ui.Last().text);
    EXPECT_TRUE(host.calls.empty());
    // Declined: nothing stops, nothing changes.
    host.trends = 0;
    ui.Answer(platform::IDNO, "To enter calibration, the device need to be put into O/S");
    EXPECT_EQ(2, RunCalibrationCommand(&device, "FV-101", fieldbus::kNormalState, host));
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(device.TargetWrites().empty());
    // Accepted: readers stopped, out of service, the sheet, readers started again.
    ui.Answer(platform::IDYES, "To enter calibration");
    EXPECT_EQ(0, RunCalibrationCommand(&device, "FV-101", fieldbus::kNormalState, host));
    EXPECT_EQ((std::vector<std::string>{"stop", "Calibration (FV-101)", "start"}), host.calls);
    EXPECT_EQ(fieldbus::kModeOos, device.Actual(fieldbus::testing::PositionerDouble::kTb));
    // Already out of service: no question.
    host.calls.clear();
    EXPECT_EQ(0, RunCalibrationCommand(&device, "FV-101", fieldbus::kOutOfService, host));
    EXPECT_EQ(3u, host.calls.size());
    EXPECT_EQ("Calibration (No Device Attached)", CalibrationTitle("FV-101", false));
}

TEST(CalibrationCommandTest, ATravelCalibrationIsWaitedForAtMostTenSeconds) {
    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;
    fieldbus::testing::PositionerDouble device(&clock);
    for (int block : {fieldbus::testing::PositionerDouble::kAo, fieldbus::testing::PositionerDouble::kTb,
                      fieldbus::testing::PositionerDouble::kPid})
        device.SetModes(block, fieldbus::kModeOos, fieldbus::kModeOos);
    device.SetBytes(fieldbus::testing::PositionerDouble::kTb, "TRAVEL_CALIB_EXEC", {1});
    device.SetBytes(fieldbus::testing::PositionerDouble::kTb, "TRAVEL_CALIB_RESULT", {255});  // never finishes
    uint8_t code = 0;
    std::string text;
    const uint64_t start = clock.NowMs();
    EXPECT_EQ(1, RunTravelCalibration(device, kSpanCalibration, code, text));
    EXPECT_GE(clock.NowMs() - start, kTravelLimitMs);
    EXPECT_LT(clock.NowMs() - start, kTravelLimitMs + 500);
    EXPECT_EQ((std::vector<uint8_t>{kSpanCalibration}),
              device.Bytes(fieldbus::testing::PositionerDouble::kTb, "TRAVEL_CALIB_EXEC"));
}

}  // namespace
}  // namespace calibration::testing

namespace calibration::testing {
namespace {

class ProcedureDropoutTest : public CalibrationPagesTest {};

TEST_F(ProcedureDropoutTest, ADeviceThatDropsOutDuringAutoTuneIsFollowedToItsResultAndItsTuneShown) {
    OpenOutOfService("KV-201");
    CalibrationSession session(device, dialogs, ReadExtendedServo(device));
    session.Open();
    const MainServoSet original = session.Tuning().Original();
    // Once the tune is under way every request to the device fails for 7 s; it goes on tuning.
    uint64_t droppedAt = 0;
    bool back = false;
    dialogs.onProgress = [&](int progress) {
        if (progress >= 9 && droppedAt == 0) {
            droppedAt = clock.NowMs();
            EXPECT_EQ(E_OK, Control(R"({"command":"commErrors","device":"KV-201","rate":1})"));
        }
    };
    onTime = [&](uint64_t now) {
        if (droppedAt != 0 && !back && now - droppedAt >= 7000) {
            back = true;
            EXPECT_EQ(E_OK, Control(R"({"command":"commErrors","device":"KV-201","rate":0})"));
        }
    };
    ui.Answer(IDYES, "stroke the valve");
    session.AutoTune(false);
    ASSERT_TRUE(back);
    EXPECT_EQ("Success", session.Tuning().ResultText());
    // The page shows what the device holds after its tune, not the values from before.
    MainServoSet held;
    ASSERT_EQ(0, ReadMainServo(device, held));
    EXPECT_EQ(held, session.Tuning().Now());
    EXPECT_NE(original.values[0], session.Tuning().Now().values[0]);
    EXPECT_EQ(1u, ui.Messages().size()) << ui.Last().text;  // only the stroke question
    EXPECT_EQ(1, dialogs.closed);
    // The window was told how long the device was silent, then that it answered again.
    ASSERT_FALSE(dialogs.silentSeconds.empty());
    EXPECT_EQ(7, *std::max_element(dialogs.silentSeconds.begin(), dialogs.silentSeconds.end()));
    EXPECT_EQ(0, dialogs.silentSeconds.back());
}

TEST_F(ProcedureDropoutTest, ADeviceThatNeverComesBackEndsTheWaitWithOneClearMessage) {
    OpenOutOfService("KV-201");
    bool dropped = false;
    dialogs.onProgress = [&](int progress) {
        if (progress >= 9 && !dropped) {
            dropped = true;
            EXPECT_EQ(E_OK, Control(R"({"command":"commErrors","device":"KV-201","rate":1})"));
        }
    };
    bool cancel = false;
    std::string text;
    const uint64_t start = clock.NowMs();
    EXPECT_EQ(1, RunProcedure(device, kAutoTune, cancel, text, dialogs.Handle()));
    EXPECT_EQ(kProcedureDeviceLost, text);
    EXPECT_GE(clock.NowMs() - start, kProcedureLostLimitMs);
    EXPECT_LT(clock.NowMs() - start, kProcedureLostLimitMs + 30000);
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(E_OK, Control(R"({"command":"commErrors","device":"KV-201","rate":0})"));
}

}  // namespace
}  // namespace calibration::testing
