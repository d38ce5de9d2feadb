#include "admin/ui/AdminLogonDialog.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "admin/AdminIdentity.h"
#include "admin/UserAdminModel.h"
#include "admin/ui/CAdminAboutDialog.h"
#include "admin/ui/UserAdminDialog.h"
#include "logon/ui/EditionPicture.h"
#include "logon/ui/DialogLayout.h"

namespace admin {

AdminLogonDialog::AdminLogonDialog(logon::LogonDatabase& database, QWidget* parent)
    : QDialog(parent), database_(database), logon_(database) {
    const logon::Edition edition = database_.GetEdition();
    setWindowTitle(kAdminAppName);
    setWindowIcon(logon::EditionIcon(edition));

    auto* banner = new QLabel;
    banner->setObjectName("banner");
    banner->setPixmap(logon::EditionBanner(edition));
    auto* version = new QLabel(kAdminVersionLabel);
    version->setObjectName("versionLabel");

    // The about entry of the window menu: a separator and "&About TessaroAdmin...", reached
    // through the dialog's context menu and the button beside the version label.
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    auto* about = new QAction("&About TessaroAdmin...", this);
    about->setObjectName("aboutAction");
    addAction(separator);
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* aboutButton = new QToolButton;
    aboutButton->setObjectName("aboutButton");
    aboutButton->setDefaultAction(about);
    aboutButton->setAutoRaise(true);

    userName_ = new QLineEdit;
    userName_->setObjectName("userName");
    password_ = logon::NewPasswordEdit("password");
    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel("User Name"), 0, 0);
    fields->addWidget(userName_, 0, 1);
    fields->addWidget(new QLabel("Password"), 1, 0);
    fields->addWidget(password_, 1, 1);

    auto* buttons = logon::NewButtonColumn(this, "E&xit", "exitButton", [this] { OnOk(); });

    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(version);
    versionRow->addStretch();
    versionRow->addWidget(aboutButton);
    auto* lower = new QHBoxLayout;
    lower->addLayout(fields);
    lower->addLayout(buttons);
    auto* body = new QVBoxLayout;
    body->addLayout(versionRow);
    body->addLayout(lower);
    // The banner runs edge to edge, so the dialog's right edge lines up with the picture's.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(banner);
    body->setContentsMargins(11, 6, 11, 11);
    layout->addLayout(body);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(about, &QAction::triggered, this, &AdminLogonDialog::OnAbout);

    userName_->setText(QString::fromStdString(logon_.Open()));
    if (userName_->text().isEmpty())
        userName_->setFocus();
    else
        password_->setFocus();
}

void AdminLogonDialog::OnOk() {
    if (logon_.Logon(userName_->text().toStdString(), password_->text().toStdString()) != 0) return;
    UserAdminModel model(database_.Users(), database_.GetEdition());
    UserAdminDialog dialog(model, this);
    if (dialog.exec() == QDialog::Accepted) model.Commit(database_);
    accept();
}

void AdminLogonDialog::OnAbout() {
    CAdminAboutDialog dialog(database_.GetEdition(), this);
    dialog.exec();
}

}  // namespace admin
