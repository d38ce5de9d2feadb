#include "admin/ui/CChangePrivilegeDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "admin/UserAdminModel.h"
#include "logon/ui/DialogLayout.h"

namespace admin {

CChangePrivilegeDialog::CChangePrivilegeDialog(const std::string& userName, uint32_t level, QWidget* parent)
    : QDialog(parent), level_(level) {
    setWindowTitle("Change Privilege Dialog");
    auto* nameShown = new QLabel(QString::fromStdString(userName));
    nameShown->setObjectName("userName");
    privilege_ = new QLineEdit(QString::number(level));
    privilege_->setObjectName("newPrivilege");
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("User Name:"), 0, 0);
    grid->addWidget(nameShown, 0, 1);
    grid->addWidget(new QLabel("New Privilege:"), 1, 0);
    grid->addWidget(privilege_, 1, 1);

    logon::LayOutWithOkCancel(this, grid, [this] { OnOk(); });
    privilege_->selectAll();
    privilege_->setFocus();
}

void CChangePrivilegeDialog::OnOk() {
    uint32_t level = 0;
    if (UserAdminModel::CheckPrivilegeText(privilege_->text().toStdString(), level) != 0) return;
    level_ = level;
    accept();
}

}  // namespace admin
