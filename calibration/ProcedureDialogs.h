#pragma once
// The windows a device procedure runs under, as the logic sees them: the progress dialog
// with "Cancel" and the one that also asks the user to confirm each stop, and the sheet
// window that is disabled meanwhile. The Qt sheet implements this (calibration/ui); tests
// script it.
#include <memory>
#include <string>

#include "platform/WindowMessages.h"

namespace calibration {

class ProcedureDialog {
public:
    virtual ~ProcedureDialog() = default;
    // Receives WM_PROCEDURE_PROGRESS.
    virtual platform::WindowHandle Handle() const = 0;
    // Closes the dialog (nothing when the user closed it with "Cancel").
    virtual void Close() = 0;
};

class ProcedureDialogs {
public:
    virtual ~ProcedureDialogs() = default;
    // "Progress Cancel Dialog": "Cancel" sets `cancel`, enables the parent and closes.
    // nullptr when it could not be created.
    virtual std::unique_ptr<ProcedureDialog> OpenProgressCancel(const std::string& action, bool& cancel) = 0;
    // "Update Cancel Dialog": the confirm button sets `confirm` and shows `secondCaption`;
    // its second press sets it again, disables it and clears the instruction.
    virtual std::unique_ptr<ProcedureDialog> OpenConfirmCancel(const std::string& action,
                                                               const std::string& instruction,
                                                               const std::string& firstCaption,
                                                               const std::string& secondCaption, bool& cancel,
                                                               bool& confirm) = 0;
    // Disables or enables the window the procedure was started from.
    virtual void EnableParent(bool enable) = 0;
};

}  // namespace calibration
