#include "controller/PidScale.h"

#include <cmath>

#include "fieldbus/OperationState.h"
#include "platform/Ui.h"

namespace controller {

const char* PidStateName(int state) {
    static const char* const names[kPidStateCount] = {"RCAS", "CAS", "AUTO", "MAN", "SIM.", ""};
    return state >= 0 && state < kPidStateCount ? names[state] : "";
}

SliderMapping SliderMapping::FromScale(const fieldbus::ScalingRecord& scale, const std::string& unitText) {
    SliderMapping mapping;
    const double span = static_cast<double>(scale.eu100) - scale.eu0;
    const double k = 100.0 / span;
    // A range that is empty, reversed or not finite would divide by zero or by infinity.
    if (!(span > 0.0) || !std::isfinite(span) || !std::isfinite(k) || k <= 0.0) return mapping;
    mapping.k = static_cast<float>(k);
    mapping.c = static_cast<float>(-k * scale.eu0);
    mapping.highLabel = platform::Format("%.1f", scale.eu100);
    mapping.lowLabel = platform::Format("%.1f", scale.eu0);
    mapping.unit = unitText;
    return mapping;
}

int SliderMapping::Position(float value) const {
    const double position = static_cast<double>(k) * value + c;
    if (std::isnan(position)) return 0;
    if (position <= 0.0) return 0;
    if (position >= 100.0) return 100;
    return static_cast<int>(std::lround(position));
}

float SliderMapping::ValueAt(int position) const { return (static_cast<float>(position) - c) / k; }

bool ReadyForPid(uint8_t aoActual, uint8_t tbActual) {
    return aoActual == fieldbus::kModeCas && tbActual == fieldbus::kModeAuto;
}

int DeriveState(uint8_t pidActual, uint8_t aoActual, uint8_t tbActual, bool simulating) {
    if (!ReadyForPid(aoActual, tbActual)) return kStateOther;
    switch (pidActual) {
        case fieldbus::kModeMan: return kStateMan;
        case fieldbus::kModeAuto: return simulating ? kStateSim : kStateAuto;
        case fieldbus::kModeCas: return kStateCas;
        case fieldbus::kModeRcas: return kStateRcas;
        default: return kStateOther;
    }
}

float SimulatedInput(float readbackPercent, float pvRangeLow, float pvRangeHigh) {
    return pvRangeLow + (pvRangeHigh - pvRangeLow) * readbackPercent * 0.01f;
}

}  // namespace controller
