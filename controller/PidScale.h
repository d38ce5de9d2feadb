#pragma once
// The PID controller's arithmetic: a scale mapped onto the 0 to 100 sliders, the state shown
// for the PID block's modes, and the process value the training simulation feeds into IN.
#include <cstdint>
#include <string>

#include "fieldbus/DeviceRecords.h"

namespace controller {

// The states the dialog shows and offers.
enum PidState : int { kStateRcas = 0, kStateCas = 1, kStateAuto = 2, kStateMan = 3, kStateSim = 4, kStateOther = 5 };
inline constexpr int kPidStateCount = 6;
// "RCAS", "CAS", "AUTO", "MAN", "SIM.", "" (other).
const char* PidStateName(int state);

// Slider position = k * value + c, clamped to 0 to 100 and rounded. From a scale whose EU_100
// lies above EU_0 (both finite): k = 100 / (EU_100 - EU_0), c = -k * EU_0, the labels show
// the range; otherwise the value is shown as it is, between "0.0" and "100.0" in "%".
struct SliderMapping {
    float k = 1.0f;
    float c = 0.0f;
    std::string highLabel = "100.0";
    std::string lowLabel = "0.0";
    std::string unit = "%";

    static SliderMapping FromScale(const fieldbus::ScalingRecord& scale, const std::string& unitText);
    int Position(float value) const;
    // The value at a slider position (a horizontal slider, 0 at the left).
    float ValueAt(int position) const;
    // The vertical set-point slider has 100 at the top: position p stands for
    // ((100 - p) - c) / k, and a value sits at 100 - Position(value).
    int InvertedPosition(float value) const { return 100 - Position(value); }
    float ValueAtInverted(int position) const { return ValueAt(100 - position); }
};

// The shown state from the actual modes: RCAS, CAS, AUTO (SIM. while simulating) and MAN
// need AO in CAS and TB in AUTO ("ready"); everything else is "other".
bool ReadyForPid(uint8_t aoActual, uint8_t tbActual);
int DeriveState(uint8_t pidActual, uint8_t aoActual, uint8_t tbActual, bool simulating);

// The value the simulation writes into PID IN: READBACK (percent of travel) mapped onto the
// configured PV range.
float SimulatedInput(float readbackPercent, float pvRangeLow, float pvRangeHigh);

}  // namespace controller
