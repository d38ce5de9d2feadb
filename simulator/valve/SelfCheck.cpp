// Self check: the valve is vented, then stroked open and closed again on slow pressure
// ramps. The ramps stop on stairs through the middle of the stroke until pressure and stem
// rest, so the points are free of the stem's lag behind a moving pressure; straight lines
// through the rising and the falling stairs give the spring range and the hysteresis. A
// creep from rest at mid stroke shows how far the stem slips when it breaks away, and an
// output probe its gain and delay.
#include <algorithm>
#include <cmath>
#include <deque>
#include <vector>

#include "simulator/Block.h"
#include "simulator/valve/ProcedurePhases.h"

namespace simulator::valve {

namespace {

constexpr double kSlowRampKpaS = 4.0;   // while the stem moves
constexpr double kFastRampKpaS = 20.0;  // against a stop
constexpr double kFitLow = 10.0, kFitHigh = 90.0;
constexpr size_t kMinFitPoints = 5;
// The vent waits for rest at least this long and, while the stem still moves, on: a slow
// actuator takes long to empty, and a ramp started before the stem rests records a stroke
// still running down. Never longer than the absolute limit.
constexpr double kCheckRestTimeoutS = 30.0;
constexpr double kCheckRestLimitS = 240.0;
constexpr double kRampTimeoutS = 240.0;
// Stairs: every kStairPct of travel within the fitted region the ramp holds until the
// position and the pressure stayed within their bands for kStairRestS (at most kStairLimitS).
constexpr double kStairPct = 6.0;
constexpr double kStairRestS = 0.3;
constexpr double kStairPositionBand = 0.04;
constexpr double kStairPressureBand = 0.05;
constexpr double kStairLimitS = 10.0;

struct StairPoint {
    double position, pressure;
};

struct StairSample {
    double t, position, pressure;
};

// One stroke on a ramp with stairs: the rest points in the fitted region.
struct StairStroke {
    std::vector<StairPoint> points;
    bool holding = false;
    bool stairs = false;      // a stair was taken (`last` holds its position)
    double last = 0.0;
    double holdS = 0.0;
    double extreme = 0.0;     // the highest (rising) or lowest (falling) pressure of the hold
    std::deque<StairSample> recent;
};

struct CheckScratch {
    double target = 0.0;
    double exhaust = 0.0;
    double ventMovedS = 0.0;  // when the stem last moved while venting
    double supply = 0.0;
    StairStroke rising, falling;
};

// pressure = gain * position + offset, by least squares.
bool FitLine(const std::vector<StairPoint>& points, double& gain, double& offset) {
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const StairPoint& p : points) {
        n += 1;
        sx += p.position;
        sy += p.pressure;
        sxx += p.position * p.position;
        sxy += p.position * p.pressure;
    }
    const double det = n * sxx - sx * sx;
    if (points.size() < kMinFitPoints || std::fabs(det) < 1e-9) return false;
    gain = (n * sxy - sx * sy) / det;
    offset = (sy - gain * sx) / n;
    return true;
}

bool Moving(double position) { return position > 0.5 && position < 99.5; }

// One step of a stroke: the target ramps by `sign` (slowly while the stem moves); on a
// stair it is held until stem and pressure rest, and the rest becomes a point.
void Ramp(StairStroke& k, double sign, double& target, const ValveModel& model, double t) {
    const double position = model.Position(), pressure = model.PressureKpa();
    if (k.holding) {
        k.extreme = sign > 0 ? std::max(k.extreme, pressure) : std::min(k.extreme, pressure);
        k.recent.push_back({t, position, pressure});
        while (t - k.recent.front().t > kStairRestS) k.recent.pop_front();
        if (t - k.holdS < kStairRestS) return;
        double lowX = 1e9, highX = -1e9, lowP = 1e9, highP = -1e9, sumX = 0;
        for (const StairSample& r : k.recent) {
            lowX = std::min(lowX, r.position), highX = std::max(highX, r.position), sumX += r.position;
            lowP = std::min(lowP, r.pressure), highP = std::max(highP, r.pressure);
        }
        const bool rested = highX - lowX < kStairPositionBand && highP - lowP < kStairPressureBand;
        if (!rested && t - k.holdS < kStairLimitS) return;
        // The stem stands where the pressure's extreme of the hold put it: the pressure
        // loop, stopping the ramp, overshoots a little and settles back within the friction.
        const double n = static_cast<double>(k.recent.size());
        k.points.push_back({sumX / n, k.extreme});
        k.holding = false;
        k.stairs = true;
        k.last = sumX / n;
        k.recent.clear();
        return;
    }
    target += sign * (Moving(position) ? kSlowRampKpaS : kFastRampKpaS) * kStepS;
    const bool inFit = position >= kFitLow && position <= kFitHigh;
    if (inFit && (!k.stairs || std::fabs(position - k.last) >= kStairPct)) {
        // The pressure reached, not the target that may have run ahead of it.
        target = pressure;
        k.extreme = pressure;
        k.holding = true;
        k.holdS = t;
    }
}

}  // namespace

