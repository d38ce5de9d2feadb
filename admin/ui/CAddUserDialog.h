#pragma once
// "Add User Dialog": name, password twice and privilege of a new user. "&OK" closes it only
// when the model's checks pass.
#include <QDialog>
#include <cstdint>
#include <string>

class QLineEdit;

namespace admin {

class UserAdminModel;

class CAddUserDialog : public QDialog {
    Q_OBJECT
public:
    explicit CAddUserDialog(const UserAdminModel& model, QWidget* parent = nullptr);
    std::string UserName() const;
    std::string Password() const;
    uint32_t Level() const { return level_; }

private slots:
    void OnOk();

private:
    const UserAdminModel& model_;
    QLineEdit* name_;
    QLineEdit* password_;
    QLineEdit* confirm_;
    QLineEdit* privilege_;
    uint32_t level_ = 0;
};

}  // namespace admin
