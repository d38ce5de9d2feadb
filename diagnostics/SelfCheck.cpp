#include "diagnostics/SelfCheck.h"

#include "calibration/ProcedureRun.h"
#include "calibration/RunProcedure.h"
#include "diagnostics/DiagnosticModes.h"
#include "fieldbus/OperationState.h"
#include "fieldbus/TypedValues.h"
#include "platform/Ui.h"

namespace diagnostics {

namespace {

bool AskYesNo(const std::string& text, const std::string& caption = {}) {
    const int flags = platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2;
    const int answer = caption.empty() ? platform::ShowMessage(text, flags)
                                       : platform::GetUi().MessageBox(text, caption, flags);
    return answer == platform::IDYES;
}

// The historian totals, reset in this order.
constexpr const char* kTotals[] = {"TOTAL_TRAVEL", "TOTAL_CYCLE_COUNT", "TOTAL_OPEN_TIME", "TOTAL_CLOSE_TIME",
                                   "TOTAL_NEAR_CLOSE_TIM"};

int ResetHistorian(fieldbus::DeviceAccess& device) {
    const uint8_t zero[4] = {0, 0, 0, 0};
    for (const char* name : kTotals)
        if (device.WriteParameter(device.BlockOf(fieldbus::BlockKind::TB), name, zero, 4) != 0) return 1;
    return 0;
}

}  // namespace

int RunSelfCheck(fieldbus::DeviceAccess& device, calibration::ProcedureDialogs& dialogs, std::string& resultText) {
    bool bothOos = false;
    if (CheckDiagnosticModes(device, bothOos) != 0) return 1;
    if (!bothOos) {
        if (!AskYesNo("To run self check, the device must be in OOS (out of service)\n"
                      " state which prevents the valve form tracking the setpoint.\n\n"
                      " Do you wish to change mode to OOS ?\n",
                      "Warning"))
            return 2;
        if (SetDiagnosticModes(device) != 0) {
            platform::ShowMessage("Can not set AO or TB to OOS!", platform::MB_OK | platform::MB_ICONSTOP);
            return 1;
        }
    }
    if (!calibration::AskStroke()) return 2;
    resultText.clear();
    calibration::ProcedureTexts texts;
    texts.action = "Self Checking in progress ...";
    texts.createError = "Error: Failed to create self checking cancel dialog.";
    texts.startReport = "Self CHeck...";
    texts.resultReport = "Self CHeck:";
    texts.reportCode = kDiagnosticsEvent;
    calibration::ProcedureOutcome run = calibration::RunProcedureWithDialog(device, dialogs, calibration::kSelfCheck, texts);
    if (!run.started) return 1;
    resultText = run.Shown();
    return 0;
}

bool HasDeviceDiagnostics(unsigned deviceType, unsigned deviceRevision) {
    return (deviceType == 7 && deviceRevision >= 2) || (deviceType == 1 && deviceRevision >= 4);
}

bool ReadDeviceDiagnostics(fieldbus::DeviceAccess& device) {
    uint16_t type = 0;
    uint8_t revision = 0;
    if (device.ReadRbDevType(type) != 0 || device.ReadRbDevRev(revision) != 0) return false;
    return HasDeviceDiagnostics(type, revision);
}

int ResetContinuousDiagnostics(fieldbus::DeviceAccess& device, bool deviceDiagnostics) {
    uint32_t warnings = 0;
    const int tb = device.BlockOf(fieldbus::BlockKind::TB);
    const bool both = deviceDiagnostics &&
                      fieldbus::ReadTypedValue(device, tb, "SERVO_WARN_COUNT", warnings, fieldbus::Wire::U32) == 0 &&
                      warnings != 0;
    int reset = 1;
    const std::string historianQuestion =
        both ? "The operation let you reset Continuous Diagnostics data, either\nValve Historian or Device Diagnostics "
               "Data, or both.\n\nDo you want to reset Valve Historian data?"
             : "The operation will reset Valve Historian data.\nAre you sure you want to proceed?";
    if (AskYesNo(historianQuestion)) {
        if (ResetHistorian(device) == 0) {
            device.ReportToHost(kDiagnosticsEvent, "The Valve Historian was reset.");
            reset = 0;
        } else {
            platform::ShowMessage("WARNING: The Valve Historian could not be reset.");
        }
    }
    if (!both || !AskYesNo("Do you want to reset Device Diagnostics data?")) return reset;
    uint8_t ao = 0, tbMode = 0;
    if (device.ReadTargetMode(device.BlockOf(fieldbus::BlockKind::AO), ao) != 0 ||
        device.ReadTargetMode(tb, tbMode) != 0) {
        platform::ShowMessage("WARNING: The Device Diagnostics data could not be reset.");
        return reset;
    }
    if (!(ao == fieldbus::kModeOos && tbMode == fieldbus::kModeOos) &&
        !AskYesNo("Resetting SERVO_WARN_COUNT requires the device to be put into the Out of Service state,\n"
                  "that will cause the controller to cease functioning !\n"
                  "\nAre you sure you want to proceed ?"))
        return reset;
    if (device.SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnStateChange, false, false) != 0) return reset;
    const uint32_t zero = 0;
    if (fieldbus::WriteTypedValue(device, tb, "SERVO_WARN_COUNT", zero, fieldbus::Wire::U32) != 0) {
        platform::ShowMessage("WARNING: The Device Diagnostics data could not be reset.");
        return reset;
    }
    device.ReportToHost(kDiagnosticsEvent, "The Device Diagnostics was reset.");
    return 0;
}

}  // namespace diagnostics
