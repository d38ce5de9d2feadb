#pragma once
// The set points of a step-response series. Positions are whole hundredths of a percent.
// A series goes out from the start towards the end in steps of the step size (the short step
// last), comes back (the short step first), and with a round trip of 2 or more repeats the
// way mirrored about the start, cycle after cycle. An automatic series (round trip -1 or
// less) makes groups of four single steps whose amplitude doubles from group to group.
#include <cstdint>

namespace diagnostics {

struct StepSeriesSettings {
    float start = 0.0f;            // initial set point (%)
    float end = 0.0f;              // destination set point (%)
    float stepSize = 0.0f;         // (%); 0: one step from start to end
    float roundTrip = 1.0f;        // 1 out and back, 0 out only, 2.. cycles, -1 or less automatic
    float defaultStepSize = 5.0f;  // automatic series without a step size (%)
};

struct StepSeriesPlan {
    int64_t start = 0;  // S
    int64_t end = 0;    // E (automatic: the end of the step's group)
    int64_t step = 0;   // D
    int64_t stepsPerLeg = 0;
    int64_t remainder = 0;  // the short step, 0 when the step divides the way
    int stepCount = 1;
};

// Plans the series as seen from step `index` (an automatic series changes its amplitude from
// group to group). Returns false for settings that admit no series: a step of zero, values
// outside +-10000 % or more than 10000 steps.
bool PlanStepSeries(const StepSeriesSettings& settings, int index, StepSeriesPlan& plan);

// The set points of step `index` (from 0). Returns 1 when `index` is past the last step
// (nothing to do), 0 with `from` and `to` filled, -1 for settings that admit no series.
int ComputeStep(const StepSeriesSettings& settings, int index, int64_t& from, int64_t& to, int& stepCount);

}  // namespace diagnostics
