// Self check: the valve is vented, then stroked open and closed again on slow pressure
// ramps while pressure and position are recorded; straight lines through the rising and the
// falling stroke give the spring range and the hysteresis. A creep from rest at mid stroke
// shows how far the stem slips when it breaks away, and an output probe its gain and delay.
#include <algorithm>
#include <cmath>
#include <vector>

#include "simulator/Block.h"
#include "simulator/valve/ProcedurePhases.h"

namespace simulator::valve {

namespace {

constexpr double kSlowRampKpaS = 4.0;   // while the stem moves
constexpr double kFastRampKpaS = 20.0;  // against a stop
constexpr double kCheckRecordS = 0.01;
constexpr double kFitLow = 10.0, kFitHigh = 90.0;
// The vent waits for rest at least this long and, while the stem still moves, on: a slow
// actuator takes long to empty, and a ramp started before the stem rests records a stroke
// still running down. Never longer than the absolute limit.
constexpr double kCheckRestTimeoutS = 30.0;
constexpr double kCheckRestLimitS = 240.0;
constexpr double kRampTimeoutS = 120.0;
// The slip test: the stem comes to rest at mid stroke and sticks there, then the pressure
// creeps up until it breaks away; what it jumps beyond the creep is its slip.
constexpr double kCreepKpaS = 1.0;
constexpr double kJumpWindowS = 0.15;
constexpr double kBreakawayPct = 0.05;
constexpr double kSlipTimeoutS = 20.0;
constexpr double kStickS = 1.0;
constexpr double kStickDropKpa = 1.0;

struct Point {
    double position, pressure;
};

struct CheckScratch {
    double target = 0.0;
    double lastRecord = -1.0;
    double exhaust = 0.0;
    double ventMovedS = 0.0;  // when the stem last moved while venting
    double supply = 0.0;
    std::vector<Point> rising, falling;
    int slipStage = 0;     // 0 to rest at mid stroke, 1 let it stick, 2 creep until it breaks away
    double slipStart = 0.0;
    double breakawayS = -1.0;
    double slip = 0.0;
};

// pressure = gain * position + offset, by least squares.
bool FitLine(const std::vector<Point>& points, double& gain, double& offset) {
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const Point& p : points) {
        if (p.position < kFitLow || p.position > kFitHigh) continue;
        n += 1;
        sx += p.position;
        sy += p.pressure;
        sxx += p.position * p.position;
        sxy += p.position * p.pressure;
    }
    const double det = n * sxx - sx * sx;
    if (n < 10 || std::fabs(det) < 1e-9) return false;
    gain = (n * sxy - sx * sy) / det;
    offset = (sy - gain * sx) / n;
    return true;
}

bool Moving(double position) { return position > 0.5 && position < 99.5; }


}  // namespace

