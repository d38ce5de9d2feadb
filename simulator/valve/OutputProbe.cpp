// The output probe: with the valve resting at 50 % the servo output held there is the
// relay's null. Then, in each direction, the output is stepped away from the null and the
// step raised until the stem breaks away from its friction; once it moves, the output goes
// back to a small step and the stem's speed on it gives the gain (the relay integrates, so
// the stem keeps moving on a small step once the pressure has crossed the friction band).
// For an auto tune it then measures the stem's slip (unless a self check did) and, for a stem
// that sticks, reads the null again on a held pressure.
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

constexpr double kProbeStep = 4.0;        // % servo output away from the null, to measure on
constexpr double kProbeMaxStep = 40.0;    // the largest step the breakaway ramp reaches
constexpr double kProbeRampPerS = 6.0;    // % output per second the step grows by
constexpr double kProbeBreakawayPct = 0.5;     // the stem moved: it broke away
constexpr double kProbeTravel = 6.0;      // % the stem travels while its speed is measured
constexpr double kProbeHoldS = 2.5;
constexpr double kProbeHoldMaxS = 10.0;
constexpr double kProbeRecordS = 0.01;
// Time limits per phase: this many stroke times of the last stop finding, within bounds;
// without one, the slowest stroke a positioner is made for.
constexpr double kProbeLimitPerStroke = 3.0;
constexpr double kProbeLimitMinS = 20.0;
constexpr double kProbeLimitMaxS = 120.0;
constexpr double kProbeUnknownStrokeS = 40.0;
// With the output at its largest step, pressure and stem resting this long: they stay put.
constexpr double kProbeSaturatedRestS = 2.0;

// The null on a held pressure: the output averaged over this long once the pressure stayed
// within the band as long again (at most kNullLimitS).
constexpr double kNullAverageS = 0.5;
constexpr double kNullPressureBand = 0.02;
constexpr double kNullLimitS = 5.0;
constexpr double kProbeStickySlipPct = 0.1;  // as the auto tune judges it

struct ProbeScratch {
    std::deque<double> outputs;  // servo outputs of the last second
    std::deque<double> pressures;
    double holdKpa = 0.0;
    bool holdPressure = false;
    double start = 0.0;
    std::vector<TimedValue> record;
    double rate[2] = {0.0, 0.0};
    double delay[2] = {0.0, 0.0};
    bool moved[2] = {false, false};
};

// Speed of the stem from a record of (t, position) while it moves on a constant step.
void FitSpeed(const std::vector<TimedValue>& record, double start, double& rate, bool& moved) {
    double n = 0, st = 0, sp = 0, stt = 0, stp = 0;
    for (const TimedValue& s : record) {
        if (std::fabs(s.value - start) < 1.0) continue;
        n += 1;
        st += s.t;
        sp += s.value;
        stt += s.t * s.t;
        stp += s.t * s.value;
    }
    const double det = n * stt - st * st;
    moved = n >= 5 && std::fabs(det) > 1e-12;
    if (!moved) return;
    rate = (n * stp - st * sp) / det;
    moved = std::fabs(rate) > 0.05;
}

double PhaseLimitS(const ProcedureMemory* memory) {
    const double stroke = memory && memory->strokeS > 0 ? memory->strokeS : kProbeUnknownStrokeS;
    return std::clamp(kProbeLimitPerStroke * stroke, kProbeLimitMinS, kProbeLimitMaxS);
}

// Why the stem did not break away with the actuator resting full (sign > 0) or empty.
uint8_t StuckCause(const ActivityContext& ctx, double sign) {
    const double supply = ctx.tb.GetFloat("SUPPLY_PRESSURE") / PressureUnitFactor(ctx.tb);
    if (sign > 0 && ctx.model.PressureKpa() < 0.9 * supply) return kResultSupplyTooLow;
    return kResultNoMovement;
}

}  // namespace

