#include "calibration/ui/CProcedureDialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "calibration/RunProcedure.h"

namespace calibration {

CProgressCancelDialog::CProgressCancelDialog(QWidget* parent, const QString& action, bool& cancel, bool* confirm,
                                             const QString& instruction, const QString& firstCaption,
                                             const QString& secondCaption)
    : QDialog(parent), cancel_(cancel), confirm_(confirm), secondCaption_(secondCaption) {
    setWindowTitle(confirm ? "Update Cancel Dialog" : "Progress Cancel Dialog");
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(action, this));
    if (confirm) {
        instruction_ = new QLabel(instruction, this);
        layout->addWidget(instruction_);
    }
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    layout->addWidget(bar_);
    silent_ = new QLabel(this);
    silent_->setObjectName("silent");
    silent_->setWordWrap(true);
    silent_->hide();
    layout->addWidget(silent_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    if (confirm) {
        confirmButton_ = new QPushButton(firstCaption, this);
        confirmButton_->setObjectName("confirm");
        connect(confirmButton_, &QPushButton::clicked, this, &CProgressCancelDialog::OnConfirm);
        buttons->addWidget(confirmButton_);
    }
    cancelButton_ = new QPushButton("Cancel", this);
    cancelButton_->setObjectName("cancel");
    connect(cancelButton_, &QPushButton::clicked, this, &CProgressCancelDialog::reject);
    buttons->addWidget(cancelButton_);
    layout->addLayout(buttons);
    setMinimumWidth(380);
    handle_ = platform::MessageDispatcher::Instance().Register(this);
}

CProgressCancelDialog::~CProgressCancelDialog() { platform::MessageDispatcher::Instance().Unregister(handle_); }

void CProgressCancelDialog::OnMessage(unsigned msg, uintptr_t wParam, intptr_t) {
    if (msg == WM_PROCEDURE_PROGRESS) bar_->setValue(static_cast<int>(std::min<uintptr_t>(wParam, 100)));
    if (msg == WM_PROCEDURE_SILENT) {
        // The device goes on with its procedure while its answers are lost: say so instead of
        // leaving the bar standing without a word.
        silent_->setText(QString("The device has not answered for %1 s. It goes on with its procedure on its own; "
                                 "waiting for it to answer again ...")
                             .arg(static_cast<qulonglong>(wParam)));
        silent_->setVisible(wParam > 0);
    }
}

void CProgressCancelDialog::OnConfirm() {
    if (!confirm_) return;
    *confirm_ = true;
    if (++confirms_ == 1) {
        confirmButton_->setText(secondCaption_);
    } else {
        confirmButton_->setEnabled(false);
        if (instruction_) instruction_->clear();
    }
}

void CProgressCancelDialog::reject() {
    cancel_ = true;
    if (parentWidget()) parentWidget()->setEnabled(true);
    QDialog::reject();  // closes (and deletes) the dialog
}

namespace {

class QtProcedureDialog : public ProcedureDialog {
public:
    explicit QtProcedureDialog(CProgressCancelDialog* dialog) : dialog_(dialog), handle_(dialog->Handle()) {}
    platform::WindowHandle Handle() const override { return handle_; }
    void Close() override {
        if (dialog_) dialog_->close();
    }

private:
    QPointer<CProgressCancelDialog> dialog_;
    platform::WindowHandle handle_;
};

}  // namespace

std::unique_ptr<ProcedureDialog> QtProcedureDialogs::OpenProgressCancel(const std::string& action, bool& cancel) {
    current_ = new CProgressCancelDialog(parent_, QString::fromStdString(action), cancel);
    current_->show();
    return std::make_unique<QtProcedureDialog>(current_);
}

std::unique_ptr<ProcedureDialog> QtProcedureDialogs::OpenConfirmCancel(const std::string& action,
                                                                       const std::string& instruction,
                                                                       const std::string& firstCaption,
                                                                       const std::string& secondCaption, bool& cancel,
                                                                       bool& confirm) {
    current_ = new CProgressCancelDialog(parent_, QString::fromStdString(action), cancel, &confirm,
                                         QString::fromStdString(instruction), QString::fromStdString(firstCaption),
                                         QString::fromStdString(secondCaption));
    current_->show();
    return std::make_unique<QtProcedureDialog>(current_);
}

void QtProcedureDialogs::EnableParent(bool enable) {
    if (parent_) parent_->setEnabled(enable);
}

}  // namespace calibration
