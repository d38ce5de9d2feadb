#pragma once
// Private profile (.ini) files with the classic semantics: sections and keys compare
// without regard to case, key names are stored exactly as given (blanks, parentheses and
// '%' included). Writes replace the file atomically.
#include <string>

namespace platform {

// Returns the value, or `defaultValue` when the file, section or key is missing.
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& file);
// Leading integer of the value (decimal), or `defaultValue`.
int GetPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue,
                         const std::string& file);
// Creates file and section as needed. Returns true on success.
bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& file);
// Removes one key.
bool DeletePrivateProfileKey(const std::string& section, const std::string& key, const std::string& file);

}  // namespace platform
