#pragma once
// The user administration dialog: the working copy as a list ("User Name", "Password",
// "Privilege"), the "Options" buttons and "&OK" / "&Cancel". It edits only the model; the
// caller commits the model when the dialog is accepted.
#include <QDialog>

class QEvent;
class QPushButton;
class QTreeWidget;

namespace admin {

class UserAdminModel;

class UserAdminDialog : public QDialog {
    Q_OBJECT
public:
    explicit UserAdminDialog(UserAdminModel& model, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private slots:
    void OnAddUser();
    void OnChangePassword();
    void OnChangePrivilege();
    void OnRemoveUser();
    void OnSelectionChanged();

private:
    void FillList();
    void RefreshButtons();
    void SizeColumns();

    UserAdminModel& model_;
    QTreeWidget* list_;
    QPushButton* addUser_;
    QPushButton* changePassword_;
    QPushButton* changePrivilege_;
    QPushButton* removeUser_;
};

}  // namespace admin
