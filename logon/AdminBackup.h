#pragma once
// The administrator's backup file "amontsro.dll" in the system directory: three unsigned
// decimal numbers, each followed by a line feed: Admin's Key1, the check value of
// (level, Key1, "Admin") and Admin's level.
#include <cstdint>
#include <string>

namespace logon {

inline constexpr const char* kAdminBackupFileName = "amontsro.dll";

struct AdminBackup {
    uint32_t key1 = 0;
    uint32_t check = 0;
    uint32_t level = 0;
};

std::string AdminBackupPath(const std::string& systemDirectory);
// The backup of an administrator save in progress ("amontsro.dll.new"): written before the
// registry changes and renamed over the backup after them, so that a save interrupted at any
// point can be finished or dropped by the next opening of the database.
std::string PendingAdminBackupPath(const std::string& backupPath);

// The file's text for the given Key1 and level.
std::string FormatAdminBackup(uint32_t key1, uint32_t level);
// Parses the text; true when all three numbers can be read, the level is at most 9 and the
// check value matches. Anything after the third number is ignored.
bool ParseAdminBackup(const std::string& text, AdminBackup& out);

// Reads and validates the file; false when it is missing or invalid.
bool ReadAdminBackup(const std::string& path, AdminBackup& out);
// Replaces the file atomically (owner-only); false (file unchanged) on failure. Temporaries of
// killed earlier writes are removed, so call it only under the registry's lock, which every
// writer of the backup holds.
bool WriteAdminBackup(const std::string& path, uint32_t key1, uint32_t level);

}  // namespace logon
