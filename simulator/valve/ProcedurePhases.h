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
    double strokeS = 0.0;  // the stroke on full air took this long (0: not measured)
};

// Vent, full air (each to rest, or to a confirmation for command 7), then the new
// calibration. With command 8 the open stop adjustment is folded into the calibration. A
// stroke measured is kept in `memory`.
std::shared_ptr<StopFindingOutcome> AddStopFinding(DeviceProcedure& procedure, uint8_t command,
                                                   std::shared_ptr<ProcedureMemory> memory);

// What the output probe measured: the relay's null, the stem speed per percent of servo
// output (MEAS_GAIN) and the apparent delay of the valve (VALVE_TC), or why it could not.
struct ProbeResult {
    double nullOutput = 55.0;
    double heldNullOutput = 55.0;  // the null on a held pressure (exact also for a sticking stem)
    // The stem's slip (% of travel): the last self check's, else the probe's own measure;
    // negative when neither is known.
    double slipPct = -1.0;
    double gain = 0.0;    // %/s per % output
    double delayS = 0.0;
    bool moved = false;
    // When the stem did not move: kResultNoMovement (it stays put with the actuator full or
    // empty), kResultSupplyTooLow (the supply cannot push it) or kResultStrokeTooSlow (the
    // pressure was still changing when the probe's time was up).
    uint8_t failure = 0;
};
// Holds 50 %, then drives the relay above and below the null, raising the output step until
// the stem breaks away, and measures the stem's speed on a small step once it moves. The
// probe's time limits scale with the stroke time the device measured last (`memory`; the
// slowest stroke a positioner is made for when none). A probe that fails only records why;
// the caller decides what ends. `forTune`: the probe ends with what an auto tune needs, a
// slip test of its own when `memory` holds no slip, and for a stem that sticks the null read
// on a held pressure.
std::shared_ptr<ProbeResult> AddOutputProbe(DeviceProcedure& procedure, std::shared_ptr<const ProcedureMemory> memory,
                                            bool forTune);

// The probe, trials of candidate servo sets on 10 % steps, and the best set written.
// `stopsBefore`: the outcome of a stop finding run first (command 4), else nullptr.
void AddAutoTune(DeviceProcedure& procedure, std::shared_ptr<StopFindingOutcome> stopsBefore,
                 std::shared_ptr<const ProcedureMemory> memory);

// The rising stroke's line through pressure and position: pressure = kpaPerPct * position +
// offsetKpa (known once the self check's rising stroke is fitted).
struct SpringLine {
    bool valid = false;
    double kpaPerPct = 0.0;
    double offsetKpa = 0.0;
};
// How far the stem jumps when it breaks away from rest (% of travel).
struct SlipResult {
    double slipPct = 0.0;
    bool measured = false;
};
// Rests the stem at mid stroke (aimed with `line`), lets it stick and creeps the pressure up
// until it breaks away; the jump beyond what the pressure rise explains is the slip.
std::shared_ptr<SlipResult> AddSlipTest(DeviceProcedure& procedure, std::shared_ptr<const SpringLine> line);

// Strokes 0 -> 100 -> 0 on slow pressure ramps and fills the measured values.
void AddSelfCheck(DeviceProcedure& procedure, std::shared_ptr<ProcedureMemory> memory);

}  // namespace simulator::valve
