#include "logon/LogonDatabase.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "logon/AdminBackup.h"
#include "logon/BuiltInUsers.h"
#include "logon/LogonKeys.h"
#include "logon/PasswordHash.h"
#include "platform/Ui.h"
#include "values/RegistryHelpers.h"

namespace logon {

namespace {

constexpr platform::RegRoot kRoot = platform::RegRoot::LocalMachine;
constexpr const char* kCreateFailed = "Error: Failed to create logon info.";

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

struct NamedValue {
    const char* name;
    uint32_t LogonInfo::*member;
};

constexpr NamedValue kLevel{"Level", &LogonInfo::level};
constexpr NamedValue kKey1{"Key1", &LogonInfo::key1};
constexpr NamedValue kKey2{"Key2", &LogonInfo::key2};

}  // namespace

LogonInfo MakeLogonInfo(const std::string& name, uint32_t level, uint32_t key1) {
    return LogonInfo{name, level, key1, LogonCheckValue(level, key1, name)};
}

LogonDatabase::LogonDatabase(platform::Registry& registry, std::string systemDirectory, Edition edition)
    : registry_(registry), systemDirectory_(std::move(systemDirectory)), edition_(edition) {}

std::string LogonDatabase::BackupPath() const { return AdminBackupPath(systemDirectory_); }

const LogonInfo* LogonDatabase::Find(const std::string& name) const {
    for (const LogonInfo& user : users_)
        if (user.name == name) return &user;
    return nullptr;
}

LogonInfo* LogonDatabase::FindMutable(const std::string& name) {
    for (LogonInfo& user : users_)
        if (user.name == name) return &user;
    return nullptr;
}

void LogonDatabase::ReportUnreadable(int status) {
    // A damaged file has already been reported by the registry itself.
    if (status == platform::REG_CORRUPT) return;
    std::string reason = registry_.LastError();
    if (reason.empty()) reason = platform::Format("status %d", status);
    platform::ShowMessage(platform::Format("Error: The user database cannot be read from the registry file %s "
                                           "(%s).\nThe file was left unchanged.",
                                           registry_.FilePath().c_str(), reason.c_str()),
                          platform::MB_OK | platform::MB_ICONSTOP);
}

void LogonDatabase::ReportBackupFailure() {
    platform::ShowMessage(
        platform::Format("Error: Failed to write the administrator backup file %s.", BackupPath().c_str()),
        platform::MB_OK | platform::MB_ICONSTOP);
}

int LogonDatabase::Load() {
    users_.clear();
    readable_ = false;
    std::vector<std::string> keys;
    int rc = registry_.EnumSubKeys(kRoot, kLogonKey, keys);
    if (rc == platform::REG_NOT_FOUND) {
        readable_ = true;  // no logon key yet: an empty list
        return 0;
    }
    if (rc != platform::REG_OK) {
        ReportUnreadable(rc);
        return rc;
    }
    std::vector<LogonInfo> users;
    for (const std::string& name : keys) {
        std::vector<platform::RegValue> stored;
        rc = registry_.EnumValues(kRoot, UserKey(name), stored);
        if (rc == platform::REG_NOT_FOUND) continue;
        if (rc != platform::REG_OK) {
            ReportUnreadable(rc);
            return rc;
        }
        LogonInfo info;
        info.name = name;
        bool haveLevel = false, haveKey1 = false, haveKey2 = false;
        for (const platform::RegValue& value : stored) {
            if (value.type != platform::RegType::Dword) continue;
            if (EqualsNoCase(value.name, "Level")) {
                info.level = value.number;
                haveLevel = true;
            } else if (EqualsNoCase(value.name, "Key1")) {
                info.key1 = value.number;
                haveKey1 = true;
            } else if (EqualsNoCase(value.name, "Key2")) {
                info.key2 = value.number;
                haveKey2 = true;
            }
        }
        if (!haveLevel || !haveKey1 || !haveKey2) continue;
        // Entries edited by hand (level out of range, check value not matching) are left in
        // the registry but not offered for logon.
        if (info.level > kMaxLevel || info.key2 != LogonCheckValue(info.level, info.key1, info.name)) continue;
        users.push_back(std::move(info));
    }
    users_ = std::move(users);
    readable_ = true;
    return 0;
}

int LogonDatabase::WriteUserValues(const LogonInfo& info, WriteOrder order, const LogonInfo* previous) {
    const std::string key = UserKey(info.name);
    const std::vector<NamedValue> fields = order == WriteOrder::LevelFirst
                                               ? std::vector<NamedValue>{kLevel, kKey1, kKey2}
                                               : std::vector<NamedValue>{kKey1, kKey2, kLevel};
    const bool keyExisted = registry_.KeyExists(kRoot, key);
    for (size_t i = 0; i < fields.size(); ++i) {
        const int rc = values::WriteRegistryDword(registry_, kRoot, key, fields[i].name, info.*fields[i].member);
        if (rc == platform::REG_OK) continue;
        // Put back what was already written so that the record stays consistent: a record
        // whose check value does not match would no longer be listed at all.
        if (previous) {
            for (size_t j = 0; j < i; ++j) registry_.SetDword(kRoot, key, fields[j].name, previous->*fields[j].member);
        } else if (!keyExisted) {
            registry_.DeleteKey(kRoot, key);
        }
        return rc;
    }
    return 0;
}

int LogonDatabase::WriteAdminUser(const LogonInfo& info, WriteOrder order, const LogonInfo* previous) {
    int rc = WriteUserValues(info, order, previous);
    if (rc != 0) return rc;
    if (info.name == kAdminUser && !WriteAdminBackup(BackupPath(), info.key1, info.level)) {
        // The backup must agree with the registry, or the next logon would reset the
        // administrator to the default password. Keep the old values in force instead.
        if (previous) WriteUserValues(*previous, order, nullptr);
        return 1;
    }
    return 0;
}

void LogonDatabase::RemoveDifferentlySpelledKey(const std::string& name) {
    // Registry key names ignore case, so "ADMIN" and "Admin" would share one key. A key
    // spelled differently is removed first so that the new record is listed under its name.
    std::vector<std::string> keys;
    if (registry_.EnumSubKeys(kRoot, kLogonKey, keys) != platform::REG_OK) return;
    for (const std::string& key : keys) {
        if (key != name && EqualsNoCase(key, name)) {
            registry_.DeleteKey(kRoot, UserKey(key));
            users_.erase(std::remove_if(users_.begin(), users_.end(),
                                        [&](const LogonInfo& user) { return user.name == key; }),
                         users_.end());
        }
    }
}

int LogonDatabase::CreateUser(const std::string& name, uint32_t level, uint32_t key1) {
    if (!readable_) return 1;
    if (Find(name)) {
        platform::ShowMessage("Duplicate logon name encountered. Please try a different one.");
        return 1;
    }
    return AddUser(MakeLogonInfo(name, level, key1));
}

int LogonDatabase::AddUser(const LogonInfo& given) {
    if (!readable_ || Find(given.name)) return 1;
    const LogonInfo info = MakeLogonInfo(given.name, given.level, given.key1);
    RemoveDifferentlySpelledKey(info.name);
    const int rc = WriteUserValues(info, WriteOrder::LevelFirst, nullptr);
    if (rc != 0) {
        platform::ShowMessage(kCreateFailed);
        return rc;
    }
    users_.push_back(info);
    return 0;
}

int LogonDatabase::SetPassword(const std::string& name, uint32_t newKey1) {
    LogonInfo* user = FindMutable(name);
    if (!readable_ || !user) return 1;
    const LogonInfo previous = *user;
    const LogonInfo updated = MakeLogonInfo(name, previous.level, newKey1);
    const int rc = WriteAdminUser(updated, WriteOrder::KeysFirst, &previous);
    if (rc != 0) {
        platform::ShowMessage(kCreateFailed);
        return rc;
    }
    *user = updated;
    return 0;
}

int LogonDatabase::UpdateUser(const LogonInfo& given) {
    LogonInfo* user = FindMutable(given.name);
    if (!readable_ || !user) return 1;
    const LogonInfo previous = *user;
    const LogonInfo updated = MakeLogonInfo(given.name, given.level, given.key1);
    const int rc = WriteAdminUser(updated, WriteOrder::KeysFirst, &previous);
    if (rc != 0) {
        platform::ShowMessage(kCreateFailed);
        return rc;
    }
    *user = updated;
    return 0;
}

int LogonDatabase::DeleteUser(const std::string& name) {
    if (!readable_) return 1;
    const std::string key = UserKey(name);
    registry_.DeleteValue(kRoot, key, "Level");
    registry_.DeleteValue(kRoot, key, "Key1");
    registry_.DeleteValue(kRoot, key, "Key2");
    const int rc = registry_.DeleteKey(kRoot, key);
    users_.erase(std::remove_if(users_.begin(), users_.end(), [&](const LogonInfo& user) { return user.name == name; }),
                 users_.end());
    return rc;
}

int LogonDatabase::CreateBuiltIn(const std::string& name, uint32_t level, const char* password) {
    if (Find(name)) return 0;
    return CreateUser(name, level, PasswordHash(password));
}

int LogonDatabase::Reconcile() {
    if (!readable_) return 1;
    int result = 0;
    const std::string backupPath = BackupPath();
    AdminBackup backup;
    const bool backupValid = ReadAdminBackup(backupPath, backup);
    const LogonInfo* admin = Find(kAdminUser);
    const uint32_t defaultKey1 = PasswordHash(kDefaultAdminPassword);

    if (!backupValid && !admin) {
        if (!WriteAdminBackup(backupPath, defaultKey1, kAdminLevel)) {
            ReportBackupFailure();
            result = 1;
        }
        if (CreateUser(kAdminUser, kAdminLevel, defaultKey1) != 0) result = 1;
    } else if (!backupValid) {
        if (!WriteAdminBackup(backupPath, admin->key1, admin->level)) {
            ReportBackupFailure();
            result = 1;
        }
    } else if (!admin) {
        if (CreateUser(kAdminUser, backup.level, backup.key1) != 0) result = 1;
    } else if (backup.level != admin->level || backup.key1 != admin->key1) {
        // Registry and backup disagree: someone edited one of them. Neither can be trusted,
        // so both go back to the default password.
        const LogonInfo previous = *admin;
        const LogonInfo reset = MakeLogonInfo(kAdminUser, kAdminLevel, defaultKey1);
        if (WriteUserValues(reset, WriteOrder::LevelFirst, &previous) != 0) {
            platform::ShowMessage(kCreateFailed);
            result = 1;
        } else {
            *FindMutable(kAdminUser) = reset;
            if (!WriteAdminBackup(backupPath, reset.key1, reset.level)) {
                ReportBackupFailure();
                result = 1;
            }
        }
    }

    if (CreateBuiltIn(kTrainingUser, kTrainingLevel, kDefaultTrainingPassword) != 0) result = 1;
    if (IsMakerEdition(edition_) && CreateBuiltIn(kHolmgardUser, kHolmgardLevel, kDefaultHolmgardPassword) != 0)
        result = 1;
    return result;
}

std::string LogonDatabase::ReadLastUser() {
    return values::ReadRegistryString(registry_, kRoot, UserKey(kAdminUser), "");
}

int LogonDatabase::StoreLastUser(const std::string& name) {
    if (!readable_) return 1;
    return values::WriteRegistryString(registry_, kRoot, UserKey(kAdminUser), "", name);
}

}  // namespace logon
