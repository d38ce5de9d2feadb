#pragma once
// The setting the program is built for, fixed at build time:
//   1 standalone (owns the Fieldbus session), 2 plug-in of the QAM host, 3 AMS snap-on.
// Code that behaves differently per setting tests this constant.
inline constexpr int RunMode = 1;

inline constexpr int RunModeStandalone = 1;
inline constexpr int RunModeQamPlugIn = 2;
inline constexpr int RunModeAmsSnapOn = 3;
