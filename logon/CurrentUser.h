#pragma once
// The name and privilege level of the user who logged on, shared by the whole program.
// Safe to read from any thread.
#include <cstdint>
#include <string>

namespace logon {

class CurrentUser {
public:
    static std::string Name();
    static uint32_t Level();
    static void SetName(const std::string& name);
    static void SetLevel(uint32_t level);
    // Back to "nobody logged on" (empty name, level 0).
    static void Reset();
};

}  // namespace logon
