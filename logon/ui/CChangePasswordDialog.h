#pragma once
// "Change Password Dialog": shows the user name and asks for the new password twice.
// "&OK" closes it only when both entries are equal.
#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

namespace logon {

class CChangePasswordDialog : public QDialog {
    Q_OBJECT
public:
    CChangePasswordDialog(const std::string& userName, QWidget* parent = nullptr);
    std::string NewPassword() const;

private slots:
    void OnOk();

private:
    QLineEdit* newPassword_;
    QLineEdit* confirmPassword_;
};

}  // namespace logon
