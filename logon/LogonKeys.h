#pragma once
// Where the logon database lives in the registry (under HKEY_LOCAL_MACHINE).
#include <string>

namespace logon {

// Key holding one sub-key per user.
inline constexpr const char* kLogonKey = "SOFTWARE\\BRKKTE\\Tessaro\\Logon";

// The logon key, a backslash and the user name.
inline std::string UserKey(const std::string& name) { return std::string(kLogonKey) + "\\" + name; }

}  // namespace logon
