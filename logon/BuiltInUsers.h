#pragma once
// The users every logon database holds, and their passwords on a fresh installation.
#include <cstdint>
#include <string>

#include "logon/Edition.h"

namespace logon {

inline constexpr const char* kAdminUser = "Admin";
inline constexpr const char* kTrainingUser = "training";
inline constexpr const char* kHolmgardUser = "holmgard";

inline constexpr uint32_t kAdminLevel = 9;
inline constexpr uint32_t kTrainingLevel = 8;
inline constexpr uint32_t kHolmgardLevel = 8;
inline constexpr uint32_t kMaxLevel = 9;

// Passwords given to the built-in users when they are (re)created.
inline constexpr const char* kDefaultAdminPassword = "admin";
inline constexpr const char* kDefaultTrainingPassword = "training";
inline constexpr const char* kDefaultHolmgardPassword = "holmgard";

// Users whose password cannot be changed and who cannot be removed: "training", and
// "holmgard" in the maker edition.
bool IsPermanentUser(const std::string& name, Edition edition);

}  // namespace logon
