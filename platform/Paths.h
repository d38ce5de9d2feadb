#pragma once
// Where the program keeps its files.
#include <string>

namespace platform {

// The program directory: a writable application folder (TESSARO_HOME, else
// $XDG_DATA_HOME/Tessaro or ~/.local/share/Tessaro). Created on first use and seeded with
// the files shipped with the program; files already there are never overwritten.
// No trailing slash.
std::string ProgramDirectory();
// The system directory (TESSARO_SYSTEM_DIR, else <program directory>/System); created on use.
std::string SystemDirectory();
// The temporary folder (TMPDIR, else /tmp).
std::string TempDirectory();
// Folder holding the files shipped with the program (TESSARO_SEED_DIR, else the one
// compiled in).
std::string SeedDirectory();

// Joins path parts with one '/'. Parts may start with '\\' or '/' (design-style "\Config Files").
std::string JoinPath(const std::string& a, const std::string& b);

// Copies every file of `from` into `to` (recursively) that `to` does not hold yet.
bool SeedDirectoryInto(const std::string& from, const std::string& to);

// Forgets the cached program directory (tests that change TESSARO_HOME).
void ResetPathCache();

}  // namespace platform
