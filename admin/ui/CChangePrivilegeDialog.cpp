#include "admin/ui/CChangePrivilegeDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "admin/UserAdminModel.h"

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

    connect(ok, &QPushButton::clicked, this, &CChangePrivilegeDialog::OnOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
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
