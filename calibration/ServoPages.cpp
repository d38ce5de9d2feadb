#include "calibration/ServoPages.h"

#include "calibration/ProcedureRun.h"
#include "calibration/RunProcedure.h"
#include "fieldbus/OperationState.h"
#include "fieldbus/TypedValues.h"
#include "platform/Clock.h"
#include "platform/Ui.h"

namespace calibration {

void TuningPage::Load() {
    MainServoSet read;
    if (ReadMainServo(device_, read) != 0) read = MainServoOf(config::CurrentConfig());
    original_ = now_ = read;
    edited_ = false;
}

void TuningPage::Reload() {
    MainServoSet read;
    if (ReadMainServo(device_, read) != 0) return;
    now_ = read;
    edited_ = false;
}

void TuningPage::Edit(const MainServoSet& now) {
    if (now == now_) return;
    now_ = now;
    edited_ = true;
}

bool TuningPage::AutoTune(bool searchStops) {
    if (!AskStroke()) return false;
    result_.clear();
    tuned_ = true;
    ProcedureTexts texts;
    texts.action = searchStops ? "Searching stops + Auto tuning in progress ..." : "Auto tuning in progress ...";
    texts.createError = searchStops ? "Error: Failed to create search stops and auto tuning cancel dialog."
                                    : "Error: Failed to create auto tuning cancel dialog.";
    texts.startReport = searchStops ? "Search and Autotuning..." : "Autotuning...";
    texts.resultReport = searchStops ? "Search and Autotuning:" : "Autotune result:";
    ProcedureOutcome run = RunProcedureWithDialog(device_, dialogs_, searchStops ? kStopsAndTune : kAutoTune, texts);
    if (!run.started) return false;
    result_ = run.text;
    // The tune changed the servo set: "Now" shows the device's (a failed read keeps the page).
    MainServoSet read;
    if (ReadMainServo(device_, read) == 0) {
        now_ = read;
        edited_ = false;
    }
    return true;
}

void AdvancedPage::Load() {
    AdvancedServoSet read;
    if (ReadAdvancedServo(device_, extended_, read) != 0) read = AdvancedServoOf(config::CurrentConfig());
    original_ = now_ = read;
}

void AdvancedPage::Reload() {
    AdvancedServoSet read;
    if (ReadAdvancedServo(device_, extended_, read) == 0) now_ = read;
}

bool AdvancedPage::SetDefaults() {
    if (platform::ShowMessage("This command will reset all the related servo parameters to \n"
                              "default value. \n\n"
                              "Continue to proceed?\n",
                              platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) !=
        platform::IDYES)
        return false;
    platform::WaitCursor wait;
    const int tb = device_.BlockOf(fieldbus::BlockKind::TB);
    const uint8_t request = 2;
    if (device_.SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnConfigurationChange, true, true) != 0 ||
        fieldbus::WriteTypedValue(device_, tb, "SERVO_RET_TO_DEFAULT", request, fieldbus::Wire::U8) != 0) {
        device_.ReportToHost(kHostReportProgress, "Set Servo parameters to default failed");
        return false;
    }
    // The device shows 1 again when it is done; a device that never does is given up on.
    platform::Clock& clock = platform::GetClock();
    const uint64_t started = clock.NowMs();
    for (;;) {
        uint8_t value = 0;
        if (fieldbus::ReadTypedValue(device_, tb, "SERVO_RET_TO_DEFAULT", value, fieldbus::Wire::U8) != 0) {
            // Whether the device restored its defaults is unknown: the page shows what it
            // holds now, and the change is not reported as done.
            platform::ShowMessage("Error: Set servo parameter to default ", platform::MB_OK | platform::MB_ICONSTOP);
            Reload();
            device_.ReportToHost(kHostReportProgress, "Set Servo parameters to default failed");
            return false;
        }
        if (value == 1) break;
        if (clock.NowMs() - started >= kServoDefaultLimitMs) {
            platform::ShowMessage("Error: The device did not return to the default servo parameters within 30 s.",
                                  platform::MB_OK | platform::MB_ICONSTOP);
            return false;
        }
        platform::GetUi().PumpMessages();
        clock.SleepMs(kServoDefaultPollMs);
    }
    Reload();
    device_.ReportToHost(kHostReportProgress, "Set Servo parameters to default");
    return true;
}

void ApplyServoPagesOnOk(fieldbus::DeviceAccess& device, const TuningPage& tuning, const AdvancedPage& advanced,
                         config::CConfigData& config) {
    const config::CConfigData before = config;
    const MainServoSet reference = MainServoOf(config);
    if (!tuning.Edited()) {
        StoreMainServo(config, tuning.Now());
    } else if (!(tuning.Now() == reference)) {
        if (WriteMainServo(device, tuning.Now()) == 0) StoreMainServo(config, tuning.Now());
    }
    WriteChangedAdvanced(device, advanced.Extended(), advanced.Now(), AdvancedServoOf(config), &config);
    if (!(config == before)) config.dataState = config::StateChangedByCalibration;
}

void RestoreServoPagesOnCancel(fieldbus::DeviceAccess& device, const TuningPage& tuning,
                               const AdvancedPage& advanced) {
    if (!tuning.Tuned()) return;
    // Back to what the device held when the pages opened (the current configuration may
    // belong to another device or a file).
    int failed = WriteMainServo(device, tuning.Original());
    AdvancedServoSet current;
    if (failed == 0 && ReadAdvancedServo(device, advanced.Extended(), current) != 0) failed = 1;
    if (failed == 0) failed = WriteChangedAdvanced(device, advanced.Extended(), advanced.Original(), current, nullptr);
    if (failed != 0)
        platform::ShowMessage("Error: Failed to restore servo parameters.", platform::MB_OK | platform::MB_ICONSTOP);
}

}  // namespace calibration
