#pragma once
// Privilege check of the current user by operation class:
//   1 level >= 8, 2 level >= 5, 3 level >= 4,
//   4 level >= 3 standalone, >= 2 in the host settings, never in any other run mode,
//   5 level >= 1, 6 level == 9. Any other class is refused.
#include <cstdint>

namespace logon {

// The rule itself, for a given level and run mode.
bool IsPrivileged(int operationClass, uint32_t level, int runMode);

// Checks the current user in the current run mode; when refused and `showMessage` is set,
// shows "Attempted operation is unauthorized .".
bool HasPrivilege(int operationClass, bool showMessage = true);

}  // namespace logon
