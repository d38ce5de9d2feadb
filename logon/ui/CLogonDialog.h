#pragma once
// Tessaro's logon dialog: "User Name", "Password", "Change password after logon", "&OK" and
// "E&xit", with the version text and the edition's picture. Accepted when a user logged on,
// rejected by "E&xit".
#include <QDialog>
#include <string>

#include "logon/Edition.h"
#include "logon/LogonSession.h"

class QCheckBox;
class QLineEdit;

namespace logon {

class CLogonDialog : public QDialog {
    Q_OBJECT
public:
    // Loads and reconciles the user list of `session` and pre-fills the user name.
    CLogonDialog(LogonSession& session, Edition edition, const std::string& productName,
                 const std::string& versionText, QWidget* parent = nullptr);

private slots:
    void OnOk();

private:
    LogonSession& session_;
    QLineEdit* userName_;
    QLineEdit* password_;
    QCheckBox* changePassword_;
};

}  // namespace logon
