#include "logon/AdminBackup.h"

#include <cctype>

#include "logon/BuiltInUsers.h"
#include "logon/PasswordHash.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"

namespace logon {

namespace {

// Reads one unsigned decimal number after optional white space; false when there is none or
// it does not fit into 32 bits.
bool ReadNumber(const std::string& text, size_t& pos, uint32_t& out) {
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
    const size_t start = pos;
    uint64_t value = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        value = value * 10 + static_cast<uint64_t>(text[pos] - '0');
        if (value > 0xFFFFFFFFull) return false;
        ++pos;
    }
    if (pos == start) return false;
    out = static_cast<uint32_t>(value);
    return true;
}

}  // namespace

std::string AdminBackupPath(const std::string& systemDirectory) {
    return platform::JoinPath(systemDirectory, kAdminBackupFileName);
}

std::string PendingAdminBackupPath(const std::string& backupPath) { return backupPath + ".new"; }

std::string FormatAdminBackup(uint32_t key1, uint32_t level) {
    return std::to_string(key1) + "\n" + std::to_string(LogonCheckValue(level, key1, kAdminUser)) + "\n" +
           std::to_string(level) + "\n";
}

bool ParseAdminBackup(const std::string& text, AdminBackup& out) {
    size_t pos = 0;
    AdminBackup backup;
    if (!ReadNumber(text, pos, backup.key1) || !ReadNumber(text, pos, backup.check) ||
        !ReadNumber(text, pos, backup.level))
        return false;
    if (backup.level > kMaxLevel) return false;
    if (backup.check != LogonCheckValue(backup.level, backup.key1, kAdminUser)) return false;
    out = backup;
    return true;
}

bool ReadAdminBackup(const std::string& path, AdminBackup& out) {
    std::string text;
    if (!platform::ReadWholeFile(path, text)) return false;
    return ParseAdminBackup(text, out);
}

bool WriteAdminBackup(const std::string& path, uint32_t key1, uint32_t level) {
    if (!platform::WriteFileAtomically(path, FormatAdminBackup(key1, level), nullptr, 0600)) return false;
    platform::RemoveStaleTemporaries(path);
    return true;
}

}  // namespace logon
