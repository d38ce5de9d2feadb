#include "admin/ui/CAddUserDialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "admin/UserAdminModel.h"
#include "logon/ui/DialogLayout.h"

namespace admin {

CAddUserDialog::CAddUserDialog(const UserAdminModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setWindowTitle("Add User Dialog");
    name_ = new QLineEdit("New User");
    name_->setObjectName("newUserName");
    password_ = logon::NewPasswordEdit("password");
    confirm_ = logon::NewPasswordEdit("confirmPassword");
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

    logon::LayOutWithOkCancel(this, group, [this] { OnOk(); });
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
