#pragma once
// The two modeless dialogs a device procedure runs under, and the ProcedureDialogs port on
// them: "Progress Cancel Dialog" (action text, progress bar, "Cancel") and "Update Cancel
// Dialog" (also an instruction and a confirm button with two captions). Both take the
// procedure's progress as WM_PROCEDURE_PROGRESS.
#include <QDialog>
#include <QPointer>

#include "calibration/ProcedureDialogs.h"
#include "platform/WindowMessages.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace calibration {

class CProgressCancelDialog : public QDialog, public platform::MessageTarget {
    Q_OBJECT
public:
    // `confirm` null: the plain progress dialog; otherwise the confirm dialog.
    CProgressCancelDialog(QWidget* parent, const QString& action, bool& cancel, bool* confirm = nullptr,
                          const QString& instruction = {}, const QString& firstCaption = {},
                          const QString& secondCaption = {});
    ~CProgressCancelDialog() override;

    platform::WindowHandle Handle() const { return handle_; }
    void OnMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
    QProgressBar* Bar() const { return bar_; }
    QPushButton* CancelButton() const { return cancelButton_; }
    QPushButton* ConfirmButton() const { return confirmButton_; }
    QLabel* Instruction() const { return instruction_; }
    // Shown while the device does not answer (WM_PROCEDURE_SILENT), hidden otherwise.
    QLabel* SilentNote() const { return silent_; }

protected:
    void reject() override;  // Escape and the close box count as "Cancel"

private:
    void OnConfirm();

    bool& cancel_;
    bool* confirm_;
    QString secondCaption_;
    int confirms_ = 0;
    platform::WindowHandle handle_ = 0;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* confirmButton_ = nullptr;
    QLabel* instruction_ = nullptr;
    QLabel* silent_ = nullptr;
};

// The port over the dialogs; `parent` is the window disabled while a procedure runs.
class QtProcedureDialogs : public ProcedureDialogs {
public:
    explicit QtProcedureDialogs(QWidget* parent) : parent_(parent) {}
    std::unique_ptr<ProcedureDialog> OpenProgressCancel(const std::string& action, bool& cancel) override;
    std::unique_ptr<ProcedureDialog> OpenConfirmCancel(const std::string& action, const std::string& instruction,
                                                       const std::string& firstCaption,
                                                       const std::string& secondCaption, bool& cancel,
                                                       bool& confirm) override;
    void EnableParent(bool enable) override;
    // The dialog open now (tests press its buttons), nullptr when none is.
    CProgressCancelDialog* Current() const { return current_; }

private:
    QWidget* parent_;
    QPointer<CProgressCancelDialog> current_;
};

}  // namespace calibration
