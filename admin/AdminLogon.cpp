#include "admin/AdminLogon.h"

#include "logon/BuiltInUsers.h"
#include "logon/PasswordHash.h"
#include "platform/Ui.h"

namespace admin {

AdminLogon::AdminLogon(logon::LogonDatabase& database) : database_(database) {}

std::string AdminLogon::Open() {
    if (database_.Load() == 0) database_.Reconcile();
    if (!database_.Find(logon::kAdminUser)) return "";
    const std::string last = database_.ReadLastUser();
    if (!last.empty()) {
        const logon::LogonInfo* user = database_.Find(last);
        if (user && user->level == logon::kAdminLevel) return last;
    }
    return logon::kAdminUser;
}

int AdminLogon::Logon(const std::string& name, const std::string& password) {
    const logon::LogonInfo* user = database_.Find(name);
    if (!user) {
        platform::ShowMessage("Invalid user Name .");
        return 1;
    }
    if (logon::PasswordHash(password) != user->key1) {
        platform::ShowMessage("Invalid Password .");
        return 1;
    }
    if (user->level < logon::kAdminLevel) {
        platform::ShowMessage("Administration privilege unauthorized.");
        return 1;
    }
    database_.StoreLastUser(name);
    return 0;
}

}  // namespace admin
