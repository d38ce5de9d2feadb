#pragma once
// A device procedure started from a page: a procedure left running is cancelled first, the
// page's window is disabled, the progress dialog opens, the host hears of the start and the
// result, and the window is enabled again at the end.
#include <cstdint>
#include <string>

#include "calibration/ProcedureDialogs.h"
#include "fieldbus/DeviceAccess.h"

namespace calibration {

// Host report code of the calibration procedures.
inline constexpr int kHostReportProgress = 17;

struct ProcedureTexts {
    std::string action;           // the progress dialog's text
    std::string createError;      // shown when the dialog cannot be created
    std::string startReport;      // to the host before the run
    std::string resultReport;     // to the host before the result text
    // The confirm dialog (manual stop finding); empty: the plain progress dialog.
    std::string instruction, firstCaption, secondCaption;
    int reportCode = kHostReportProgress;  // the code the host hears the reports with
};

struct ProcedureOutcome {
    bool started = false;    // false: the dialog could not be created (the message was shown)
    int status = 1;          // RunProcedure's
    bool cancelled = false;  // the user pressed "Cancel"
    uint8_t code = 0;        // AUTO_TUNE_RESULT
    std::string text;        // the result text

    // What the page shows: "Cancelled" once the device confirmed the user's cancel; a device
    // that did not take it (silent) or had finished first is shown with what it did.
    std::string Shown() const { return cancelled && status == 0 && code == kCancelledResult ? "Cancelled" : text; }
    static constexpr uint8_t kCancelledResult = 2;  // AUTO_TUNE_RESULT of a cancelled procedure
};

ProcedureOutcome RunProcedureWithDialog(fieldbus::DeviceAccess& device, ProcedureDialogs& dialogs, uint8_t command,
                                        const ProcedureTexts& texts);

// The question asked before anything that moves the valve.
inline constexpr const char* kStrokeQuestion =
    "The action chosen will stroke the valve, are you sure that you want to proceed ?";
// Yes/No, warning icon, No preselected: true for Yes.
bool AskStroke();

}  // namespace calibration
