// Auto tune: an output probe measures the valve, then candidate servo sets are tried on
// 10 % steps up and down and the one whose response comes nearest a 10 % overshoot that
// settles quickly is kept.
#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <vector>

#include "simulator/Block.h"
#include "simulator/valve/ProcedurePhases.h"
#include "simulator/valve/StepFigures.h"

namespace simulator::valve {

namespace {

constexpr double kTrialLow = 45.0, kTrialHigh = 55.0;
constexpr double kTrialHoldS = 3.0;
constexpr double kTrialStepS = 3.5;
constexpr double kSettleBandPct = 5.0;   // of the step
constexpr double kTuneRecordS = 0.01;
// What the factory gain is right for: the probe gain of the maker's standard valve.
constexpr double kReferenceGain = 2.3;   // %/s per % output
constexpr double kFactoryGain = 120.0;

struct Trial {
    ServoParameters servo;
    double overshoot = 0.0;  // the larger of up and down
    double lowest = 0.0;     // the smaller
    double settleS = -1.0;   // the longer; -1 when a step did not settle
    double score = 1e9;
};

// Both steps overshoot by 6 to 11 % and settle within 2.5 s.
bool Good(const Trial& t) { return t.lowest >= 6.0 && t.overshoot <= 11.0 && t.settleS >= 0 && t.settleS <= 2.5; }

// Lower is better: overshoots outside 6 to 12 % weigh most, then the distance of their mean
// from 8.5 %, then slow settling.
double Score(const Trial& t) {
    const double outside = std::max(0.0, 6.0 - t.lowest) + std::max(0.0, t.overshoot - 12.0);
    const double mean = (t.overshoot + t.lowest) / 2.0;
    return 2.0 * outside + 0.5 * std::fabs(mean - 8.5) +
           (t.settleS < 0 ? 100.0 : std::max(0.0, t.settleS - 2.0) * 10.0);
}

// The search: on these valves more gain means less overshoot and quicker settling, so the
// gain is raised while the response overshoots too much or settles too slowly and lowered
// while it overshoots too little, between the nearest gains known to be too low and too
// high; then the derivative time is tried both ways at the best gain.
class GainSearch {
public:
    GainSearch(const ServoParameters& base, double gain) : base_(base) { next_ = Limit(gain); }
    ServoParameters Candidate() const {
        ServoParameters c = base_;
        c.gain = next_;
        c.rate = rate_;
        return c;
    }
    // Takes a trial's outcome; false when the search is over.
    bool Learn(const Trial& t) {
        ++trials_;
        if (Good(t) || trials_ >= kMaxTrials) return false;
        if (trials_ >= kGainTrials) {
            // Derivative time: shorter, then longer, at the best gain so far.
            if (trials_ - kGainTrials >= 2) return false;
            rate_ = trials_ == kGainTrials ? 0.15 : 0.3;
            next_ = bestGain_;
            return true;
        }
        // Too much overshoot or too slow to settle: more gain; too little overshoot: less.
        const bool raise = t.overshoot > 6.0;
        if (raise) low_ = std::max(low_, t.servo.gain);
        else high_ = high_ > 0 ? std::min(high_, t.servo.gain) : t.servo.gain;
        if (best_ < 0 || t.score < best_) best_ = t.score, bestGain_ = t.servo.gain;
        double gain = raise ? t.servo.gain * 1.35 : t.servo.gain / 1.3;
        if (low_ > 0 && high_ > 0) gain = std::sqrt(low_ * high_);
        next_ = Limit(gain);
        return std::fabs(next_ - t.servo.gain) >= 1.0;
    }

private:
    static constexpr int kGainTrials = 6;
    static constexpr int kMaxTrials = 8;
    static double Limit(double gain) { return std::clamp(std::round(gain), 5.0, 1300.0); }
    ServoParameters base_;
    double next_ = 120.0;
    double rate_ = 0.22;
    double low_ = 0.0, high_ = 0.0;  // gains known to overshoot too much / too little
    double best_ = -1.0, bestGain_ = 120.0;
    int trials_ = 0;
};

struct TuneScratch {
    std::unique_ptr<GainSearch> search;
    ServoParameters current;
    std::vector<Trial> trials;
    int stage = 0;  // 0 hold low, 1 step up, 2 step down
    double stageS = 0.0;
    std::vector<TimedValue> record;
    StepFigures up;
};

}  // namespace

void AddAutoTune(DeviceProcedure& p, std::shared_ptr<StopFindingOutcome> stopsBefore) {
    auto probe = AddOutputProbe(p, stopsBefore);
    auto s = std::make_shared<TuneScratch>();
    DeviceProcedure* procedure = &p;
    // A valve the probe could not measure cannot be tuned: the probe's cause ends it.
    p.AddPhase(0.0, [](const ActivityContext&, double) { return Drive::Servo(50.0); },
               [procedure, probe](ActivityContext&, double) {
                   if (!probe->moved) procedure->Stop(probe->failure != 0 ? probe->failure : uint8_t{kResultNoMovement});
                   return true;
               });

    p.AddPhase(
        4 * (kTrialHoldS + 2 * kTrialStepS),
        [s](const ActivityContext&, double) { return Drive::Servo(s->stage == 1 ? kTrialHigh : kTrialLow); },
        [procedure, s, probe](ActivityContext& ctx, double) {
            if (!s->search) {
                ServoParameters base = ctx.servo;
                base.offset = std::round(probe->nullOutput * 10.0) / 10.0;
                s->search = std::make_unique<GainSearch>(base, kFactoryGain * kReferenceGain / std::max(probe->gain, 0.05));
                s->current = s->search->Candidate();
                procedure->SetServoOverride(s->current);
            }
            s->stageS += kStepS;
            if (s->stage == 0) {
                if (s->stageS >= kTrialHoldS) s->stage = 1, s->stageS = 0.0, s->record.clear();
                return false;
            }
            if (s->record.empty() || s->stageS - s->record.back().t >= kTuneRecordS)
                s->record.push_back({s->stageS, ctx.model.Position()});
            if (s->stageS < kTrialStepS) return false;
            if (s->stage == 1) {
                s->up = MeasureStep(s->record, kTrialLow, kTrialHigh, kSettleBandPct);
                s->stage = 2, s->stageS = 0.0, s->record.clear();
                return false;
            }
            const StepFigures down = MeasureStep(s->record, kTrialHigh, kTrialLow, kSettleBandPct);
            Trial trial;
            trial.servo = s->current;
            trial.overshoot = std::max(s->up.overshootPct, down.overshootPct);
            trial.lowest = std::min(s->up.overshootPct, down.overshootPct);
            trial.settleS = (s->up.settleS < 0 || down.settleS < 0) ? -1.0 : std::max(s->up.settleS, down.settleS);
            trial.score = Score(trial);
            s->trials.push_back(trial);
            s->stage = 0, s->stageS = 0.0, s->record.clear();
            if (!s->search->Learn(trial)) return true;
            s->current = s->search->Candidate();
            procedure->SetServoOverride(s->current);
            return false;
        });

    p.SetConclusion([procedure, s, probe, stopsBefore](ActivityContext& ctx) -> uint8_t {
        procedure->ClearServoOverride();
        const Trial* best = nullptr;
        for (const Trial& t : s->trials)
            if (!best || t.score < best->score) best = &t;
        if (!best) return kResultNoMovement;
        SetStaticFloat(ctx.tb, "SERVO_GAIN", static_cast<float>(best->servo.gain));
        SetStaticFloat(ctx.tb, "SERVO_RATE", static_cast<float>(best->servo.rate));
        SetStaticFloat(ctx.tb, "SERVO_OFFSET", static_cast<float>(best->servo.offset));
        ctx.tb.SetFloat("MEAS_GAIN", static_cast<float>(probe->gain));
        ctx.tb.SetFloat("VALVE_TC", static_cast<float>(probe->delayS));
        if (best->settleS < 0 || best->settleS > 3.0) return kResultSlowResponse;
        if (best->overshoot < 5.0 || best->overshoot > 15.0) return kResultTuningLimited;
        if (stopsBefore && stopsBefore->outcome != kResultSuccess) return stopsBefore->outcome;
        return kResultSuccess;
    });
}

}  // namespace simulator::valve
