#include "admin/ui/CAdminAboutDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "admin/AdminIdentity.h"
#include "logon/ui/EditionPicture.h"

namespace admin {

CAdminAboutDialog::CAdminAboutDialog(logon::Edition edition, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString("About ") + kAdminAppName);
    auto* icon = new QLabel;
    icon->setPixmap(logon::EditionIcon(edition).pixmap(32, 32));
    auto* version = new QLabel(kAdminVersionLabel);
    version->setObjectName("versionLabel");
    auto* company = new QLabel(QString::fromStdString(logon::EditionCompanyLine(edition)));
    company->setObjectName("companyLine");
    auto* ok = new QPushButton("OK");
    ok->setObjectName("okButton");
    ok->setDefault(true);
    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(version, 0, 1);
    grid->addWidget(company, 1, 1);
    grid->addWidget(ok, 0, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace admin
