#include "admin/UserAdminModel.h"

#include <algorithm>
#include <cctype>

#include "logon/BuiltInUsers.h"
#include "logon/LogonSession.h"
#include "logon/PasswordHash.h"
#include "platform/Ui.h"

namespace admin {

namespace {

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

const logon::LogonInfo* FindIn(const std::vector<logon::LogonInfo>& list, const std::string& name) {
    for (const logon::LogonInfo& info : list)
        if (info.name == name) return &info;
    return nullptr;
}

}  // namespace

UserAdminModel::UserAdminModel(const std::vector<logon::LogonInfo>& databaseList, logon::Edition edition)
    : entries_(databaseList), edition_(edition) {
    auto admin = std::find_if(entries_.begin(), entries_.end(),
                              [](const logon::LogonInfo& info) { return info.name == logon::kAdminUser; });
    if (admin != entries_.end() && admin != entries_.begin()) std::rotate(entries_.begin(), admin, admin + 1);
}

std::string UserAdminModel::LevelText(uint32_t level) { return platform::Format("%u", level); }

void UserAdminModel::Click(int row) {
    if (row >= 0 && row < Count()) {
        selectedRow_ = row;
        remembered_ = entries_[row].name;
    } else {
        selectedRow_ = -1;
        remembered_.clear();
    }
}

const logon::LogonInfo* UserAdminModel::Selected() const {
    if (remembered_.empty() || selectedRow_ < 0 || selectedRow_ >= Count()) return nullptr;
    return &entries_[selectedRow_];
}

AdminButtonStates UserAdminModel::ButtonStates() const {
    AdminButtonStates states;
    const logon::LogonInfo* selected = Selected();
    if (!selected) return states;
    if (IsAdminRow(selectedRow_)) {
        states.changePassword = true;
    } else if (logon::IsPermanentUser(selected->name, edition_)) {
        states.changePrivilege = true;
    } else {
        states.changePassword = states.changePrivilege = states.removeUser = true;
    }
    return states;
}

int UserAdminModel::CheckPrivilegeText(const std::string& text, uint32_t& level) {
    const size_t begin = text.find_first_not_of(" \t");
    const size_t end = text.find_last_not_of(" \t");
    const std::string digits = begin == std::string::npos ? "" : text.substr(begin, end - begin + 1);
    const bool allDigits = !digits.empty() && std::all_of(digits.begin(), digits.end(), [](char c) {
                               return c >= '0' && c <= '9';
                           });
    // Leading zeros ("07") still make a whole number from 0 to 9.
    const size_t firstNonZero = digits.find_first_not_of('0');
    if (allDigits && (firstNonZero == std::string::npos || firstNonZero == digits.size() - 1)) {
        level = static_cast<uint32_t>(digits.back() - '0');
        return 0;
    }
    platform::ShowMessage("Please enter an integer between 0 and 9.");
    return 1;
}

int UserAdminModel::CheckNewUser(const std::string& name, const std::string& password,
                                 const std::string& confirmation, const std::string& privilegeText,
                                 uint32_t& level) const {
    if (name.empty()) {
        platform::ShowMessage("Cannot accept empty User Name.");
        return 1;
    }
    // A backslash would put the user's values into a nested key, where the next load would
    // never find them.
    if (name.find('\\') != std::string::npos) {
        platform::ShowMessage("User Name cannot contain a backslash.");
        return 1;
    }
    // Registry key names ignore case: "bob" and "Bob" would share one key and overwrite each
    // other's values, so they count as the same name here.
    for (const logon::LogonInfo& info : entries_) {
        if (EqualsNoCase(info.name, name)) {
            platform::ShowMessage("Duplicate user name encountered. Please try a different one.");
            return 1;
        }
    }
    if (!logon::CheckPasswordsMatch(password, confirmation)) return 1;
    return CheckPrivilegeText(privilegeText, level);
}

void UserAdminModel::AddUser(const std::string& name, const std::string& password, uint32_t level) {
    entries_.push_back(logon::MakeLogonInfo(name, level, logon::PasswordHash(password)));
}

int UserAdminModel::ChangePassword(const std::string& newPassword) {
    const logon::LogonInfo* selected = Selected();
    if (!selected || logon::IsPermanentUser(selected->name, edition_)) return 1;
    logon::LogonInfo& entry = entries_[selectedRow_];
    const uint32_t key1 = logon::PasswordHash(newPassword);
    if (key1 == entry.key1) return 1;
    entry = logon::MakeLogonInfo(entry.name, entry.level, key1);
    return 0;
}

int UserAdminModel::ChangePrivilege(uint32_t level) {
    const logon::LogonInfo* selected = Selected();
    if (!selected || IsAdminRow(selectedRow_) || level > logon::kMaxLevel) return 1;
    logon::LogonInfo& entry = entries_[selectedRow_];
    if (level == entry.level) return 1;
    entry = logon::MakeLogonInfo(entry.name, level, entry.key1);
    return 0;
}

int UserAdminModel::RemoveSelected() {
    const logon::LogonInfo* selected = Selected();
    if (!selected || IsAdminRow(selectedRow_) || selected->name == logon::kAdminUser ||
        logon::IsPermanentUser(selected->name, edition_))
        return 1;
    const int answer = platform::ShowMessage(
        platform::Format("Are you sure that you want to remove user %s from logon database ?", selected->name.c_str()),
        platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2);
    if (answer != platform::IDYES) return 2;
    entries_.erase(entries_.begin() + selectedRow_);
    Click(-1);
    return 0;
}

int UserAdminModel::Commit(logon::LogonDatabase& database) const {
    const std::vector<logon::LogonInfo> databaseList = database.Users();
    int result = 0;
    // Deletions first: names that differ only in case share one registry key, so a removed
    // "Bob" must be gone before a new "bob" is written. A name removed and added again is in
    // both lists and ends as an update.
    for (const logon::LogonInfo& user : databaseList)
        if (!FindIn(entries_, user.name)) database.DeleteUser(user.name);
    for (const logon::LogonInfo& user : databaseList) {
        const logon::LogonInfo* edited = FindIn(entries_, user.name);
        if (edited && !(*edited == user) && database.UpdateUser(*edited) != 0) result = 1;
    }
    for (const logon::LogonInfo& entry : entries_)
        if (!FindIn(databaseList, entry.name) && database.AddUser(entry) != 0) result = 1;
    return result;
}

}  // namespace admin
