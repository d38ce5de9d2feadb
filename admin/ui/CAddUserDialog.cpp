#include "admin/ui/CAddUserDialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "admin/UserAdminModel.h"

namespace admin {

CAddUserDialog::CAddUserDialog(const UserAdminModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setWindowTitle("Add User Dialog");
    name_ = new QLineEdit("New User");
    name_->setObjectName("newUserName");
    password_ = new QLineEdit;
    password_->setObjectName("password");
    password_->setEchoMode(QLineEdit::Password);
    confirm_ = new QLineEdit;
    confirm_->setObjectName("confirmPassword");
    confirm_->setEchoMode(QLineEdit::Password);
    privilege_ = new QLineEdit("0");
    privilege_->setObjectName("privilege");

    auto* group = new QGroupBox("New User Account");
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel("New User Name:"), 0, 0);
    grid->addWidget(name_, 0, 1);
    grid->addWidget(new QLabel("Password:"), 1, 0);
    grid->addWidget(password_, 1, 1);
    grid->addWidget(new QLabel("Confirm Password:"), 2, 0);
    grid->addWidget(confirm_, 2, 1);
    grid->addWidget(new QLabel("Privilege:"), 3, 0);
    grid->addWidget(privilege_, 3, 1);

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
    layout->addWidget(group);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &CAddUserDialog::OnOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    name_->selectAll();
    name_->setFocus();
}

std::string CAddUserDialog::UserName() const { return name_->text().toStdString(); }
std::string CAddUserDialog::Password() const { return password_->text().toStdString(); }

void CAddUserDialog::OnOk() {
    uint32_t level = 0;
    if (model_.CheckNewUser(UserName(), Password(), confirm_->text().toStdString(), privilege_->text().toStdString(),
                            level) != 0)
        return;
    level_ = level;
    accept();
}

}  // namespace admin
