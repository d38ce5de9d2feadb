#include "logon/ui/RunLogon.h"

#include "logon/LogonDatabase.h"
#include "logon/LogonSession.h"
#include "logon/ui/CLogonDialog.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

namespace logon {

const char* LogonVersionText() { return "Tessaro Version " TESSARO_VERSION_TEXT; }

int RunLogon(QWidget* parent, LogonDatabase& database) {
    LogonSession session(database);
    CLogonDialog dialog(session, database.GetEdition(), "Tessaro", LogonVersionText(), parent);
    return dialog.exec() == QDialog::Accepted ? 0 : 2;
}

int RunLogon(QWidget* parent) {
    LogonDatabase database(platform::Registry::Instance(), platform::SystemDirectory(), InstalledEdition());
    return RunLogon(parent, database);
}

}  // namespace logon
