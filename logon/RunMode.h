#pragma once
// The setting the program was built for: 1 standalone, 2 plug-in of the partner's host,
// 3 snap-on of the asset-management host. The delivered program is standalone.
namespace logon {

inline constexpr int kRunModeStandalone = 1;
inline constexpr int kRunModeQamPlugIn = 2;
inline constexpr int kRunModeAmsSnapOn = 3;

// The process-wide run mode (standalone unless changed at start-up).
int GetRunMode();
void SetRunMode(int runMode);

}  // namespace logon
