#include "logon/ui/CChangePasswordDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "logon/LogonSession.h"

namespace logon {

CChangePasswordDialog::CChangePasswordDialog(const std::string& userName, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Change Password Dialog");
    auto* grid = new QGridLayout;
    auto* nameShown = new QLabel(QString::fromStdString(userName));
    nameShown->setObjectName("userName");
    newPassword_ = new QLineEdit;
    newPassword_->setObjectName("newPassword");
    newPassword_->setEchoMode(QLineEdit::Password);
    confirmPassword_ = new QLineEdit;
    confirmPassword_->setObjectName("confirmPassword");
    confirmPassword_->setEchoMode(QLineEdit::Password);
    grid->addWidget(new QLabel("User Name:"), 0, 0);
    grid->addWidget(nameShown, 0, 1);
    grid->addWidget(new QLabel("New Password:"), 1, 0);
    grid->addWidget(newPassword_, 1, 1);
    grid->addWidget(new QLabel("Confirm \nNew Password:"), 2, 0);
    grid->addWidget(confirmPassword_, 2, 1);

    auto* ok = new QPushButton("&OK");
    ok->setObjectName("okButton");
    ok->setDefault(true);
    auto* cancel = new QPushButton("&Cancel");
    cancel->setObjectName("cancelButton");
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &CChangePasswordDialog::OnOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    newPassword_->setFocus();
}

std::string CChangePasswordDialog::NewPassword() const { return newPassword_->text().toStdString(); }

void CChangePasswordDialog::OnOk() {
    if (!CheckPasswordsMatch(newPassword_->text().toStdString(), confirmPassword_->text().toStdString())) return;
    accept();
}

}  // namespace logon
