#include "logon/LogonSession.h"

#include "logon/BuiltInUsers.h"
#include "logon/CurrentUser.h"
#include "logon/PasswordHash.h"
#include "platform/Ui.h"

namespace logon {

LogonSession::LogonSession(LogonDatabase& database) : database_(database) {}

std::string LogonSession::Open() {
    if (database_.Load() == 0) database_.Reconcile();
    const std::string last = database_.IsReadable() ? database_.ReadLastUser() : std::string();
    if (!last.empty() && database_.Find(last)) return last;
    return kAdminUser;
}

int LogonSession::Logon(const std::string& name, const std::string& password, bool changePassword,
                        const ChangePasswordPrompt& prompt) {
    const LogonInfo* user = database_.Find(name);
    if (!user) {
        platform::ShowMessage("Invalid user Name .");
        return 1;
    }
    if (PasswordHash(password) != user->key1) {
        platform::ShowMessage("Invalid Password .");
        return 1;
    }
    database_.StoreLastUser(name);
    CurrentUser::SetName(name);

    if (changePassword) {
        if (database_.IsPermanent(name)) {
            platform::ShowMessage("changing password for permanent user is not allowed.");
        } else if (prompt) {
            std::string newPassword;
            if (prompt(name, newPassword)) {
                const uint32_t newKey1 = PasswordHash(newPassword);
                // A failed write is reported by the database and leaves the old password.
                if (newKey1 != database_.Find(name)->key1) database_.SetPassword(name, newKey1);
            }
        }
    }
    CurrentUser::SetLevel(database_.Find(name)->level);
    return 0;
}

bool CheckPasswordsMatch(const std::string& password, const std::string& confirmation) {
    if (password == confirmation) return true;
    platform::ShowMessage("Passwords in two input boxes do not match each other. \nPlease re-type the password info.");
    return false;
}

}  // namespace logon
