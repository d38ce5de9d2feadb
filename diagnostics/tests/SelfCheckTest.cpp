// The self check on a positioner of the simulated segment, and the reset of the continuous
// diagnostics with its questions.
#include <gtest/gtest.h>

#include <algorithm>

#include "calibration/testing/SegmentDeviceBed.h"
#include "calibration/RunProcedure.h"
#include "diagnostics/DiagnosticsValues.h"
#include "diagnostics/SelfCheck.h"
#include "fieldbus/OperationState.h"
#include "fieldbus/tests/support/MemoryDevice.h"

namespace diagnostics {
namespace {

using platform::IDNO;
using platform::IDYES;

class SelfCheckTest : public calibration::testing::SegmentDeviceBed {};

TEST_F(SelfCheckTest, TheSelfCheckFillsTheMeasuredValues) {
    Open("KV-201");
    // The stops first, so that 0 and 100 % are the true ends of the travel.
    bool cancel = false;
    std::string stops;
    ASSERT_EQ(0, calibration::RunProcedure(device, calibration::kFindStops, cancel, stops, 0));
    ASSERT_EQ("Success", stops);
    ASSERT_EQ(0, device.SetOperationState(fieldbus::kNormalState, 0, false, false));
    ui.Answer(IDYES, "To run self check, the device must be in OOS");
    ui.Answer(IDYES, "stroke the valve");
    std::string result;
    ASSERT_EQ(0, RunSelfCheck(device, dialogs, result));
    EXPECT_EQ("Success", result);
    EXPECT_EQ("Warning", ui.Messages()[0].caption);
    EXPECT_EQ(std::vector<std::string>{"Self Checking in progress ..."}, dialogs.opened);
    const DiagnosticsValues values = ReadDiagnosticsValues(device, false);
    for (const DiagnosticsLine& line : values.selfCheck) EXPECT_FALSE(line.value.empty()) << line.label;
    EXPECT_EQ("Measured Spring Range Upper", values.selfCheck[6].label);
    EXPECT_NEAR(102.0, std::stod(values.selfCheck[6].value), 0.02 * 81);  // KPX valve: 21-102 kPa
    EXPECT_EQ(" kPa", values.selfCheck[6].value.substr(values.selfCheck[6].value.size() - 4));
    EXPECT_NEAR(21.0, std::stod(values.selfCheck[7].value), 0.02 * 81);
    EXPECT_EQ(5u, values.historian.size());  // no device diagnostics on this revision
}

TEST_F(SelfCheckTest, ACancelledSelfCheckShowsCancelled) {
    Open("KV-201");
    dialogs.onProgress = [this](int progress) {
        if (progress >= 10) dialogs.PressCancel();
    };
    ui.Answer(IDYES, "To run self check");
    ui.Answer(IDYES, "stroke the valve");
    std::string result;
    ASSERT_EQ(0, RunSelfCheck(device, dialogs, result));
    EXPECT_EQ("Cancelled", result);
    // Declining the out-of-service question leaves the device alone.
    ui.Clear();
    ASSERT_EQ(0, device.SetOperationState(fieldbus::kNormalState, 0, false, false));
    ui.Answer(IDNO, "To run self check");
    EXPECT_EQ(2, RunSelfCheck(device, dialogs, result));
}

TEST_F(SelfCheckTest, ACancelTheSilentDeviceNeverTookIsNotShownAsCancelled) {
    Open("KV-201");
    dialogs.onProgress = [this](int progress) {
        if (progress < 10) return;
        // The device falls silent just as the technician cancels: the cancel never reaches it.
        ASSERT_EQ(E_OK, Control(R"({"command":"silence","device":"KV-201","afterMs":0,"forMs":600000})"));
        dialogs.PressCancel();
    };
    ui.Answer(IDYES, "To run self check");
    ui.Answer(IDYES, "stroke the valve");
    std::string result;
    ASSERT_EQ(0, RunSelfCheck(device, dialogs, result));
    EXPECT_EQ(calibration::kWriteCancelFailed, result);
}

TEST(DiagnosticsResetTest, TheQuestionsFollowTheCapabilityAndAFailedWriteIsSaid) {
    platform::testing::ScriptedUi ui;
    fieldbus::testing::MemoryDevice device;
    fieldbus::SetBlockId(fieldbus::BlockKind::TB, 1);
    fieldbus::SetBlockId(fieldbus::BlockKind::AO, 2);
    for (const char* name : {"TOTAL_TRAVEL", "TOTAL_CYCLE_COUNT", "TOTAL_OPEN_TIME", "TOTAL_CLOSE_TIME",
                             "TOTAL_NEAR_CLOSE_TIM", "SERVO_WARN_COUNT"})
        device.SetU32(1, name, 7);

    // Without the capability only the historian, with the two-line question.
    ui.Answer(IDYES, "The operation will reset Valve Historian data.\nAre you sure you want to proceed?");
    EXPECT_EQ(0, ResetContinuousDiagnostics(device, false));
    EXPECT_EQ((std::vector<uint8_t>{0, 0, 0, 0}), device.Bytes(1, "TOTAL_NEAR_CLOSE_TIM"));
    EXPECT_EQ((std::vector<uint8_t>{0, 0, 0, 7}), device.Bytes(1, "SERVO_WARN_COUNT"));

    // A counter of 0 offers only the historian too.
    device.SetU32(1, "SERVO_WARN_COUNT", 0);
    ui.Answer(IDNO, "The operation will reset Valve Historian data.");
    EXPECT_EQ(1, ResetContinuousDiagnostics(device, true));

    // A failing write is not silent.
    device.SetU32(1, "SERVO_WARN_COUNT", 3);
    device.FailOn("WriteParameter", "TOTAL_CYCLE_COUNT");
    ui.Answer(IDYES, "either\nValve Historian or Device Diagnostics Data, or both.");
    ui.Answer(IDNO, "Do you want to reset Device Diagnostics data?");
    ResetContinuousDiagnostics(device, true);
    const auto texts = ui.Texts();
    EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), "WARNING: The Valve Historian could not be reset."));
    fieldbus::ResetBlockIds();
}

}  // namespace
}  // namespace diagnostics
