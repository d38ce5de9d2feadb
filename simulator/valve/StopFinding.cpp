// Stop finding: the valve is vented and then given full air; where it comes to rest (or
// where the user confirms, with manual stop finding) become the 0 % and 100 % points of the
// travel sensor's calibration.
#include <algorithm>
#include <cmath>

#include "simulator/Block.h"
#include "simulator/valve/ProcedurePhases.h"

namespace simulator::valve {

namespace {

// The wait for the valve to come to rest at a stop: at least this long, and once the stem
// has stopped, the pressure gets this many times the stroke's duration to settle (a slow
// actuator fills slowly near the supply too); never longer than the absolute limit.
constexpr double kStopTimeoutS = 30.0;
constexpr double kRestPerStroke = 2.0;
constexpr double kStopLimitS = 240.0;
// A stroke slower than this gives the slow-response warning.
constexpr double kSlowStrokeS = 15.0;

struct StopScratch {
    double angle = 0.0;  // the sensor angle, averaged over about 0.1 s
    bool averaging = false;
    double ventAngle = 0.0, airAngle = 0.0;
    double ventPressure = 0.0, airPressure = 0.0;
    double strokeS = 0.0;     // when the stem last moved on full air
    double ventMovedS = 0.0;  // when it last moved while venting
    bool airRested = false;   // the full-air pressure came to rest
};

// Whether a stop phase may end at `t` without rest: the stem stopped at `movedS`.
bool StopTimedOut(double t, double movedS) {
    return t >= std::min(kStopLimitS, std::max(kStopTimeoutS, movedS * (1.0 + kRestPerStroke)));
}

void Track(StopScratch& s, const ValveModel& model) {
    const double follow = 1.0 - std::exp(-kStepS / 0.1);
    if (!s.averaging) s.angle = model.Angle(), s.averaging = true;
    s.angle += (model.Angle() - s.angle) * follow;
}

}  // namespace

std::shared_ptr<StopFindingOutcome> AddStopFinding(DeviceProcedure& p, uint8_t command,
                                                   std::shared_ptr<ProcedureMemory> memory) {
    auto out = std::make_shared<StopFindingOutcome>();
    auto s = std::make_shared<StopScratch>();
    const bool manual = command == kExecManualStops;
    DeviceProcedure* procedure = &p;

    // Vent: the spring drives the valve to its fail position.
    p.AddPhase(
        manual ? 8.0 : 4.0, [](const ActivityContext&, double) { return Drive::Vent(); },
        [procedure, s, manual](ActivityContext& ctx, double t) {
            Track(*s, ctx.model);
            if (ctx.model.Moving()) s->ventMovedS = t;
            const bool done = manual ? procedure->TakeConfirmation()
                                     : (t >= 1.5 && procedure->Rest().RestedFor(1.0)) || StopTimedOut(t, s->ventMovedS);
            if (done) {
                s->ventAngle = s->angle;
                s->ventPressure = ctx.model.PressureKpa();
            }
            return done;
        },
        manual);

    // Full air: the actuator drives the valve to the other stop.
    p.AddPhase(
        manual ? 8.0 : 4.0, [](const ActivityContext&, double) { return Drive::FullAir(); },
        [procedure, s, manual](ActivityContext& ctx, double t) {
            Track(*s, ctx.model);
            if (ctx.model.Moving()) s->strokeS = t;
            const bool rested = t >= 1.5 && procedure->Rest().RestedFor(1.0);
            const bool done = manual ? procedure->TakeConfirmation() : rested || StopTimedOut(t, s->strokeS);
            if (done) {
                s->airRested = rested;
                s->airAngle = s->angle;
                s->airPressure = ctx.model.PressureKpa();
            }
            return done;
        },
        manual);

    // The new calibration.
    p.AddPhase(
        0.0, [](const ActivityContext& ctx, double) { return Drive::Servo(ctx.model.Position()); },
        [procedure, s, out, command, memory](ActivityContext& ctx, double) {
            const ValveSettings& v = ctx.model.Settings();
            const double factor = PressureUnitFactor(ctx.tb);
            const double springHigh = ctx.tb.GetFloat("SPRING_RANGE", 0) / factor;
            const double supply = ctx.tb.GetFloat("SUPPLY_PRESSURE") / factor;
            // The full-air pressure tells about the supply only when it was measured at rest
            // (a user confirms the stop as soon as the valve is there).
            const bool judgePressure = ctx.pressureSensor && command != kExecManualStops;
            uint8_t code = kResultSuccess;
            if (std::fabs(s->airAngle - s->ventAngle) < 0.1 * std::fabs(v.angleOpenDeg - v.angleClosedDeg)) {
                code = kResultNoMovement;
            } else if (judgePressure && s->airPressure < springHigh) {
                code = kResultSupplyTooLow;  // full air cannot be trusted to reach the stop
            } else {
                const bool airToClose = ctx.env.airToClose;
                const double closed = airToClose ? s->airAngle : s->ventAngle;
                double open = airToClose ? s->ventAngle : s->airAngle;
                if (command == kExecStopsAfterAdjust) {
                    const double adjust = std::clamp<double>(ctx.tb.GetFloat("OPEN_STOP_ADJ"), 60.0, 100.0);
                    open = closed + (open - closed) * adjust / 100.0;
                }
                ctx.model.SetCalibration({closed, (closed + open) / 2.0, open});
                ctx.tb.SetFloat("THETA_LO", static_cast<float>(closed));
                ctx.tb.SetFloat("THETA_HI", static_cast<float>(open));
                SetStaticFloat(ctx.tb, "OPEN_STOP_ADJ", 100.0f);
                // The supply is judged from a pressure at rest only; one still climbing
                // when the wait ended belongs to a slow actuator.
                if (judgePressure && s->airRested && s->airPressure < 0.9 * supply) code = kResultSupplyLow;
                else if (s->strokeS > kSlowStrokeS || (judgePressure && !s->airRested)) code = kResultSlowResponse;
            }
            out->outcome = code;
            out->strokeS = s->strokeS;
            if (code < kResultNoMovement && s->strokeS > 0 && memory) memory->strokeS = s->strokeS;
            if (code >= kResultNoMovement) procedure->Stop(code);
            return true;
        });
    return out;
}

}  // namespace simulator::valve
