#pragma once
// What TessaroAdmin's logon dialog does, without the window: load and reconcile the user list,
// pre-fill the user name, and admit only users of level 9.
#include <string>

#include "logon/LogonDatabase.h"

namespace admin {

class AdminLogon {
public:
    explicit AdminLogon(logon::LogonDatabase& database);

    // Loads and reconciles the list. Returns the name to pre-fill: empty when "Admin" is not
    // in the list; the last user when that value names a user of the list with level 9;
    // "Admin" otherwise.
    std::string Open();

    // The "&OK" checks: "Invalid user Name .", "Invalid Password .", "Administration privilege
    // unauthorized.". On success stores the name as the last user and returns 0; otherwise
    // returns nonzero after the message.
    int Logon(const std::string& name, const std::string& password);

private:
    logon::LogonDatabase& database_;
};

}  // namespace admin