void AddSelfCheck(DeviceProcedure& p) {
    auto s = std::make_shared<CheckScratch>();
    DeviceProcedure* procedure = &p;

    // Vent to rest: the exhaust pressure.
    p.AddPhase(4.0, [](const ActivityContext&, double) { return Drive::Vent(); },
               [procedure, s](ActivityContext& ctx, double t) {
                   if (!ctx.pressureSensor) {
                       procedure->Stop(kResultNoPressureSensor);
                       return true;
                   }
                   if (ctx.model.Moving()) s->ventMovedS = t;
                   const double limit = std::min(kCheckRestLimitS, std::max(kCheckRestTimeoutS, 3.0 * s->ventMovedS));
                   if (!(t >= 1.5 && procedure->Rest().RestedFor(1.0)) && t < limit) return false;
                   s->exhaust = ctx.model.PressureKpa();
                   s->target = s->exhaust;
                   return true;
               });

    // Open on a rising pressure ramp until the pressure rests at the supply.
    p.AddPhase(
        25.0, [s](const ActivityContext&, double) { return Drive::Pressure(s->target); },
        [procedure, s](ActivityContext& ctx, double t) {
            const double position = ctx.model.Position();
            s->target += (Moving(position) ? kSlowRampKpaS : kFastRampKpaS) * kStepS;
            if (t - s->lastRecord >= kCheckRecordS) {
                s->lastRecord = t;
                s->rising.push_back({position, ctx.model.PressureKpa()});
            }
            const bool saturated = s->target > ctx.model.PressureKpa() + 5.0 && procedure->Rest().RestedFor(1.0);
            if (!saturated && t < kRampTimeoutS) return false;
            s->supply = ctx.model.PressureKpa();
            s->target = s->supply;
            s->lastRecord = -1.0;
            return true;
        });

    // Close on a falling ramp down to the atmosphere.
    p.AddPhase(
        25.0, [s](const ActivityContext&, double) { return Drive::Pressure(s->target); },
        [procedure, s](ActivityContext& ctx, double t) {
            const double position = ctx.model.Position();
            s->target -= (Moving(position) ? kSlowRampKpaS : kFastRampKpaS) * kStepS;
            if (t - s->lastRecord >= kCheckRecordS) {
                s->lastRecord = t;
                s->falling.push_back({position, ctx.model.PressureKpa()});
            }
            return (s->target < -5.0 && procedure->Rest().RestedFor(1.0)) || t >= kRampTimeoutS;
        });

    p.AddPhase(
        8.0, [s](const ActivityContext&, double) { return Drive::Pressure(s->target); },
        [procedure, s](ActivityContext& ctx, double t) {
            double gain = 0, offset = 0;
            if (!FitLine(s->rising, gain, offset) || gain == 0.0) return true;  // judged at the end
            const double position = ctx.model.Position();
            if (s->slipStage == 0) {
                // To mid stroke and to rest there.
                s->target = gain * 50.0 + offset;
                if (!(t >= 1.5 && procedure->Rest().RestedFor(1.0)) && t < kSlipTimeoutS) return false;
                s->slipStage = 1;
                s->slipStart = t;
                return false;
            }
            if (s->slipStage == 1) {
                // A little less pressure: the stem stops and sticks where it is.
                if (t - s->slipStart < kStickS) {
                    s->target -= kStickDropKpa * kStepS / kStickS;
                    return false;
                }
                s->slipStage = 2;
                s->slipStart = position;
                s->breakawayS = -1.0;
                return false;
            }
            s->target += kCreepKpaS * kStepS;
            if (s->breakawayS < 0 && std::fabs(position - s->slipStart) > kBreakawayPct) s->breakawayS = t;
            if (s->breakawayS >= 0 && t - s->breakawayS >= kJumpWindowS) {
                const double creep = kCreepKpaS * kJumpWindowS / std::fabs(gain);
                s->slip = std::max(0.0, std::fabs(position - s->slipStart) - kBreakawayPct - creep);
                return true;
            }
            return t >= 2 * kSlipTimeoutS;
        });

    auto probe = AddOutputProbe(p, nullptr);

    p.SetConclusion([s, probe](ActivityContext& ctx) -> uint8_t {
        double gu = 0, ou = 0, gd = 0, od = 0;
        if (!FitLine(s->rising, gu, ou) || !FitLine(s->falling, gd, od)) return kResultNoMovement;
        const double at0 = (ou + od) / 2.0;
        const double at100 = (gu * 100.0 + ou + gd * 100.0 + od) / 2.0;
        const double hysteresis = (gu * 50.0 + ou) - (gd * 50.0 + od);
        const double factor = PressureUnitFactor(ctx.tb);
        ctx.tb.SetFloat("MEAS_PRESS_AIR", static_cast<float>(s->exhaust * factor));
        ctx.tb.SetFloat("MEAS_PRESS_SUPPLY", static_cast<float>(s->supply * factor));
        ctx.tb.SetFloat("MEAS_SPRING_RANGE", static_cast<float>(std::max(at0, at100) * factor), 0);
        ctx.tb.SetFloat("MEAS_SPRING_RANGE", static_cast<float>(std::min(at0, at100) * factor), 4);
        ctx.tb.SetFloat("VALVE_HYS", static_cast<float>(std::fabs(hysteresis) * factor));
        ctx.tb.SetFloat("VALVE_SLIP_WIDTH", static_cast<float>(s->slip));
        // Gain and delay only from a probe that moved the stem; the strokes' figures stand
        // either way.
        if (probe->moved) {
            ctx.tb.SetFloat("MEAS_GAIN", static_cast<float>(probe->gain));
            ctx.tb.SetFloat("VALVE_TC", static_cast<float>(probe->delayS));
        }
        const double configuredSupply = ctx.tb.GetFloat("SUPPLY_PRESSURE") / factor;
        if (s->supply < 0.9 * configuredSupply) return kResultSupplyLow;
        // A probe that ran out of time names itself; one that found the stem held names why.
        if (!probe->moved)
            return probe->failure == kResultStrokeTooSlow || probe->failure == 0 ? uint8_t{kResultProbeFailed}
                                                                                 : probe->failure;
        if (std::fabs(hysteresis) > 0.2 * std::fabs(at100 - at0)) return kResultHighFriction;
        return kResultSuccess;
    });
}

}  // namespace simulator::valve
