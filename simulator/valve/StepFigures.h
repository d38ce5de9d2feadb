#pragma once
// The figures of one recorded step of the valve: overshoot, the times to cover 63 % and
// 86 % of the step, and the time after which the position stays within a band around the
// end value. The device's auto tune judges its trials with them.
#include <vector>

namespace simulator::valve {

struct TimedValue {
    double t = 0.0;  // s since the step
    double value = 0.0;
};

struct StepFigures {
    double overshootPct = 0.0;  // of the step size
    double t63S = -1.0;         // -1: not reached
    double t86S = -1.0;
    double settleS = -1.0;      // -1: never settled within the record
};

// `band` is the half width of the settling band in percent of the step size.
StepFigures MeasureStep(const std::vector<TimedValue>& record, double from, double to, double bandPct);

}  // namespace simulator::valve
