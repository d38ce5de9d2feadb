#pragma once
// The working copy that TessaroAdmin's administration dialog edits, the rules for its
// buttons, and the commit of the working copy to the logon database.
#include <cstdint>
#include <string>
#include <vector>

#include "logon/Edition.h"
#include "logon/LogonDatabase.h"
#include "logon/LogonInfo.h"

namespace admin {

struct AdminButtonStates {
    bool addUser = true;
    bool changePassword = false;
    bool changePrivilege = false;
    bool removeUser = false;
};

class UserAdminModel {
public:
    // Copies the database list in order, with "Admin" moved to the first position.
    UserAdminModel(const std::vector<logon::LogonInfo>& databaseList, logon::Edition edition);

    const std::vector<logon::LogonInfo>& Entries() const { return entries_; }
    int Count() const { return static_cast<int>(entries_.size()); }
    // Row texts: the name, "********" and the level formatted with "%u".
    static std::string PasswordText() { return "********"; }
    static std::string LevelText(uint32_t level);

    // A click on `row`, or -1 for a click beside the rows: remembers that row's user or
    // clears the remembered user.
    void Click(int row);
    int SelectedRow() const { return selectedRow_; }
    const std::string& RememberedUser() const { return remembered_; }
    AdminButtonStates ButtonStates() const;

    // The "&OK" checks of the "Add User Dialog", in order: empty name, name already in the
    // working copy, passwords differ, privilege not a whole number from 0 to 9. Shows the
    // message of the first failure and returns nonzero; returns 0 and the level otherwise.
    int CheckNewUser(const std::string& name, const std::string& password, const std::string& confirmation,
                     const std::string& privilegeText, uint32_t& level) const;
    // Whole number from 0 to 9, else "Please enter an integer between 0 and 9.".
    static int CheckPrivilegeText(const std::string& text, uint32_t& level);
    // Appends a checked new user.
    void AddUser(const std::string& name, const std::string& password, uint32_t level);

    // The commands on the selected row; they do nothing while no user is remembered or when
    // the row may not be changed that way. Return 0 when the working copy changed.
    int ChangePassword(const std::string& newPassword);
    int ChangePrivilege(uint32_t level);
    // Asks "Are you sure that you want to remove user %s from logon database ?"; returns 0
    // when removed, 2 when the user answered No, 1 when the row cannot be removed.
    int RemoveSelected();

    // Writes the working copy: deletions first, then updates, then creations. Returns 0
    // when every write succeeded.
    int Commit(logon::LogonDatabase& database) const;

private:
    const logon::LogonInfo* Selected() const;
    bool IsAdminRow(int row) const { return row == 0; }

    std::vector<logon::LogonInfo> entries_;
    logon::Edition edition_;
    int selectedRow_ = -1;
    std::string remembered_;
};

}  // namespace admin
