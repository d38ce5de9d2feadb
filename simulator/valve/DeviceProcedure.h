#pragma once
// The positioner's procedures started through AUTO_TUNE_EXEC: a list of phases, each
// driving the valve until it is done, with the protocol the host watches: the command stays
// in AUTO_TUNE_EXEC and AUTO_TUNE_RESULT reads 255 while the procedure runs,
// AUTO_TUNE_STATE climbs from 0 to 100, and at the end the result code and
// AUTO_TUNE_EXEC = 1 appear together.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "simulator/valve/ValveActivity.h"

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
    kResultSlowResponse = 21,
    kResultTuningLimited = 22,
    kResultHighFriction = 23,
    kResultSupplyLow = 30,
    kResultNoMovement = 100,
    kResultStopsNotFound = 110,
    kResultNoPressureSensor = 120,
    kResultSupplyTooLow = 130,
    kResultFailsafe = 140,
    kResultRunning = 255,
};

// The valve at rest: position and pressure stayed within small bands for a while.
class RestWatch {
public:
    void Add(double t, double position, double pressure);
    bool RestedFor(double seconds) const;
    void Clear() { samples_.clear(); }

private:
    struct Sample {
        double t, position, pressure;
    };
    std::deque<Sample> samples_;
};

class DeviceProcedure : public ValveActivity {
public:
    // Drive of a phase; `phaseS` is the time since the phase began.
    using DriveFn = std::function<Drive(const ActivityContext&, double phaseS)>;
    // After every step of a phase: true when the phase is done.
    using StepFn = std::function<bool(ActivityContext&, double phaseS)>;
    // After the last phase: the result code (values are written by the phases).
    using ConcludeFn = std::function<uint8_t(ActivityContext&)>;

    explicit DeviceProcedure(uint8_t command) : command_(command) {}

    uint8_t Command() const { return command_; }
    uint8_t State() const { return state_; }
    uint8_t Result() const { return result_; }

    // `expectedS` weighs the phase in AUTO_TUNE_STATE; `waits`: the phase waits for a
    // confirmation once the valve is at rest.
    void AddPhase(double expectedS, DriveFn drive, StepFn step, bool waits = false);
    void SetConclusion(ConcludeFn conclude) { conclude_ = std::move(conclude); }
    // Ends the procedure after the present step with `code` (a failure found by a phase).
    void Stop(uint8_t code) { stopCode_ = code; }
    // A confirmation arrived and was not yet taken by a phase; taking it clears it.
    bool TakeConfirmation();

    Drive CurrentDrive(const ActivityContext& ctx) const override;
    void AfterStep(ActivityContext& ctx) override;
    bool Finished() const override { return finished_; }
    bool NeedsStepping() const override;
    bool Confirm() override;
    void Cancel(ActivityContext& ctx) override;
    void Publish(Block& tb) override;

    // The rest watch of the present phase (cleared when a phase begins).
    RestWatch& Rest() { return rest_; }
    // A servo set to try instead of the block's (auto tune trials).
    void SetServoOverride(const ServoParameters& servo) {
        override_ = servo;
        hasOverride_ = true;
    }
    void ClearServoOverride() { hasOverride_ = false; }
    const ServoParameters* ServoOverride() const override { return hasOverride_ ? &override_ : nullptr; }

private:
    struct Phase {
        double expectedS;
        DriveFn drive;
        StepFn step;
        bool waits;
    };
    void Finish(ActivityContext& ctx, uint8_t code);
    void Begin(ActivityContext& ctx);

    uint8_t command_;
    std::vector<Phase> phases_;
    ConcludeFn conclude_;
    size_t phase_ = 0;
    double phaseS_ = 0.0;
    double doneS_ = 0.0;   // expected time of the phases already done
    bool begun_ = false;
    bool finished_ = false;
    bool confirmed_ = false;
    bool hung_ = false;
    uint8_t stopCode_ = 0;
    uint8_t state_ = 0;
    uint8_t result_ = kResultRunning;
    double holdPosition_ = 50.0;  // where a hung procedure keeps the valve
    RestWatch rest_;
    ServoParameters override_;
    bool hasOverride_ = false;
};

// The procedure for an AUTO_TUNE_EXEC command (2, 3, 4, 7, 8, 255); nullptr for others.
std::unique_ptr<DeviceProcedure> MakeDeviceProcedure(uint8_t command);

}  // namespace simulator::valve
