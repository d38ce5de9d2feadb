#pragma once
// An activity of the positioner as a list of phases, each driving the valve until it is
// done: the device procedures (DeviceProcedure) and, later, signature measurements. It keeps
// the progress (0 to 100, weighed by each phase's expected time), waits for confirmations,
// tries servo sets of its own, and ends with a code after its last phase or when a phase
// stops it. The protocol the host sees (which parameters show command, state and result)
// belongs to the subclass.
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "simulator/valve/ValveActivity.h"

namespace simulator::valve {

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

class PhasedActivity : public ValveActivity {
public:
    // Drive of a phase; `phaseS` is the time since the phase began.
    using DriveFn = std::function<Drive(const ActivityContext&, double phaseS)>;
    // After every step of a phase: true when the phase is done.
    using StepFn = std::function<bool(ActivityContext&, double phaseS)>;
    // After the last phase: the end code (values are written by the phases).
    using ConcludeFn = std::function<uint8_t(ActivityContext&)>;

    // `successCode`: what ends an activity without a conclusion of its own.
    explicit PhasedActivity(uint8_t successCode) : successCode_(successCode) {}

    uint8_t Progress() const { return progress_; }
    // The end code; meaningful once Finished().
    uint8_t EndCode() const { return endCode_; }

    // `expectedS` weighs the phase in the progress; `waits`: the phase waits for a
    // confirmation once the valve is at rest.
    void AddPhase(double expectedS, DriveFn drive, StepFn step, bool waits = false);
    void SetConclusion(ConcludeFn conclude) { conclude_ = std::move(conclude); }
    // Ends the activity after the present step with `code` (a failure found by a phase).
    void Stop(uint8_t code) { stopCode_ = code; }
    // A confirmation arrived and was not yet taken by a phase; taking it clears it.
    bool TakeConfirmation();

    Drive CurrentDrive(const ActivityContext& ctx) const override;
    void AfterStep(ActivityContext& ctx) override;
    bool Finished() const override { return finished_; }
    bool NeedsStepping() const override;
    bool Confirm() override;
    void Cancel(ActivityContext& ctx) override;
    // Ends the activity at once with `code` (something outside it ended it, such as a change
    // of the block's mode); the subclass shows the code as for any end.
    void Abort(ActivityContext& ctx, uint8_t code);

    // The rest watch of the present phase (cleared when a phase begins).
    RestWatch& Rest() { return rest_; }
    // A servo set to try instead of the block's (auto tune trials).
    void SetServoOverride(const ServoParameters& servo) {
        override_ = servo;
        hasOverride_ = true;
    }
    void ClearServoOverride() { hasOverride_ = false; }
    const ServoParameters* ServoOverride() const override { return hasOverride_ ? &override_ : nullptr; }

protected:
    // Before the first step: a nonzero code ends the activity at once with it.
    virtual uint8_t CheckStart(ActivityContext&) { return 0; }
    // The activity ended with `code` (after its last phase, or stopped); the subclass shows
    // it and returns the code it ended with in the end.
    virtual uint8_t OnFinish(ActivityContext&, uint8_t code) { return code; }
    // The user cancelled; the subclass shows it.
    virtual void OnCancel(ActivityContext&) {}
    // Whether an injected fault makes the activity stop progressing (it then never ends).
    virtual bool Hangs(const ValveFaults&) const { return false; }

private:
    struct Phase {
        double expectedS;
        DriveFn drive;
        StepFn step;
        bool waits;
    };
    void Finish(ActivityContext& ctx, uint8_t code);

    uint8_t successCode_;
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
    uint8_t progress_ = 0;
    uint8_t endCode_ = 0;
    double holdPosition_ = 50.0;  // where a hung activity keeps the valve
    RestWatch rest_;
    ServoParameters override_;
    bool hasOverride_ = false;
};

}  // namespace simulator::valve
