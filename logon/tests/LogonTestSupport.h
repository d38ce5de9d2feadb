#pragma once
// A private registry file, system directory and scripted Ui for one logon test.
#include <cstdint>
#include <string>
#include <vector>

#include "logon/AdminBackup.h"
#include "logon/LogonDatabase.h"
#include "logon/LogonKeys.h"
#include "logon/PasswordHash.h"
#include "platform/AtomicFile.h"
#include "platform/Registry.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"

namespace logon::testing {

constexpr platform::RegRoot kLM = platform::RegRoot::LocalMachine;

// Hashes worked out by hand (value * 33 + signed byte, modulo 2^32).
constexpr uint32_t kHashAdmin = 118750313;      // "admin"
constexpr uint32_t kHashTraining = 1060246716;  // "training"
constexpr uint32_t kHashHolmgard = 1595575470;  // "holmgard"
constexpr uint32_t kHashSecret = 329066278;     // "secret"

struct LogonFixture {
    platform::testing::TempDir dir;
    platform::Registry registry{dir.File("registry.dat")};
    platform::testing::ScriptedUi ui;

    std::string SystemDir() const { return dir.Path(); }
    std::string BackupPath() const { return dir.File(kAdminBackupFileName); }
    LogonDatabase MakeDatabase(Edition edition = Edition::Maker) {
        return LogonDatabase(registry, SystemDir(), edition);
    }

    // Writes a user's three values as they are (no consistency check).
    void PutRaw(const std::string& name, uint32_t level, uint32_t key1, uint32_t key2) {
        registry.SetDword(kLM, UserKey(name), "Level", level);
        registry.SetDword(kLM, UserKey(name), "Key1", key1);
        registry.SetDword(kLM, UserKey(name), "Key2", key2);
    }
    // Writes a consistent user record.
    void PutUser(const std::string& name, uint32_t level, const std::string& password) {
        const uint32_t key1 = PasswordHash(password);
        PutRaw(name, level, key1, LogonCheckValue(level, key1, name));
    }
    uint32_t Dword(const std::string& name, const std::string& value) {
        uint32_t number = 0xDEADBEEF;
        registry.GetDword(kLM, UserKey(name), value, number);
        return number;
    }
    std::vector<std::string> Keys() {
        std::vector<std::string> keys;
        registry.EnumSubKeys(kLM, kLogonKey, keys);
        return keys;
    }
    std::vector<std::string> ValueNames(const std::string& name) {
        std::vector<platform::RegValue> values;
        registry.EnumValues(kLM, UserKey(name), values);
        std::vector<std::string> names;
        for (const auto& value : values) names.push_back(value.name);
        return names;
    }
    std::string FileText(const std::string& path) {
        std::string text;
        platform::ReadWholeFile(path, text);
        return text;
    }
    void Corrupt() { platform::WriteFileAtomically(registry.FilePath(), "this is not a registry file\n\x01\x02"); }
    // A loaded and reconciled database, as when a logon dialog opens.
    LogonDatabase Opened(Edition edition = Edition::Maker) {
        LogonDatabase database = MakeDatabase(edition);
        database.Load();
        database.Reconcile();
        return database;
    }
};

}  // namespace logon::testing
