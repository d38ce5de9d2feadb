#pragma once
// The positioner's servo parameters as the calibration pages handle them: the five main
// ones (read and written as one group) and the advanced ones (boost stages, further servo
// parameters and, with the extended servo parameters, the double-acting boost stages), with
// their accepted entries and their place in the current configuration.
#include <array>
#include <string>

#include "config/CConfigData.h"
#include "fieldbus/DeviceAccess.h"

namespace calibration {

using FloatPair = std::array<float, 2>;

// SERVO_GAIN, SERVO_RESET, SERVO_RATE, SERVO_RATE_GAIN, SERVO_DEADBAND.
struct MainServoSet {
    std::array<float, 5> values{};
    bool operator==(const MainServoSet&) const = default;
};
inline constexpr const char* kMainServoNames[5] = {"SERVO_GAIN", "SERVO_RESET", "SERVO_RATE", "SERVO_RATE_GAIN",
                                                   "SERVO_DEADBAND"};
inline constexpr const char* kMainServoLabels[5] = {"Gain", "I  (s)", "D (s)", "Derivative Gain", "Dead Zone (%)"};

struct AdvancedServoSet {
    FloatPair boostOn{}, boostOff{}, boostValue{};
    float integralSleep = 0, pAlpha = 0, internalGain = 0, offset = 0;
    // Double-acting boost stages (extended servo parameters only).
    FloatPair xBoostOn{}, xBoostOff{}, xBoostValue{};
    bool operator==(const AdvancedServoSet&) const = default;
};

// Reads the five in order; 1 at the first failure.
int ReadMainServo(fieldbus::DeviceAccess& device, MainServoSet& set);
// Writes the five in order, stopping at the first failure.
int WriteMainServo(fieldbus::DeviceAccess& device, const MainServoSet& set);
MainServoSet MainServoOf(const config::CConfigData& config);
void StoreMainServo(config::CConfigData& config, const MainServoSet& set);

// Reads the boost pairs and the four single parameters, and the double-acting pairs when
// `extended`; 1 at the first failure.
int ReadAdvancedServo(fieldbus::DeviceAccess& device, bool extended, AdvancedServoSet& set);
AdvancedServoSet AdvancedServoOf(const config::CConfigData& config);
// Every parameter (pair) of `now` that differs from `reference` is written; written ones are
// stored in `config` when it is given. 1 when any write failed.
int WriteChangedAdvanced(fieldbus::DeviceAccess& device, bool extended, const AdvancedServoSet& now,
                         const AdvancedServoSet& reference, config::CConfigData* config);

// The refusal message of the page's validation, "" when the values are accepted.
// `edited`: the index of the entry being checked (pairs tell which of two was edited).
std::string ValidateMainServo(const MainServoSet& set, int edited);
// Advanced entries: 0-1 boost on, 2-3 boost off, 4-5 boost value, 6 sleep limit, 7 P alpha,
// 8 internal gain, 9 offset; the double-acting pairs 10-15 like 0-5.
std::string ValidateAdvancedServo(const AdvancedServoSet& set, int edited);

}  // namespace calibration
