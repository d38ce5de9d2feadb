#pragma once
// The auto tune's choice of servo sets to try and of the set to keep. Each trial steps the
// valve 10 % up and down; its figures say how much it overshot, how long it took to settle
// and whether it kept hunting (a limit cycle) at the end of a step.
#include <cstddef>
#include <vector>

#include "simulator/valve/ServoLoop.h"

namespace simulator::valve {

struct Trial {
    ServoParameters servo;
    double overshoot = 0.0;  // the larger of up and down
    double lowest = 0.0;     // the smaller
    double settleS = -1.0;   // the longer; -1 when a step did not settle
    bool hunts = false;      // still swinging at the end of a step
    double score = 1e9;
};

// A set that may be kept: it settles, does not hunt and overshoots at most 15 %.
bool Acceptable(const Trial& t);
// Lower is better (the trial's score once judged).
double Score(const Trial& t, double windowS);

// The search. First the gain with the factory's boost stages: on most valves more gain
// means less overshoot, so the gain rises while the response overshoots too much and falls
// while it overshoots too little; then the derivative time both ways. When that finds no
// acceptable set (a valve with a long dead time hunts at any such gain), the boost stages go
// off and the gain comes down until the response is calm; a valve that still hunts (its stem
// sticks and slips) gets a dead band.
class TuneSearch {
public:
    TuneSearch(const ServoParameters& base, double gain, double windowS);
    ServoParameters Candidate() const { return next_; }
    // Takes a judged trial; false when the search is over.
    bool Learn(const Trial& t);
    // The best set hunted on a long hold after its steps (a stem that sticks and slips swings
    // slowly); false when the search is over.
    bool Rejected(const Trial& t);
    // The best acceptable trial, nullptr when none was.
    static const Trial* Best(const std::vector<Trial>& trials);

private:
    bool Calm(const Trial& t);
    ServoParameters base_;
    ServoParameters next_;
    double windowS_;
    int stage_ = 0;   // 0 gain with boost, 1 derivative time, 2 calm: no boost, 3 dead band
    int trials_ = 0;  // in the present stage
    size_t deadband_ = 0;  // the dead band tried (stage 3)
    double low_ = 0.0, high_ = 0.0;  // gains known to overshoot too much / too little
    double bestScore_ = -1.0, bestGain_ = 0.0;
    double calmGain_ = 0.0;    // the highest calm gain without boost
    double huntingGain_ = 0.0; // the lowest gain without boost that hunted
    std::vector<Trial> seen_;
};

}  // namespace simulator::valve
