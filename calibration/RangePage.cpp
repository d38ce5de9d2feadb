#include "calibration/RangePage.h"

#include <cstdlib>

#include "calibration/ProcedureRun.h"
#include "calibration/RunProcedure.h"
#include "config/CConfigData.h"
#include "platform/Ui.h"

namespace calibration {

float LastAppliedOpenStop() { return config::CurrentConfig().position.openStopAdjustment; }
void SetLastAppliedOpenStop(float value) { config::CurrentConfig().position.openStopAdjustment = value; }

RangePage::RangePage(fieldbus::DeviceAccess& device, ProcedureDialogs& dialogs, bool extendedServo)
    : device_(device), dialogs_(dialogs), extendedServo_(extendedServo), field_(LastAppliedOpenStop()) {}

void RangePage::FindStops(uint8_t command) {
    ProcedureTexts texts;
    texts.action = "Finding stop limits in progress ...";
    texts.createError = "Error: Failed to create finding stop limits cancel dialog.";
    texts.startReport = "Finding stop limits...";
    texts.resultReport = "Finding stop limits:";
    ProcedureOutcome run = RunProcedureWithDialog(device_, dialogs_, command, texts);
    if (!run.started) return;
    result_ = run.Shown();
}

void RangePage::FindStopsManually() {
    ProcedureTexts texts;
    texts.action = "Manual finding stop limits in progress ...";
    texts.instruction = "Click Limit Confirm button at each stop during the process.";
    texts.firstCaption = "Exhaust Air\nLimit Confirm";
    texts.secondCaption = "Full Air\nLimit Confirm";
    texts.createError = "Error: Failed to create manual finding stop limits cancel dialog.";
    texts.startReport = "Finding Range manually...";
    texts.resultReport = "Result of finding Range: ";
    ProcedureOutcome run = RunProcedureWithDialog(device_, dialogs_, kManualStops, texts);
    if (!run.started) return;
    result_ = run.Shown();
}

void RangePage::AdjustOpenStop(float value) {
    if (device_.WriteTbOpenStopAdj(value) != 0) {
        result_ = "Failed";
        return;
    }
    SetLastAppliedOpenStop(value);
    applied_ = true;
    if (extendedServo_) {
        result_ = "Succeeded";
        device_.ReportToHost(kHostReportProgress, "Set OPEN_STOP_ADJ Succeeded");
        return;
    }
    // The device folds the adjustment into its travel only by finding its stops again.
    device_.ReportToHost(kHostReportProgress, "Set OPEN_STOP_ADJ");
    FindStops(kStopsAfterAdjust);
}

void RangePage::Go(RangeOption option, const std::string& adjustmentText) {
    if (option == RangeOption::OpenStopAdjust) {
        const size_t first = adjustmentText.find_first_not_of(' ');
        const size_t last = adjustmentText.find_last_not_of(' ');
        const std::string text = first == std::string::npos ? "" : adjustmentText.substr(first, last - first + 1);
        char* end = nullptr;
        const float value = std::strtof(text.c_str(), &end);
        const bool number = !text.empty() && end && *end == '\0';
        if (!number || !(value >= kOpenStopLowest && value <= kOpenStopHighest)) {
            platform::ShowMessage("Error: Valid Open Stop Adjustment value must be (60, 100)",
                                  platform::MB_OK | platform::MB_ICONSTOP);
            return;
        }
        if (!AskStroke()) return;
        result_.clear();
        AdjustOpenStop(value);
        return;
    }
    if (!AskStroke()) return;
    result_.clear();
    if (option == RangeOption::AutoStops) FindStops(kFindStops);
    else FindStopsManually();
    // A stop finding leaves the travel without adjustment.
    if (device_.WriteTbOpenStopAdj(100.0f) != 0) {
        platform::ShowMessage("Write OPEN_STOP_ADJ failed.", platform::MB_OK | platform::MB_ICONSTOP);
        return;
    }
    SetLastAppliedOpenStop(100.0f);
    field_ = 100.0f;
}

}  // namespace calibration
