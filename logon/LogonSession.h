#pragma once
// What the logon dialog of Tessaro does, without the window: load and reconcile the user
// list when the dialog opens, check a logon, change the password after logon when asked to,
// and set the current user.
#include <functional>
#include <string>

#include "logon/LogonDatabase.h"

namespace logon {

// Runs the change-password dialog for `userName`; returns true with the new password when
// the user confirmed it with OK, false when cancelled.
using ChangePasswordPrompt = std::function<bool(const std::string& userName, std::string& newPassword)>;

class LogonSession {
public:
    explicit LogonSession(LogonDatabase& database);

    // Loads and reconciles the list; returns the user name to pre-fill: the last user when
    // that user is in the list, otherwise "Admin".
    std::string Open();

    // The "&OK" of the logon dialog. Returns 0 when the user is logged on (the dialog
    // closes); nonzero when the dialog stays open after a message.
    int Logon(const std::string& name, const std::string& password, bool changePassword,
              const ChangePasswordPrompt& prompt);

    LogonDatabase& Database() { return database_; }

private:
    LogonDatabase& database_;
};

// The OK check of a change-password dialog: both entries must be equal, otherwise
// "Passwords in two input boxes do not match each other. \nPlease re-type the password info."
// is shown and false returned.
bool CheckPasswordsMatch(const std::string& password, const std::string& confirmation);

}  // namespace logon
