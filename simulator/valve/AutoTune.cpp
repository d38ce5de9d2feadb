// Auto tune: an output probe measures the valve, then candidate servo sets are tried on
// 10 % steps up and down (TuneSearch chooses them); the acceptable one whose response comes
// nearest a 10 % overshoot that settles quickly must rest through a long hold, and is kept.
// A set that hunts is never kept.
#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <vector>

#include "simulator/Block.h"
#include "simulator/valve/ProcedurePhases.h"
#include "simulator/valve/StepFigures.h"
#include "simulator/valve/TuneSearch.h"

namespace simulator::valve {

namespace {

constexpr double kTrialLow = 45.0, kTrialHigh = 55.0;
constexpr double kTrialHoldS = 3.0;
constexpr double kTrialStepS = 3.5;
constexpr double kTrialStepMaxS = 30.0;
// The tail of a step window (share) in which the position must stay within a band (%).
constexpr double kHuntTail = 0.4;
constexpr double kHuntBandPct = 0.5;  // the settling band of a 10 % step
constexpr double kSettleBandPct = 5.0;   // of the step
constexpr double kTuneRecordS = 0.01;
// The whole search with its holds ends within this (the host gives a procedure ten
// minutes, and the probe and a stop finding come before); the best set found is then kept.
constexpr double kSearchBudgetS = 360.0;
// A stem that sticks and slips by more than this (% of travel, the self check's slip):
// the loop gets a dead band that takes the jump, and the integral sleeps near the set point
// (it would wind against the stuck stem and kick it on, so the loop would hunt).
constexpr double kStickySlipPct = 0.1;
constexpr double kDeadbandPerSlip = 1.0;
constexpr double kStickyIntegralSleepPct = 5.0;
// What the factory gain is right for: the probe gain of the maker's standard valve.
constexpr double kReferenceGain = 2.3;   // %/s per % output
constexpr double kFactoryGain = 120.0;

// The step window: long enough for the valve the probe measured to cover a 10 % step and
// settle (a slow valve needs longer than the maker's standard one).
double StepWindowS(const ProbeResult& probe) {
    return std::clamp(kTrialStepS * kReferenceGain / std::max(probe.gain, 0.05), kTrialStepS, kTrialStepMaxS);
}

// Hunting after a step to `to`: the position reached the set point and still swings by more
// than the band in the last part of the window (a valve still on its way is slow, not
// hunting).
bool Hunts(const std::vector<TimedValue>& record, double to, double windowS) {
    double low = 1e9, high = -1e9;
    bool reached = false;
    int side = 0;
    for (const TimedValue& v : record) {
        const int now = v.value > to + kHuntBandPct / 2 ? 1 : (v.value < to - kHuntBandPct / 2 ? -1 : side);
        reached = reached || (side != 0 && now != side) || std::fabs(v.value - to) <= kHuntBandPct / 2;
        side = now;
        if (v.t >= (1.0 - kHuntTail) * windowS) low = std::min(low, v.value), high = std::max(high, v.value);
    }
    return reached && high - low > kHuntBandPct;
}

struct TuneScratch {
    std::unique_ptr<TuneSearch> search;
    double windowS = kTrialStepS;
    bool upHunts = false;
    ServoParameters current;
    std::vector<Trial> trials;
    int stage = 0;  // 0 hold low, 1 step up, 2 step down
    double stageS = 0.0;
    std::vector<TimedValue> record;
    StepFigures up;
    bool verifying = false;  // the best set on a long hold
    bool verified = false;   // the best set passed it
    double elapsedS = 0.0;   // since the search began
};

// The servo set the search starts from: the block's, with the relay's null as offset, and
// for a sticky stem the bands its slip asks for.
ServoParameters BaseSet(const ServoParameters& block, const ProbeResult& probe) {
    ServoParameters base = block;
    base.offset = std::round(probe.nullOutput * 10.0) / 10.0;
    const double slip = probe.slipPct;
    if (slip > kStickySlipPct) {
        // Within the dead band the output is the offset alone: it must be the null exactly,
        // or the pressure drifts until the stem breaks away again.
        base.offset = std::round(probe.heldNullOutput * 100.0) / 100.0;
        base.deadband = std::round(kDeadbandPerSlip * slip * 100.0) / 100.0;
        base.integralSleep = kStickyIntegralSleepPct;
    }
    return base;
}

// The band a step settles in (% of the step): a set with a dead band rests anywhere within it.
double SettleBand(const ServoParameters& servo) {
    return std::max(kSettleBandPct, (servo.deadband + kHuntBandPct / 2) / (kTrialHigh - kTrialLow) * 100.0);
}

// The long hold after a step that the best set must rest through.
double VerifyS(double windowS) { return std::max(20.0, 2.0 * windowS); }

// How far the position moved from `fromS` on (the largest less the smallest).
double SwingFrom(const std::vector<TimedValue>& record, double fromS) {
    double low = 1e9, high = -1e9;
    for (const TimedValue& v : record)
        if (v.t >= fromS) low = std::min(low, v.value), high = std::max(high, v.value);
    return high >= low ? high - low : 0.0;
}

// A set with a dead band leaves a sticking stem wherever it stopped in the band; it rests
// only if the stem has no slip left to make once the step settled (from the tail of the
// step window on): a late slip is what a valve at rest must not do.
bool SlipsLate(const std::vector<TimedValue>& record, const ServoParameters& servo, double windowS) {
    return servo.deadband > 0.0 && SwingFrom(record, (1.0 - kHuntTail) * windowS) > kHuntBandPct;
}

// Tries `servo` next: a fresh start of the position loop with it.
bool Try(TuneScratch& s, ActivityContext& ctx, DeviceProcedure& procedure, const ServoParameters& servo) {
    s.current = servo;
    procedure.SetServoOverride(servo);
    ctx.model.RestartServo(servo);
    return false;
}

// The search is over: the best acceptable set goes on the long hold; true (done) when
// there is none.
bool VerifyNext(TuneScratch& s, ActivityContext& ctx, DeviceProcedure& procedure) {
    const Trial* best = TuneSearch::Best(s.trials);
    if (!best) return true;
    s.verifying = true;
    return Try(s, ctx, procedure, best->servo);
}

}  // namespace

void AddAutoTune(DeviceProcedure& p, std::shared_ptr<StopFindingOutcome> stopsBefore,
                 std::shared_ptr<const ProcedureMemory> memory) {
    auto probe = AddOutputProbe(p, memory, true);
    auto s = std::make_shared<TuneScratch>();
    DeviceProcedure* procedure = &p;
    // A valve the probe could not measure cannot be tuned: the probe's cause ends it.
    p.AddPhase(0.0, [](const ActivityContext&, double) { return Drive::Servo(50.0); },
               [procedure, probe](ActivityContext&, double) {
                   if (!probe->moved) procedure->Stop(probe->failure != 0 ? probe->failure : uint8_t{kResultNoMovement});
                   return true;
               });

    p.AddPhase(
        8 * (kTrialHoldS + 2 * kTrialStepS),
        [s](const ActivityContext&, double) { return Drive::Servo(s->stage == 1 ? kTrialHigh : kTrialLow); },
        [procedure, s, probe](ActivityContext& ctx, double) {
            if (!s->search) {
                const ServoParameters base = BaseSet(ctx.servo, *probe);
                s->windowS = StepWindowS(*probe);
                s->search = std::make_unique<TuneSearch>(
                    base, kFactoryGain * kReferenceGain / std::max(probe->gain, 0.05), s->windowS);
                s->current = s->search->Candidate();
                procedure->SetServoOverride(s->current);
            }
            s->stageS += kStepS;
            s->elapsedS += kStepS;
            // Out of time: no more trials; the best set so far still has to rest on its hold.
            const bool late = s->elapsedS >= kSearchBudgetS;
            if (s->stage == 0) {
                if (s->stageS >= kTrialHoldS) s->stage = 1, s->stageS = 0.0, s->record.clear();
                return false;
            }
            if (s->record.empty() || s->stageS - s->record.back().t >= kTuneRecordS)
                s->record.push_back({s->stageS, ctx.model.Position()});
            if (s->stageS < (s->verifying ? VerifyS(s->windowS) : s->windowS)) return false;
            if (s->verifying) {
                // The long hold: the set is kept only if it still rests at its end.
                s->verifying = false;
                s->stage = 0, s->stageS = 0.0;
                const bool hunts = Hunts(s->record, kTrialHigh, VerifyS(s->windowS)) ||
                                   SlipsLate(s->record, s->current, s->windowS);
                s->record.clear();
                if (!hunts) return s->verified = true;
                for (Trial& t : s->trials)
                    if (t.servo == s->current) t.hunts = true, t.score += 1000.0;
                Trial rejected;
                rejected.servo = s->current;
                if (late) return true;  // out of time: no set is kept
                if (s->search->Rejected(rejected)) return Try(*s, ctx, *procedure, s->search->Candidate());
                return VerifyNext(*s, ctx, *procedure);
            }
            if (s->stage == 1) {
                s->up = MeasureStep(s->record, kTrialLow, kTrialHigh, SettleBand(s->current));
                s->upHunts = Hunts(s->record, kTrialHigh, s->windowS);
                s->stage = 2, s->stageS = 0.0, s->record.clear();
                return false;
            }
            const StepFigures down = MeasureStep(s->record, kTrialHigh, kTrialLow, SettleBand(s->current));
            Trial trial;
            trial.servo = s->current;
            trial.overshoot = std::max(s->up.overshootPct, down.overshootPct);
            trial.lowest = std::min(s->up.overshootPct, down.overshootPct);
            trial.settleS = (s->up.settleS < 0 || down.settleS < 0) ? -1.0 : std::max(s->up.settleS, down.settleS);
            trial.hunts = s->upHunts || Hunts(s->record, kTrialLow, s->windowS);
            trial.score = Score(trial, s->windowS);
            s->trials.push_back(trial);
            s->stage = 0, s->stageS = 0.0, s->record.clear();
            if (!s->search->Learn(trial) || late) return VerifyNext(*s, ctx, *procedure);
            return Try(*s, ctx, *procedure, s->search->Candidate());
        });

    p.SetConclusion([procedure, s, probe, stopsBefore](ActivityContext& ctx) -> uint8_t {
        procedure->ClearServoOverride();
        ctx.tb.SetFloat("MEAS_GAIN", static_cast<float>(probe->gain));
        ctx.tb.SetFloat("VALVE_TC", static_cast<float>(probe->delayS));
        // Only a set that settled without hunting is kept; without one the block keeps the
        // set it had.
        const Trial* best = s->verified ? TuneSearch::Best(s->trials) : nullptr;
        if (!best) return kResultHunting;
        SetStaticFloat(ctx.tb, "SERVO_GAIN", static_cast<float>(best->servo.gain));
        SetStaticFloat(ctx.tb, "SERVO_RATE", static_cast<float>(best->servo.rate));
        SetStaticFloat(ctx.tb, "SERVO_OFFSET", static_cast<float>(best->servo.offset));
        SetStaticFloat(ctx.tb, "SERVO_DEADBAND", static_cast<float>(best->servo.deadband));
        SetStaticFloat(ctx.tb, "SERVO_I_SLEEP_LMT", static_cast<float>(best->servo.integralSleep));
        for (size_t k = 0; k < 2; ++k)
            SetStaticFloat(ctx.tb, "BOOST_ON_THRESHOLD", static_cast<float>(best->servo.boostOn[k]), 4 * k);
        if (best->settleS < 0 || best->settleS > 3.0) return kResultSlowResponse;
        if (best->overshoot < 5.0 || best->overshoot > 15.0) return kResultTuningLimited;
        if (stopsBefore && stopsBefore->outcome != kResultSuccess) return stopsBefore->outcome;
        return kResultSuccess;
    });
}

}  // namespace simulator::valve