std::shared_ptr<ProbeResult> AddOutputProbe(DeviceProcedure& p, std::shared_ptr<const ProcedureMemory> memory,
                                            bool forTune) {
    auto out = std::make_shared<ProbeResult>();
    auto s = std::make_shared<ProbeScratch>();
    DeviceProcedure* procedure = &p;
    const auto hold = [](const ActivityContext&, double) { return Drive::Servo(50.0); };

    // Hold until the valve rests: the servo output's average over the last second then is
    // the relay's null.
    p.AddPhase(kProbeHoldS, hold, [procedure, s, out, memory](ActivityContext& ctx, double t) {
        s->outputs.push_back(ctx.model.ServoOutput());
        if (s->outputs.size() > static_cast<size_t>(1.0 / kStepS)) s->outputs.pop_front();
        const bool rested = t >= kProbeHoldS && std::fabs(ctx.model.Position() - 50.0) < 1.0 &&
                            procedure->Rest().RestedFor(1.0);
        if (t < std::max(kProbeHoldMaxS, PhaseLimitS(memory.get())) && !rested) return false;
        double sum = 0.0;
        for (double output : s->outputs) sum += output;
        // A valve that does not come to rest tells nothing: the configured offset then.
        out->nullOutput = rested ? sum / static_cast<double>(s->outputs.size()) : ctx.servo.offset;
        s->outputs.clear();
        out->heldNullOutput = out->nullOutput;
        return true;
    });
    for (int direction = 0; direction < 2; ++direction) {
        const double sign = direction == 0 ? 1.0 : -1.0;
        // Breakaway: the step grows until the stem moves.
        p.AddPhase(
            2.0,
            [out, sign](const ActivityContext&, double t) {
                if (out->failure != 0) return Drive::Servo(50.0);
                return Drive::Output(out->nullOutput + sign * std::min(kProbeMaxStep, kProbeStep + kProbeRampPerS * t));
            },
            [procedure, s, out, sign, direction, memory](ActivityContext& ctx, double t) {
                if (out->failure != 0) return true;
                if (t <= kStepS * 1.5) s->start = ctx.model.Position();
                if (std::fabs(ctx.model.Position() - s->start) >= kProbeBreakawayPct) {
                    s->delay[direction] = t;
                    return true;
                }
                const bool fullStep = kProbeStep + kProbeRampPerS * t >= kProbeMaxStep;
                if (fullStep && ctx.pressureSensor && procedure->Rest().RestedFor(kProbeSaturatedRestS)) {
                    out->failure = StuckCause(ctx, sign);
                    return true;
                }
                if (t < PhaseLimitS(memory.get())) return false;
                out->failure = kResultStrokeTooSlow;
                return true;
            });
        // Speed on the small step.
        p.AddPhase(
            1.0,
            [out, sign](const ActivityContext&, double) {
                if (out->failure != 0) return Drive::Servo(50.0);
                return Drive::Output(out->nullOutput + sign * kProbeStep);
            },
            [s, out, direction, memory](ActivityContext& ctx, double t) {
                if (out->failure != 0) return true;
                if (s->record.empty()) s->start = ctx.model.Position();
                if (s->record.empty() || t - s->record.back().t >= kProbeRecordS) s->record.push_back({t, ctx.model.Position()});
                if (std::fabs(ctx.model.Position() - s->start) < kProbeTravel && t < PhaseLimitS(memory.get()))
                    return false;
                FitSpeed(s->record, s->start, s->rate[direction], s->moved[direction]);
                s->record.clear();
                if (!s->moved[direction]) out->failure = kResultStrokeTooSlow;
                return true;
            });
        // Back to 50 % and to rest there.
        p.AddPhase(2.0, hold, [procedure, out, memory](ActivityContext&, double t) {
            if (out->failure != 0) return true;
            return (t >= 2.0 && procedure->Rest().RestedFor(0.5)) || t >= PhaseLimitS(memory.get());
        });
    }
    // For an auto tune, the slip its bands are set from and the null it rests on.
    if (forTune) {
        // Without a slip from an earlier self check, the probe measures it: the stem, resting at
        // mid stroke, is let stick and the pressure crept up until it breaks away; the jump
        // beyond what the pressure rise explains is the slip. The line through pressure and
        // position is the configured spring range's, through where the stem rests now.
        auto line = std::make_shared<SpringLine>();
        p.AddPhase(0.0, hold, [out, line, memory](ActivityContext& ctx, double) {
            if (out->failure != 0 || !ctx.pressureSensor || (memory && memory->slipPct >= 0.0))
                return true;
            const double factor = PressureUnitFactor(ctx.tb);
            const double span = (ctx.tb.GetFloat("SPRING_RANGE", 0) - ctx.tb.GetFloat("SPRING_RANGE", 4)) / factor;
            if (span <= 0.0) return true;
            line->kpaPerPct = (ctx.env.airToClose ? -1.0 : 1.0) * span / 100.0;
            line->offsetKpa = ctx.model.PressureKpa() - line->kpaPerPct * ctx.model.Position();
            line->valid = true;
            return true;
        });
        auto slip = AddSlipTest(p, line);
        // A stem that sticks rests while the position loop still creeps its output; the pressure
        // held where it is shows the null exactly: the output at which the pressure stays.
        p.AddPhase(0.0, hold, [s, out, slip, memory](ActivityContext& ctx, double) {
            const double own = slip->measured ? slip->slipPct : -1.0;
            const double known = memory && memory->slipPct >= 0.0 ? memory->slipPct : own;
            out->slipPct = known;
            s->holdPressure = out->failure == 0 && ctx.pressureSensor && known > kProbeStickySlipPct;
            s->holdKpa = ctx.model.PressureKpa();
            return true;
        });
        p.AddPhase(
            1.0,
            [s](const ActivityContext&, double) {
                return s->holdPressure ? Drive::Pressure(s->holdKpa) : Drive::Servo(50.0);
            },
            [s, out](ActivityContext& ctx, double t) {
                if (!s->holdPressure) return true;
                s->outputs.push_back(ctx.model.ServoOutput());
                s->pressures.push_back(ctx.model.PressureKpa());
                const size_t kept = static_cast<size_t>(kNullAverageS / kStepS);
                if (s->outputs.size() > kept) s->outputs.pop_front(), s->pressures.pop_front();
                const auto [low, high] = std::minmax_element(s->pressures.begin(), s->pressures.end());
                const bool still = t >= 2.0 * kNullAverageS && *high - *low < kNullPressureBand;
                if (!still && t < kNullLimitS) return false;
                if (still) {
                    double sum = 0.0;
                    for (double output : s->outputs) sum += output;
                    out->heldNullOutput = sum / static_cast<double>(s->outputs.size());
                }
                s->outputs.clear();
                s->pressures.clear();
                return true;
            });
    }
    // The figures.
    p.AddPhase(0.0, hold, [s, out](ActivityContext&, double) {
        out->moved = out->failure == 0 && s->moved[0] && s->moved[1];
        if (!out->moved) return true;
        out->gain = (std::fabs(s->rate[0]) + std::fabs(s->rate[1])) / 2.0 / kProbeStep;
        out->delayS = (s->delay[0] + s->delay[1]) / 2.0;
        return true;
    });
    return out;
}

}  // namespace simulator::valve
