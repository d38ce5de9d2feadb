#pragma once
// The setting the program runs in:
//   1 standalone (owns the Fieldbus session), 2 plug-in of the QAM host, 3 AMS snap-on.
// Each executable fixes it once at the start of main (SetRunMode), before any other code reads
// it; nothing changes it afterwards. Code that behaves differently per setting tests `RunMode`
// like an int constant (RunMode == RunModeQamPlugIn).
namespace platform {
int CurrentRunMode();
// Standalone until set. Only the executable's main calls this.
void SetRunMode(int mode);
}  // namespace platform

struct RunModeSetting {
    operator int() const { return platform::CurrentRunMode(); }
};
inline constexpr RunModeSetting RunMode{};

inline constexpr int RunModeStandalone = 1;
inline constexpr int RunModeQamPlugIn = 2;
inline constexpr int RunModeAmsSnapOn = 3;
