#pragma once
// The positioner's procedures started through AUTO_TUNE_EXEC, with the protocol the host
// watches: the command stays in AUTO_TUNE_EXEC and AUTO_TUNE_RESULT reads 255 while the
// procedure runs, AUTO_TUNE_STATE climbs from 0 to 100, and at the end the result code and
// AUTO_TUNE_EXEC = 1 appear together.
#include <cstdint>
#include <memory>

#include "simulator/valve/PhasedActivity.h"

namespace simulator::valve {

// AUTO_TUNE_EXEC command codes.
enum ProcedureCommand : uint8_t {
    kExecOff = 1,
    kExecFindStops = 2,
    kExecAutoTune = 3,
    kExecStopsAndTune = 4,
    kExecCancel = 5,
    kExecManualStops = 7,
    kExecStopsAfterAdjust = 8,
    kExecSelfCheck = 255,
};

// AUTO_TUNE_RESULT codes: 1 success, 2 cancelled, 21-99 warnings, 100 and above errors.
enum ProcedureResult : uint8_t {
    kResultSuccess = 1,
    kResultCancelled = 2,
    kResultModeChanged = 3,     // the block left Out of Service while the procedure ran
    kResultSlowResponse = 21,
    kResultTuningLimited = 22,
    kResultHighFriction = 23,
    kResultProbeFailed = 24,    // self check: the output probe could not measure gain and delay
    kResultSupplyLow = 30,
    kResultNoMovement = 100,
    kResultStrokeTooSlow = 101, // the probe's output steps did not move the stem in time
    kResultHunting = 102,       // auto tune: every servo set tried hunts; the old set is kept
    kResultStopsNotFound = 110,
    kResultNoPressureSensor = 120,
    kResultSupplyTooLow = 130,
    kResultFailsafe = 140,
    kResultRunning = 255,
};

class DeviceProcedure : public PhasedActivity {
public:
    explicit DeviceProcedure(uint8_t command) : PhasedActivity(kResultSuccess), command_(command) {}

    uint8_t Command() const { return command_; }
    // AUTO_TUNE_RESULT: 255 while it runs.
    uint8_t Result() const { return Finished() ? EndCode() : static_cast<uint8_t>(kResultRunning); }

    void Publish(Block& tb) override;

protected:
    uint8_t CheckStart(ActivityContext& ctx) override;
    uint8_t OnFinish(ActivityContext& ctx, uint8_t code) override;
    void OnCancel(ActivityContext& ctx) override;
    bool Hangs(const ValveFaults& faults) const override;

private:
    uint8_t command_;
};

// What the device keeps from one procedure for the next: the stroke time the last stop
// finding measured (0: none yet), which bounds the waits of a later probe, and the slip the
// last self check measured (negative: none yet), which an auto tune sets its bands from.
struct ProcedureMemory {
    double strokeS = 0.0;
    double slipPct = -1.0;
};

// The procedure for an AUTO_TUNE_EXEC command (2, 3, 4, 7, 8, 255); nullptr for others.
// `memory` (may be nullptr) is read and updated by the procedure.
std::unique_ptr<DeviceProcedure> MakeDeviceProcedure(uint8_t command, std::shared_ptr<ProcedureMemory> memory = nullptr);

}  // namespace simulator::valve
