// TessaroAdmin: maintains the user database that Tessaro's logon checks. One logon, one
// administration run, then the program ends.
#include <QApplication>

#include "admin/AdminIdentity.h"
#include "admin/ui/AdminLogonDialog.h"
#include "logon/LogonDatabase.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/Ui.h"
#include "platform/ui/QtUi.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(admin::kAdminAppName);
    platform::SetAppCaption(admin::kAdminAppName);
    platform::QtUi ui;
    logon::LogonDatabase database(platform::Registry::Instance(), platform::SystemDirectory(),
                                  logon::InstalledEdition());
    admin::AdminLogonDialog dialog(database);
    ui.SetMainWindow(&dialog);
    dialog.exec();
    return 0;
}
