#include "admin/ui/UserAdminDialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "admin/AdminIdentity.h"
#include "admin/UserAdminModel.h"
#include "admin/ui/CAddUserDialog.h"
#include "admin/ui/CChangePrivilegeDialog.h"
#include "logon/ui/CChangePasswordDialog.h"
#include "platform/Ui.h"

namespace admin {

namespace {

constexpr int kNameColumnWidth = 200;

QTreeWidgetItem* MakeRow(const logon::LogonInfo& info) {
    return new QTreeWidgetItem(QStringList{QString::fromStdString(info.name),
                                           QString::fromStdString(UserAdminModel::PasswordText()),
                                           QString::fromStdString(UserAdminModel::LevelText(info.level))});
}

}  // namespace

UserAdminDialog::UserAdminDialog(UserAdminModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setWindowTitle(kAdminAppName);

    addUser_ = new QPushButton("&Add\nUser");
    addUser_->setObjectName("addUserButton");
    changePassword_ = new QPushButton("&Change\nPassword");
    changePassword_->setObjectName("changePasswordButton");
    changePrivilege_ = new QPushButton("Change\n&Privilege");
    changePrivilege_->setObjectName("changePrivilegeButton");
    removeUser_ = new QPushButton("&Remove\nUser");
    removeUser_->setObjectName("removeUserButton");
    auto* options = new QGroupBox("Options");
    auto* optionsLayout = new QVBoxLayout(options);
    for (QPushButton* button : {addUser_, changePassword_, changePrivilege_, removeUser_}) {
        button->setAutoDefault(false);
        optionsLayout->addWidget(button);
    }
    optionsLayout->addStretch();

    list_ = new QTreeWidget;
    list_->setObjectName("userList");
    list_->setColumnCount(3);
    list_->setHeaderLabels({"User Name", "Password", "Privilege"});
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setMinimumSize(440, 220);
    list_->installEventFilter(this);
    list_->viewport()->installEventFilter(this);

    auto* ok = new QPushButton("&OK");
    ok->setObjectName("okButton");
    auto* cancel = new QPushButton("&Cancel");
    cancel->setObjectName("cancelButton");
    auto* closeButtons = new QHBoxLayout;
    closeButtons->addStretch();
    closeButtons->addWidget(ok);
    closeButtons->addWidget(cancel);

    auto* upper = new QHBoxLayout;
    upper->addWidget(options);
    upper->addWidget(list_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(upper);
    layout->addLayout(closeButtons);

    connect(addUser_, &QPushButton::clicked, this, &UserAdminDialog::OnAddUser);
    connect(changePassword_, &QPushButton::clicked, this, &UserAdminDialog::OnChangePassword);
    connect(changePrivilege_, &QPushButton::clicked, this, &UserAdminDialog::OnChangePrivilege);
    connect(removeUser_, &QPushButton::clicked, this, &UserAdminDialog::OnRemoveUser);
    connect(list_, &QTreeWidget::itemSelectionChanged, this, &UserAdminDialog::OnSelectionChanged);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    FillList();
    model_.Click(-1);
    RefreshButtons();
}

void UserAdminDialog::FillList() {
    list_->clear();
    for (const logon::LogonInfo& info : model_.Entries()) list_->addTopLevelItem(MakeRow(info));
}

void UserAdminDialog::SizeColumns() {
    const int rest = (list_->viewport()->width() - kNameColumnWidth) / 2;
    list_->setColumnWidth(0, kNameColumnWidth);
    list_->setColumnWidth(1, rest);
    list_->setColumnWidth(2, rest);
}

void UserAdminDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    SizeColumns();
}

void UserAdminDialog::RefreshButtons() {
    const AdminButtonStates states = model_.ButtonStates();
    addUser_->setEnabled(states.addUser);
    changePassword_->setEnabled(states.changePassword);
    changePrivilege_->setEnabled(states.changePrivilege);
    removeUser_->setEnabled(states.removeUser);
}

bool UserAdminDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonPress) {
        // A click beside the rows clears the selection and with it the remembered user.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!list_->itemAt(mouse->position().toPoint())) {
            list_->clearSelection();
            model_.Click(-1);
            RefreshButtons();
            return true;
        }
    } else if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete) {
            OnRemoveUser();
            return true;
        }
        if (key == Qt::Key_Insert) {
            OnAddUser();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void UserAdminDialog::OnSelectionChanged() {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    model_.Click(selected.isEmpty() ? -1 : list_->indexOfTopLevelItem(selected.front()));
    RefreshButtons();
}

void UserAdminDialog::OnAddUser() {
    CAddUserDialog dialog(model_, this);
    if (dialog.exec() == QDialog::Accepted) {
        model_.AddUser(dialog.UserName(), dialog.Password(), dialog.Level());
        list_->addTopLevelItem(MakeRow(model_.Entries().back()));
        if (list_->topLevelItemCount() != model_.Count())
            platform::ShowMessage("Internal Error: List count does not match array count.");
    }
    RefreshButtons();
}

void UserAdminDialog::OnChangePassword() {
    if (model_.RememberedUser().empty() || !model_.ButtonStates().changePassword) return;
    logon::CChangePasswordDialog dialog(model_.Entries()[model_.SelectedRow()].name, this);
    if (dialog.exec() == QDialog::Accepted) model_.ChangePassword(dialog.NewPassword());
    RefreshButtons();
}

void UserAdminDialog::OnChangePrivilege() {
    if (model_.RememberedUser().empty() || !model_.ButtonStates().changePrivilege) return;
    const int row = model_.SelectedRow();
    const logon::LogonInfo& entry = model_.Entries()[row];
    CChangePrivilegeDialog dialog(entry.name, entry.level, this);
    if (dialog.exec() == QDialog::Accepted && model_.ChangePrivilege(dialog.Level()) == 0)
        list_->topLevelItem(row)->setText(2, QString::fromStdString(UserAdminModel::LevelText(dialog.Level())));
    RefreshButtons();
}

void UserAdminDialog::OnRemoveUser() {
    if (model_.RememberedUser().empty() || !model_.ButtonStates().removeUser) return;
    const int row = model_.SelectedRow();
    if (model_.RemoveSelected() == 0) {
        // Nothing is selected after a removal; keep Qt from moving the selection on.
        const QSignalBlocker blocker(list_);
        delete list_->takeTopLevelItem(row);
        list_->clearSelection();
        list_->setCurrentItem(nullptr);
    }
    RefreshButtons();
}

}  // namespace admin
