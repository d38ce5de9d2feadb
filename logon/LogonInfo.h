#pragma once
// One user of the logon database as held in memory.
#include <cstdint>
#include <string>

namespace logon {

struct LogonInfo {
    std::string name;
    uint32_t level = 0;  // privilege level 0-9
    uint32_t key1 = 0;   // PasswordHash of the password
    uint32_t key2 = 0;   // LogonCheckValue(level, key1, name)

    bool operator==(const LogonInfo&) const = default;
};

}  // namespace logon
