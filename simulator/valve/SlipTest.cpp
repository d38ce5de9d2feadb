// The slip test: the stem comes to rest at mid stroke and sticks there, then the pressure
// creeps up until it breaks away. A stem that sticks and slips jumps beyond what the pressure
// rise explains; a stem that only slides follows the pressure. Once the stem moved, the
// pressure is held and the stem given time to end its jump; the slip is its travel from
// rest less what the pressure rise since the breakaway (to the highest pressure since: a
// sliding stem does not slide back on a small fall) moves a sliding stem.
#include <algorithm>
#include <cmath>
#include <deque>

#include "simulator/valve/ProcedurePhases.h"

namespace simulator::valve {

namespace {

constexpr double kCreepKpaS = 0.5;  // slow: a sliding stem lags a faster creep
constexpr double kBreakawayPct = 0.05;  // the stem moved beyond doubt
constexpr double kSlipTimeoutS = 20.0;
constexpr double kStickS = 1.0;
constexpr double kStickDropKpa = 0.2;
constexpr double kRestAverageS = 0.5;   // the position at rest, averaged over this long
constexpr double kRestPositionBand = 0.04;
constexpr double kRestPressureBand = 0.05;
constexpr double kHistoryS = 2.0;       // creep samples kept to find where the stem left rest
constexpr double kJumpMinS = 0.3;       // the jump is watched at least this long
constexpr double kJumpMaxS = 5.0;
constexpr double kJumpStillPct = 0.01;  // the stem moved less than this over kJumpStillS
constexpr double kJumpStillS = 0.2;
constexpr double kEndAverageS = 0.1;

struct CreepSample {
    double t, position, pressure;
};

struct SlipScratch {
    int stage = 0;  // 0 to rest at mid stroke, 1 let it stick, 2 creep, 3 the jump
    double target = 0.0;
    double stageS = 0.0;
    double restSum = 0.0;
    int restCount = 0;
    double restPosition = 0.0;
    double restBand = 0.0;
    std::deque<CreepSample> samples;
    double breakawayPressure = 0.0;
    double peakPressure = 0.0;  // the highest since: a sliding stem stays where it took it
};

double Average(const std::deque<CreepSample>& samples, double fromT, double CreepSample::*member) {
    double sum = 0.0;
    int n = 0;
    for (const CreepSample& s : samples)
        if (s.t >= fromT) sum += s.*member, ++n;
    return n > 0 ? sum / n : 0.0;
}

}  // namespace

std::shared_ptr<SlipResult> AddSlipTest(DeviceProcedure& p, std::shared_ptr<const SpringLine> line) {
    auto out = std::make_shared<SlipResult>();
    auto s = std::make_shared<SlipScratch>();
    DeviceProcedure* procedure = &p;
    p.AddPhase(
        8.0, [s](const ActivityContext&, double) { return Drive::Pressure(s->target); },
        [procedure, s, out, line](ActivityContext& ctx, double t) {
            if (!line->valid || line->kpaPerPct == 0.0) return true;  // nothing to aim with
            const double position = ctx.model.Position();
            const double pressure = ctx.model.PressureKpa();
            if (s->stage == 0) {
                // To mid stroke and to rest there.
                s->target = line->kpaPerPct * 50.0 + line->offsetKpa;
                if (!(t >= 1.5 && procedure->Rest().RestedFor(1.0)) && t < kSlipTimeoutS) return false;
                s->stage = 1, s->stageS = t;
                return false;
            }
            if (s->stage == 1) {
                // A little less pressure: the stem stops and sticks where it is; then its
                // position at rest and the band its reading wanders in.
                if (t - s->stageS < kStickS) {
                    s->target -= kStickDropKpa * kStepS / kStickS;
                    return false;
                }
                s->samples.push_back({t, position, pressure});
                while (t - s->samples.front().t > kRestAverageS) s->samples.pop_front();
                if (t - s->stageS < kStickS + kRestAverageS) return false;
                double lowX = 1e9, highX = -1e9, lowP = 1e9, highP = -1e9;
                for (const CreepSample& r : s->samples) {
                    lowX = std::min(lowX, r.position), highX = std::max(highX, r.position);
                    lowP = std::min(lowP, r.pressure), highP = std::max(highP, r.pressure);
                }
                const bool rested = highX - lowX < kRestPositionBand && highP - lowP < kRestPressureBand;
                if (!rested && t - s->stageS < kSlipTimeoutS) return false;
                s->restPosition = Average(s->samples, 0.0, &CreepSample::position);
                for (const CreepSample& r : s->samples)
                    s->restBand = std::max(s->restBand, std::fabs(r.position - s->restPosition));
                s->samples.clear();
                s->stage = 2, s->stageS = t;
                return false;
            }
            s->samples.push_back({t, position, pressure});
            if (s->stage == 2) {
                s->target += kCreepKpaS * kStepS;
                while (t - s->samples.front().t > kHistoryS) s->samples.pop_front();
                if (std::fabs(position - s->restPosition) <= std::max(kBreakawayPct, 3.0 * s->restBand))
                    return t - s->stageS >= 2 * kSlipTimeoutS;
                // It left rest where its reading last stood within the band of the rest.
                s->breakawayPressure = s->samples.front().pressure;
                for (const CreepSample& r : s->samples)
                    if (std::fabs(r.position - s->restPosition) <= s->restBand) s->breakawayPressure = r.pressure;
                // Hold the pressure reached: the stem ends its jump.
                s->target = pressure;
                s->peakPressure = pressure;
                s->stage = 3, s->stageS = t;
                return false;
            }
            while (t - s->samples.front().t > kJumpMaxS) s->samples.pop_front();
            s->peakPressure = std::max(s->peakPressure, pressure);
            const double watched = t - s->stageS;
            double low = 1e9, high = -1e9;
            for (const CreepSample& r : s->samples)
                if (r.t >= t - kJumpStillS) low = std::min(low, r.position), high = std::max(high, r.position);
            const bool still = high - low < kJumpStillPct + 2.0 * s->restBand;
            if (watched < kJumpMinS || (!still && watched < kJumpMaxS)) return false;
            const double endPosition = Average(s->samples, t - kEndAverageS, &CreepSample::position);
            const double slid = (s->peakPressure - s->breakawayPressure) / std::fabs(line->kpaPerPct);
            out->slipPct = std::max(0.0, std::fabs(endPosition - s->restPosition) - std::max(0.0, slid));
            out->measured = true;
            return true;
        });
    return out;
}

}  // namespace simulator::valve
