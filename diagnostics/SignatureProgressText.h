#pragma once
// The texts of the signature progress window: its title by the kind being measured, the
// settings of that kind line by line, the live values and the time of the last update.
#include <ctime>
#include <string>

#include "diagnostics/SignatureProgress.h"
#include "diagnostics/SignatureSettings.h"

namespace diagnostics {

// The kind of a phase byte (1 standard ... 16 positioner); -1 for the offset measurement,
// stabilizing and idle.
int KindOfPhase(uint8_t phase);

// "Standard Actuator Signature", ..., "Offset Measurement" (phase 0x20), "Step Response Test"
// while stabilizing, else "Signature".
std::string ProgressTitle(int kind, uint8_t phase);

// The settings of `kind` one per line (lines joined by "\r\n"); the offset measurement and
// stabilizing show a note instead. `defaultStepSize`: the profile's "DefaultStepSize".
std::string ProgressSettingsText(int kind, uint8_t phase, const SignatureSettings& settings, float defaultStepSize);

// "%.2f %s".
std::string ValueWithUnit(float value, const std::string& unit);
// "Last update time @ %m-%d-%y %H:%M:%S" of local time `when`.
std::string LastUpdateText(std::time_t when);

}  // namespace diagnostics
