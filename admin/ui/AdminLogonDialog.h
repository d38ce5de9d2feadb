#pragma once
// TessaroAdmin's logon dialog. Admits users of level 9, then runs the user administration
// dialog on a working copy and commits it on "&OK". Closes after one administration run;
// "E&xit" closes it without one.
#include <QDialog>

#include "admin/AdminLogon.h"

class QLineEdit;

namespace admin {

class AdminLogonDialog : public QDialog {
    Q_OBJECT
public:
    explicit AdminLogonDialog(logon::LogonDatabase& database, QWidget* parent = nullptr);

private slots:
    void OnOk();
    void OnAbout();

private:
    logon::LogonDatabase& database_;
    AdminLogon logon_;
    QLineEdit* userName_;
    QLineEdit* password_;
};

}  // namespace admin
