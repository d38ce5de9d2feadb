#pragma once
// The user list held in the registry under "SOFTWARE\BRKKTE\Tessaro\Logon", one sub-key per
// user with the REG_DWORD values "Level", "Key1" and "Key2", and the administrator's backup
// file. Both Tessaro and TessaroAdmin work on it.
//
// A registry file that cannot be read (damaged, unreadable) is reported once and the
// database then refuses every write, so no user is ever dropped or overwritten because of a
// problem in the file itself.
//
// Every save of a user is one registry transaction, so its values are stored all together or
// not at all. The administrator's record and backup file are written under the same lock as
// the check that compares them, in an order that lets the next opening finish or drop a save
// that was interrupted; so neither a crash nor the other program ever makes them disagree.
#include <cstdint>
#include <string>
#include <vector>

#include "logon/BuiltInUsers.h"
#include "logon/Edition.h"
#include "logon/LogonInfo.h"
#include "platform/Registry.h"
#include "platform/RegistryEdit.h"

namespace logon {

class LogonDatabase {
public:
    LogonDatabase(platform::Registry& registry, std::string systemDirectory, Edition edition);

    // Enumerates the users and keeps those whose three values were found, whose level is at
    // most 9 and whose Key2 matches the check value. A missing logon key gives an empty list.
    // Returns 0, or the registry status when the registry could not be read (reported).
    int Load();
    // Brings "Admin" in line with the backup file and creates the missing built-in users, on
    // the list as it is stored now (reloaded under the registry lock). Does nothing when the
    // last Load failed. Returns 0 when everything could be written.
    int Reconcile();

    bool IsReadable() const { return readable_; }
    Edition GetEdition() const { return edition_; }
    bool IsPermanent(const std::string& name) const { return IsPermanentUser(name, edition_); }
    const std::vector<LogonInfo>& Users() const { return users_; }
    // Exact (case-sensitive) lookup; nullptr when absent.
    const LogonInfo* Find(const std::string& name) const;

    // Adds a user with the given level and Key1. Refuses a name already in the list with
    // "Duplicate logon name encountered. Please try a different one.", and shows
    // "Error: Failed to create logon info." when a write fails.
    int CreateUser(const std::string& name, uint32_t level, uint32_t key1);
    // Stores a new Key1 (and its Key2) for a user of the list; for "Admin" the backup file too.
    // On failure the old password stays in force and "Error: Failed to create logon info." is
    // shown.
    int SetPassword(const std::string& name, uint32_t newKey1);

    // Commit steps of the administration tool.
    // Deletes the user's values and key and drops the user from the list; silent.
    int DeleteUser(const std::string& name);
    // Writes "Key1", "Key2" and "Level" of a user of the list (and for "Admin" the backup
    // file); on failure the previous values are put back and the message above is shown.
    int UpdateUser(const LogonInfo& info);
    // Writes "Level", "Key1" and "Key2" of a user not in the list and appends it.
    int AddUser(const LogonInfo& info);

    // The name of the user who last logged on: the default value of the "Admin" key ("" when
    // it cannot be read).
    std::string ReadLastUser();
    int StoreLastUser(const std::string& name);

    std::string BackupPath() const;
    platform::Registry& GetRegistry() { return registry_; }

private:
    enum class WriteOrder { LevelFirst, KeysFirst };
    // Results of a save besides the registry statuses.
    static constexpr int kBackupFailed = -1;

    int ReadUsers(const platform::RegistryEdit& edit, std::vector<LogonInfo>& users) const;
    int SaveUser(const LogonInfo& info, WriteOrder order, const LogonInfo* previous);
    int StoreAdmin(platform::RegistryEdit& edit, const LogonInfo& admin, const LogonInfo* previous);
    void FinishInterruptedAdminSave();
    void RemoveDifferentlySpelledKeys(platform::RegistryEdit& edit, const std::string& name);
    void ReportSaveFailure(const LogonInfo& info, int status);
    void ReportUnreadable(int status);
    void ReportBackupFailure();
    LogonInfo* FindMutable(const std::string& name);

    platform::Registry& registry_;
    std::string systemDirectory_;
    Edition edition_;
    std::vector<LogonInfo> users_;
    bool readable_ = false;
};

// The record for a user with the given level and Key1, its Key2 computed.
LogonInfo MakeLogonInfo(const std::string& name, uint32_t level, uint32_t key1);

}  // namespace logon
