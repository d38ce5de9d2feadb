#pragma once
// The phases of the device procedures, shared by the procedures that chain them (stop
// finding before an auto tune), and the transducer-block helpers they use.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "simulator/valve/DeviceProcedure.h"
#include "simulator/valve/TransducerValues.h"

namespace simulator::valve {

// What a stop finding ended with: success, a warning (kept when a tune follows) or an error.
struct StopFindingOutcome {
    uint8_t outcome = kResultSuccess;
};

// Vent, full air (each to rest, or to a confirmation for command 7), then the new
// calibration. With command 8 the open stop adjustment is folded into the calibration.
std::shared_ptr<StopFindingOutcome> AddStopFinding(DeviceProcedure& procedure, uint8_t command);

// What the output probe measured: the relay's null, the stem speed per percent of servo
// output (MEAS_GAIN) and the apparent delay of the valve (VALVE_TC).
struct ProbeResult {
    double nullOutput = 55.0;
    double gain = 0.0;    // %/s per % output
    double delayS = 0.0;
    bool moved = false;
};
// Holds 50 %, then drives the relay a little above and below the null and watches the stem.
std::shared_ptr<ProbeResult> AddOutputProbe(DeviceProcedure& procedure);

// The probe, trials of candidate servo sets on 10 % steps, and the best set written.
// `stopsBefore`: the outcome of a stop finding run first (command 4), else nullptr.
void AddAutoTune(DeviceProcedure& procedure, std::shared_ptr<StopFindingOutcome> stopsBefore);

// Strokes 0 -> 100 -> 0 on slow pressure ramps and fills the measured values.
void AddSelfCheck(DeviceProcedure& procedure);

}  // namespace simulator::valve
