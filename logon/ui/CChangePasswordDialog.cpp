#include "logon/ui/CChangePasswordDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "logon/LogonSession.h"
#include "logon/ui/DialogLayout.h"

namespace logon {

CChangePasswordDialog::CChangePasswordDialog(const std::string& userName, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Change Password Dialog");
    auto* grid = new QGridLayout;
    auto* nameShown = new QLabel(QString::fromStdString(userName));
    nameShown->setObjectName("userName");
    newPassword_ = logon::NewPasswordEdit("newPassword");
    confirmPassword_ = logon::NewPasswordEdit("confirmPassword");
    grid->addWidget(new QLabel("User Name:"), 0, 0);
    grid->addWidget(nameShown, 0, 1);
    grid->addWidget(new QLabel("New Password:"), 1, 0);
    grid->addWidget(newPassword_, 1, 1);
    grid->addWidget(new QLabel("Confirm \nNew Password:"), 2, 0);
    grid->addWidget(confirmPassword_, 2, 1);

    logon::LayOutWithOkCancel(this, grid, [this] { OnOk(); });
    newPassword_->setFocus();
}

std::string CChangePasswordDialog::NewPassword() const { return newPassword_->text().toStdString(); }

void CChangePasswordDialog::OnOk() {
    if (!CheckPasswordsMatch(newPassword_->text().toStdString(), confirmPassword_->text().toStdString())) return;
    accept();
}

}  // namespace logon
