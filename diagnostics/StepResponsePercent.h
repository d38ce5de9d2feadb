#pragma once
// The p of the step response time Tp, kept in the profile file (section "Diagnostics", key
// "Step Response Time(%)").
#include <string>

namespace diagnostics {

inline constexpr float kDefaultStepResponsePercent = 86.0f;

// Reads p; a value that is missing, not a number or outside 0 < p <= 100 is replaced by "86"
// in the file and 86 is used.
float StepResponsePercent(const std::string& profileFile);
// The profile file of the program (Tessaro.ini in the program directory).
std::string ProgramProfileFile();

}  // namespace diagnostics
