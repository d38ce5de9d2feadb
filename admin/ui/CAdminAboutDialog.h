#pragma once
// TessaroAdmin's about box: icon, version label, the edition's company line and "OK".
#include <QDialog>

#include "logon/Edition.h"

namespace admin {

class CAdminAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit CAdminAboutDialog(logon::Edition edition, QWidget* parent = nullptr);
};

}  // namespace admin
