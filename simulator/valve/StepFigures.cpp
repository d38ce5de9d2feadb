#include "simulator/valve/StepFigures.h"

#include <algorithm>
#include <cmath>

namespace simulator::valve {

StepFigures MeasureStep(const std::vector<TimedValue>& record, double from, double to, double bandPct) {
    StepFigures f;
    const double size = to - from;
    if (record.empty() || size == 0.0) return f;
    const double sign = size > 0 ? 1.0 : -1.0;
    const double band = std::fabs(size) * bandPct / 100.0;
    double peak = 0.0;
    double lastOutside = -1.0;
    bool outsideAtEnd = false;
    for (const TimedValue& s : record) {
        const double covered = (s.value - from) * sign;  // progress towards the end value
        peak = std::max(peak, covered - std::fabs(size));
        if (f.t63S < 0 && covered >= 0.63 * std::fabs(size)) f.t63S = s.t;
        if (f.t86S < 0 && covered >= 0.86 * std::fabs(size)) f.t86S = s.t;
        outsideAtEnd = std::fabs(s.value - to) > band;
        if (outsideAtEnd) lastOutside = s.t;
    }
    f.overshootPct = peak / std::fabs(size) * 100.0;
    if (!outsideAtEnd) {
        // Settled at the first sample after the last one outside the band.
        f.settleS = 0.0;
        for (const TimedValue& s : record)
            if (s.t > lastOutside) {
                f.settleS = s.t;
                break;
            }
    }
    return f;
}

}  // namespace simulator::valve