void AddSelfCheck(DeviceProcedure& p, std::shared_ptr<ProcedureMemory> memory) {
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
            Ramp(s->rising, 1.0, s->target, ctx.model, t);
            const bool saturated = !s->rising.holding && s->target > ctx.model.PressureKpa() + 5.0 && procedure->Rest().RestedFor(1.0);
            if (!saturated && t < kRampTimeoutS) return false;
            s->supply = ctx.model.PressureKpa();
            s->target = s->supply;
            return true;
        });

    // Close on a falling ramp down to the atmosphere.
    p.AddPhase(
        25.0, [s](const ActivityContext&, double) { return Drive::Pressure(s->target); },
        [procedure, s](ActivityContext& ctx, double t) {
            Ramp(s->falling, -1.0, s->target, ctx.model, t);
            return (s->target < -5.0 && procedure->Rest().RestedFor(1.0)) || t >= kRampTimeoutS;
        });

    // The slip, aimed with the rising stroke's line.
    auto line = std::make_shared<SpringLine>();
    p.AddPhase(0.0, [s](const ActivityContext&, double) { return Drive::Pressure(s->target); },
               [s, line](ActivityContext&, double) {
                   line->valid = FitLine(s->rising.points, line->kpaPerPct, line->offsetKpa);
                   return true;
               });
    auto slip = AddSlipTest(p, line);

    auto probe = AddOutputProbe(p, memory, false);  // the slip test above measured the slip

    p.SetConclusion([s, probe, slip, memory](ActivityContext& ctx) -> uint8_t {
        double gu = 0, ou = 0, gd = 0, od = 0;
        if (!FitLine(s->rising.points, gu, ou) || !FitLine(s->falling.points, gd, od)) return kResultNoMovement;
        const double at0 = (ou + od) / 2.0;
        const double at100 = (gu * 100.0 + ou + gd * 100.0 + od) / 2.0;
        const double hysteresis = (gu * 50.0 + ou) - (gd * 50.0 + od);
        const double factor = PressureUnitFactor(ctx.tb);
        ctx.tb.SetFloat("MEAS_PRESS_AIR", static_cast<float>(s->exhaust * factor));
        ctx.tb.SetFloat("MEAS_PRESS_SUPPLY", static_cast<float>(s->supply * factor));
        ctx.tb.SetFloat("MEAS_SPRING_RANGE", static_cast<float>(std::max(at0, at100) * factor), 0);
        ctx.tb.SetFloat("MEAS_SPRING_RANGE", static_cast<float>(std::min(at0, at100) * factor), 4);
        ctx.tb.SetFloat("VALVE_HYS", static_cast<float>(std::fabs(hysteresis) * factor));
        ctx.tb.SetFloat("VALVE_SLIP_WIDTH", static_cast<float>(slip->slipPct));
        if (slip->measured) memory->slipPct = slip->slipPct;
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
