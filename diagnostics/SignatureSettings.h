#pragma once
// The settings of a signature run: 32 floats in four groups of eight (standard, extended and
// high resolution, step response, positioner). The leading floats of a group are the device's
// settings parameter of the kind; the others are the program's own (the step response's step
// size, round trip and start limits).
#include <array>
#include <cstdint>
#include <string>

namespace diagnostics {

inline constexpr int kSettingsGroups = 4;
inline constexpr int kGroupFloats = 8;

// Selection of a run: kind bits, or 0xFF for "Measure ALL".
inline constexpr uint8_t kMeasureAll = 0xFF;

struct SignatureSettings {
    std::array<float, kSettingsGroups * kGroupFloats> values{};

    float& At(int group, int index) { return values[static_cast<size_t>(group * kGroupFloats + index)]; }
    float At(int group, int index) const { return values[static_cast<size_t>(group * kGroupFloats + index)]; }
    bool operator==(const SignatureSettings&) const = default;
};

// The settings group of a kind (0 standard, 1 extended and high resolution, 2 step response,
// 3 positioner); -1 for other kinds.
int SettingsGroupOfKind(int kind);
// The device parameter of a group ("STD_ACT_SIGN_SET", ...) and how many floats it holds.
const char* SettingsParameter(int group);
int DeviceFloatCount(int group);

// Group 2 of the settings as the step response uses it.
enum StepSetting : int {
    kStepStart = 0,        // initial set point (%)
    kStepEnd = 1,          // destination set point (%)
    kStepSampling = 2,     // sampling rate (ms), to the device
    kStepSamples = 3,      // number of samples, to the device
    kStepSize = 4,         // (%)
    kStepRoundTrip = 5,    // 1 out and back, 0 out only, 2n cycles, -1 automatic
    kStepErrorLimit = 6,   // initial error limit (%)
    kStepTimeLimit = 7,    // initial time limit (s)
};

// The number of kinds a selection holds: 1 for "Measure ALL" (one device run).
int SelectedKindCount(uint8_t mask);

}  // namespace diagnostics
