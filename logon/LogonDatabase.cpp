#include "logon/LogonDatabase.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
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

int LogonDatabase::ReadUsers(const platform::RegistryEdit& edit, std::vector<LogonInfo>& users) const {
    users.clear();
    std::vector<std::string> keys;
    const int rc = edit.EnumSubKeys(kRoot, kLogonKey, keys);
    if (rc == platform::REG_NOT_FOUND) return platform::REG_OK;  // no logon key yet: an empty list
    if (rc != platform::REG_OK) return rc;
    for (const std::string& name : keys) {
        std::vector<platform::RegValue> stored;
        if (edit.EnumValues(kRoot, UserKey(name), stored) != platform::REG_OK) continue;
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
    return platform::REG_OK;
}

int LogonDatabase::Load() {
    users_.clear();
    readable_ = false;
    std::vector<LogonInfo> users;
    // One snapshot: a save of the other program is seen whole or not at all.
    const int rc = registry_.View([&](const platform::RegistryEdit& edit) { return ReadUsers(edit, users); });
    if (rc != platform::REG_OK) {
        ReportUnreadable(rc);
        return rc;
    }
    users_ = std::move(users);
    readable_ = true;
    return 0;
}

namespace {

void PutValues(platform::RegistryEdit& edit, const LogonInfo& info, const std::vector<NamedValue>& fields) {
    for (const NamedValue& field : fields) edit.SetDword(kRoot, UserKey(info.name), field.name, info.*field.member);
}

const std::vector<NamedValue>& Fields(bool levelFirst) {
    static const std::vector<NamedValue> levelFirstOrder{kLevel, kKey1, kKey2};
    static const std::vector<NamedValue> keysFirstOrder{kKey1, kKey2, kLevel};
    return levelFirst ? levelFirstOrder : keysFirstOrder;
}

}  // namespace

void LogonDatabase::RemoveDifferentlySpelledKeys(platform::RegistryEdit& edit, const std::string& name) {
    // Registry key names ignore case, so "ADMIN" and "Admin" would share one key. A key
    // spelled differently is removed first so that the new record is listed under its name.
    std::vector<std::string> keys;
    if (edit.EnumSubKeys(kRoot, kLogonKey, keys) != platform::REG_OK) return;
    for (const std::string& key : keys)
        if (key != name && EqualsNoCase(key, name)) edit.DeleteKey(kRoot, UserKey(key));
}

int LogonDatabase::StoreAdmin(platform::RegistryEdit& edit, const LogonInfo& admin, const LogonInfo* previous) {
    // The backup goes to a pending file first, the registry follows, and the rename that
    // makes the backup current comes last. Killed before the registry was stored, the old
    // record and backup stay; killed after it, the next opening finds the pending file equal
    // to the registry and completes the rename (FinishInterruptedAdminSave).
    const std::string backup = BackupPath();
    const std::string pending = PendingAdminBackupPath(backup);
    // On failure the previous record is put back into the edit, so that whatever the
    // transaction stores afterwards still agrees with the backup.
    auto keepPrevious = [&] {
        if (previous) PutValues(edit, *previous, Fields(false));
    };
    if (!WriteAdminBackup(pending, admin.key1, admin.level)) {
        keepPrevious();
        return kBackupFailed;
    }
    const int rc = edit.Store();
    if (rc != platform::REG_OK) {
        ::unlink(pending.c_str());
        keepPrevious();
        return rc;
    }
    if (::rename(pending.c_str(), backup.c_str()) == 0) return 0;
    keepPrevious();
    // Stored back, the pending file is stale; if even that fails, the pending file equals
    // the registry and the next opening completes the save.
    if (edit.Store() == platform::REG_OK) ::unlink(pending.c_str());
    return kBackupFailed;
}

void LogonDatabase::FinishInterruptedAdminSave() {
    const std::string backup = BackupPath();
    const std::string pending = PendingAdminBackupPath(backup);
    struct stat st {};
    if (::lstat(pending.c_str(), &st) != 0) return;
    AdminBackup saved;
    const LogonInfo* admin = Find(kAdminUser);
    if (ReadAdminBackup(pending, saved) && admin && admin->key1 == saved.key1 && admin->level == saved.level &&
        ::rename(pending.c_str(), backup.c_str()) == 0)
        return;
    ::unlink(pending.c_str());  // that save never reached the registry
}

int LogonDatabase::SaveUser(const LogonInfo& info, WriteOrder order, const LogonInfo* previous) {
    const int rc = registry_.Update([&](platform::RegistryEdit& edit) {
        if (!previous) RemoveDifferentlySpelledKeys(edit, info.name);
        PutValues(edit, info, Fields(order == WriteOrder::LevelFirst));
        return info.name == kAdminUser ? StoreAdmin(edit, info, previous) : 0;
    });
    if (rc == 0 && !previous) {
        users_.erase(std::remove_if(users_.begin(), users_.end(),
                                    [&](const LogonInfo& user) {
                                        return user.name != info.name && EqualsNoCase(user.name, info.name);
                                    }),
                     users_.end());
    }
    return rc;
}

void LogonDatabase::ReportSaveFailure(const LogonInfo& info, int status) {
    if (status != kBackupFailed)
        values::ReportRegistryDwordFailure(kRoot, UserKey(info.name), kKey1.name, info.key1);
    platform::ShowMessage(kCreateFailed);
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
    const int rc = SaveUser(info, WriteOrder::LevelFirst, nullptr);
    if (rc != 0) {
        ReportSaveFailure(info, rc);
        return 1;
    }
    users_.push_back(info);
    return 0;
}

int LogonDatabase::SetPassword(const std::string& name, uint32_t newKey1) {
    const LogonInfo* user = Find(name);
    if (!readable_ || !user) return 1;
    LogonInfo updated = *user;
    updated.key1 = newKey1;
    return UpdateUser(updated);
}

int LogonDatabase::UpdateUser(const LogonInfo& given) {
    LogonInfo* user = FindMutable(given.name);
    if (!readable_ || !user) return 1;
    const LogonInfo previous = *user;
    const LogonInfo updated = MakeLogonInfo(given.name, given.level, given.key1);
    const int rc = SaveUser(updated, WriteOrder::KeysFirst, &previous);
    if (rc != 0) {
        ReportSaveFailure(updated, rc);
        return 1;
    }
    *FindMutable(given.name) = updated;
    return 0;
}

int LogonDatabase::DeleteUser(const std::string& name) {
    if (!readable_) return 1;
    // The key goes with its values in one change, so no half-deleted record is ever stored.
    const int rc = registry_.Update([&](platform::RegistryEdit& edit) { return edit.DeleteKey(kRoot, UserKey(name)); });
    users_.erase(std::remove_if(users_.begin(), users_.end(), [&](const LogonInfo& user) { return user.name == name; }),
                 users_.end());
    return rc;
}

int LogonDatabase::Reconcile() {
    if (!readable_) return 1;
    bool backupFailed = false;
    std::vector<LogonInfo> created;
    // One transaction under the registry lock: a save of the other program comes wholly
    // before this check or wholly after it.
    const int rc = registry_.Update([&](platform::RegistryEdit& edit) {
        const int read = ReadUsers(edit, users_);
        if (read != platform::REG_OK) return read;
        FinishInterruptedAdminSave();

        const std::string backupPath = BackupPath();
        AdminBackup backup;
        const bool backupValid = ReadAdminBackup(backupPath, backup);
        const LogonInfo* admin = Find(kAdminUser);
        const uint32_t defaultKey1 = PasswordHash(kDefaultAdminPassword);
        auto create = [&](const LogonInfo& info) {
            RemoveDifferentlySpelledKeys(edit, info.name);
            PutValues(edit, info, Fields(true));
            created.push_back(info);
        };
        int stored = 0;
        if (!backupValid && !admin) {
            // Without a backup the new record stands alone; the next opening writes the
            // backup from it, as for any missing backup.
            create(MakeLogonInfo(kAdminUser, kAdminLevel, defaultKey1));
            stored = StoreAdmin(edit, created.back(), nullptr);
        } else if (!backupValid) {
            if (!WriteAdminBackup(backupPath, admin->key1, admin->level)) stored = kBackupFailed;
        } else if (!admin) {
            create(MakeLogonInfo(kAdminUser, backup.level, backup.key1));
        } else if (backup.level != admin->level || backup.key1 != admin->key1) {
            // Registry and backup disagree although every save keeps them together: someone
            // edited one of them. Neither can be trusted, so both go back to the default.
            const LogonInfo previous = *admin;
            const LogonInfo reset = MakeLogonInfo(kAdminUser, kAdminLevel, defaultKey1);
            PutValues(edit, reset, Fields(false));
            stored = StoreAdmin(edit, reset, &previous);
            if (stored == 0) *FindMutable(kAdminUser) = reset;
        }
        if (stored == kBackupFailed) backupFailed = true;
        else if (stored != 0) return stored;

        if (!Find(kTrainingUser))
            create(MakeLogonInfo(kTrainingUser, kTrainingLevel, PasswordHash(kDefaultTrainingPassword)));
        if (IsMakerEdition(edition_) && !Find(kHolmgardUser))
            create(MakeLogonInfo(kHolmgardUser, kHolmgardLevel, PasswordHash(kDefaultHolmgardPassword)));
        return 0;
    });
    if (rc != 0) {
        if (rc == platform::REG_CORRUPT) {  // damaged since the list was loaded (reported)
            users_.clear();
            readable_ = false;
        }
        platform::ShowMessage(kCreateFailed);
        return 1;
    }
    for (const LogonInfo& info : created) {
        users_.erase(std::remove_if(users_.begin(), users_.end(),
                                    [&](const LogonInfo& user) { return EqualsNoCase(user.name, info.name); }),
                     users_.end());
        users_.push_back(info);
    }
    if (backupFailed) ReportBackupFailure();
    return backupFailed ? 1 : 0;
}

std::string LogonDatabase::ReadLastUser() {
    return values::ReadRegistryString(registry_, kRoot, UserKey(kAdminUser), "");
}

int LogonDatabase::StoreLastUser(const std::string& name) {
    if (!readable_) return 1;
    return values::WriteRegistryString(registry_, kRoot, UserKey(kAdminUser), "", name);
}

}  // namespace logon
