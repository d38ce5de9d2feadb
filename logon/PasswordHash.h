#pragma once
// The 32-bit password hash and the check value that guards each user record.
#include <cstdint>
#include <string>

namespace logon {

// value = value * 33 + byte for each byte in order, the byte taken as a signed 8-bit number,
// all modulo 2^32. An empty text gives 0. Only ever compared, never reversed.
uint32_t PasswordHash(const std::string& text);

// The check value stored as "Key2": PasswordHash of the text "%d%d%s" formed from the level,
// Key1 (as a signed decimal number) and the user name.
uint32_t LogonCheckValue(uint32_t level, uint32_t key1, const std::string& name);

}  // namespace logon
