#pragma once
// Something the positioner does with its valve for a while instead of following the set
// point: a device procedure (stop finding, auto tune, self check) or a signature
// measurement. The valve extension runs at most one activity; it asks the activity for the
// drive of every model step and lets it look at the valve after the step.
#include <cstdint>

#include "simulator/valve/ValveModel.h"

namespace simulator {
class Device;
struct Block;
}  // namespace simulator

namespace simulator::valve {

struct ValveFaults;

// What an activity sees of the device around one model step.
struct ActivityContext {
    Device& device;
    Block& tb;
    ValveModel& model;
    const ServoParameters& servo;  // the servo set in force
    const Environment& env;
    const ValveFaults& faults;
    bool pressureSensor = true;    // the output pressure can be measured
};

class ValveActivity {
public:
    virtual ~ValveActivity() = default;
    // The drive for the next step.
    virtual Drive CurrentDrive(const ActivityContext& ctx) const = 0;
    // A servo set the activity tries instead of the block's (auto tune trials); nullptr: none.
    virtual const ServoParameters* ServoOverride() const { return nullptr; }
    // After every model step of kStepS.
    virtual void AfterStep(ActivityContext& ctx) = 0;
    virtual bool Finished() const = 0;
    // Whether the activity needs the valve stepped through time now; false while it only
    // waits (for a confirmation, or forever), so that a long gap may be settled at once.
    virtual bool NeedsStepping() const { return !Finished(); }
    // The activity's command written again while it runs: true when taken as a
    // confirmation, false when refused.
    virtual bool Confirm() { return false; }
    // Ends the activity at once, as cancelled.
    virtual void Cancel(ActivityContext& ctx) = 0;
    // Shows the activity's progress in the block (after every advance of the device).
    virtual void Publish(Block& /*tb*/) {}
};

}  // namespace simulator::valve
