#pragma once
// The run-mode constants under the names the logon code uses.
#include "platform/RunMode.h"

namespace logon {

inline constexpr int kRunModeStandalone = RunModeStandalone;
inline constexpr int kRunModeQamPlugIn = RunModeQamPlugIn;
inline constexpr int kRunModeAmsSnapOn = RunModeAmsSnapOn;

inline int GetRunMode() { return RunMode; }

}  // namespace logon
