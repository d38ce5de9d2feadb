#include "calibration/ProcedureRun.h"

#include "calibration/RunProcedure.h"
#include "platform/Ui.h"

namespace calibration {

bool AskStroke() {
    return platform::ShowMessage(kStrokeQuestion, platform::MB_YESNO | platform::MB_ICONWARNING |
                                                      platform::MB_DEFBUTTON2) == platform::IDYES;
}

ProcedureOutcome RunProcedureWithDialog(fieldbus::DeviceAccess& device, ProcedureDialogs& dialogs, uint8_t command,
                                        const ProcedureTexts& texts) {
    ProcedureOutcome out;
    CancelRunningProcedure(device);
    dialogs.EnableParent(false);
    bool cancel = false, confirm = false;
    const bool confirming = !texts.firstCaption.empty();
    std::unique_ptr<ProcedureDialog> dialog =
        confirming ? dialogs.OpenConfirmCancel(texts.action, texts.instruction, texts.firstCaption,
                                               texts.secondCaption, cancel, confirm)
                   : dialogs.OpenProgressCancel(texts.action, cancel);
    if (!dialog) {
        dialogs.EnableParent(true);
        platform::ShowMessage(texts.createError, platform::MB_OK | platform::MB_ICONSTOP);
        return out;
    }
    out.started = true;
    device.ReportToHost(texts.reportCode, texts.startReport);
    out.status = RunProcedure(device, command, cancel, out.text, dialog->Handle(), confirming ? &confirm : nullptr,
                              &out.code);
    device.ReportToHost(texts.reportCode, texts.resultReport + out.text);
    out.cancelled = cancel;
    if (!cancel) dialog->Close();
    dialogs.EnableParent(true);
    return out;
}

}  // namespace calibration
