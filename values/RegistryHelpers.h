#pragma once
// One-call registry access used by start-up and the logon database: open (or create) the
// key, read or set one value. Failures are reported only while the Shift key is held down,
// the program's one diagnostic switch; otherwise they pass silently.
#include <cstdint>
#include <string>

#include "platform/Registry.h"

namespace values {

// The value's text when it exists and holds a string; "" otherwise.
std::string ReadRegistryString(platform::RegRoot root, const std::string& subkey, const std::string& valueName);
// Sets a 32-bit / string value, creating the key as needed. Returns the registry status.
int WriteRegistryDword(platform::RegRoot root, const std::string& subkey, const std::string& valueName,
                       uint32_t value);
int WriteRegistryString(platform::RegRoot root, const std::string& subkey, const std::string& valueName,
                        const std::string& text);

// The Shift-key diagnostic of a failed 32-bit write, for writers that store several values in
// one transaction: shows "Error setting %d for %s under subkey %s with handle %d" while Shift
// is held down.
void ReportRegistryDwordFailure(platform::RegRoot root, const std::string& subkey, const std::string& valueName,
                                uint32_t value);

// The same on a given registry instead of the process-wide one.
std::string ReadRegistryString(platform::Registry& registry, platform::RegRoot root, const std::string& subkey,
                               const std::string& valueName);
int WriteRegistryDword(platform::Registry& registry, platform::RegRoot root, const std::string& subkey,
                       const std::string& valueName, uint32_t value);
int WriteRegistryString(platform::Registry& registry, platform::RegRoot root, const std::string& subkey,
                        const std::string& valueName, const std::string& text);

}  // namespace values
