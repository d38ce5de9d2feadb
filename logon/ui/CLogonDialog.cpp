#include "logon/ui/CLogonDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "logon/ui/CChangePasswordDialog.h"
#include "logon/ui/EditionPicture.h"
#include "logon/ui/DialogLayout.h"

namespace logon {

CLogonDialog::CLogonDialog(LogonSession& session, Edition edition, const std::string& productName,
                           const std::string& versionText, QWidget* parent)
    : QDialog(parent), session_(session) {
    setWindowTitle(QString::fromStdString(productName + " Logon"));
    setWindowIcon(EditionIcon(edition));

    auto* picture = new QLabel;
    picture->setObjectName("picture");
    picture->setPixmap(EditionBanner(edition));
    auto* version = new QLabel(QString::fromStdString(versionText));
    version->setObjectName("versionText");

    userName_ = new QLineEdit;
    userName_->setObjectName("userName");
    password_ = logon::NewPasswordEdit("password");
    changePassword_ = new QCheckBox("Change password after logon");
    changePassword_->setObjectName("changePassword");

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel("User Name"), 0, 0);
    fields->addWidget(userName_, 0, 1);
    fields->addWidget(new QLabel("Password"), 1, 0);
    fields->addWidget(password_, 1, 1);
    fields->addWidget(changePassword_, 2, 1);

    auto* buttons = logon::NewButtonColumn(this, "E&xit", "exitButton", [this] { OnOk(); });

    auto* lower = new QHBoxLayout;
    lower->addLayout(fields);
    lower->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    layout->addWidget(version);
    layout->addLayout(lower);
    layout->setSizeConstraint(QLayout::SetFixedSize);


    userName_->setText(QString::fromStdString(session_.Open()));
    password_->setFocus();
}

void CLogonDialog::OnOk() {
    auto prompt = [this](const std::string& userName, std::string& newPassword) {
        CChangePasswordDialog dialog(userName, this);
        if (dialog.exec() != QDialog::Accepted) return false;
        newPassword = dialog.NewPassword();
        return true;
    };
    if (session_.Logon(userName_->text().toStdString(), password_->text().toStdString(),
                       changePassword_->isChecked(), prompt) == 0) {
        accept();
        return;
    }
    // A refused password is not left standing for the next try.
    password_->clear();
    password_->setFocus();
}

}  // namespace logon
