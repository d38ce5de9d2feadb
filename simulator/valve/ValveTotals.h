#pragma once
// The valve historian and the servo warning counter of a positioner: travel in full strokes,
// cycles, hours open, closed and near closed, and the excursions of the servo output beyond
// its warning limits. The counts live in the transducer block's parameters (the host may
// reset them); what falls short of a whole unit is carried here.
#include <cstdint>

namespace simulator {
struct Block;
}

namespace simulator::valve {

// Travel below this (percent) is taken for sensor jitter, not movement.
inline constexpr double kTravelDeadbandPct = 0.05;
// A cycle is counted at a reversal from closing to opening that follows a move of at least this.
inline constexpr double kCycleReversalPct = 1.0;

class ValveTotals {
public:
    // Moves the totals on by `seconds` at position `position` (%), the stem having reached
    // `travel` (true travel %). `servoOutput` is judged against the warning limits unless
    // `suppressWarnings` (a device procedure drives the relay).
    void Update(Block& tb, double travel, double position, double servoOutput, double seconds, bool suppressWarnings);

private:
    void AddWhole(Block& tb, const char* name, double& carried, double amount);

    bool started_ = false;
    double anchor_ = 0.0;         // travel where the last counted movement ended
    int direction_ = 0;           // +1 opening, -1 closing, 0 not known yet
    double extreme_ = 0.0;        // furthest travel in the present direction
    double strokes_ = 0.0;        // fractions not yet counted
    double openHours_ = 0.0;
    double closeHours_ = 0.0;
    double nearCloseHours_ = 0.0;
    double outsideS_ = 0.0;       // time the servo output has been beyond a warning limit
    bool warned_ = false;         // this excursion was counted
};

}  // namespace simulator::valve
