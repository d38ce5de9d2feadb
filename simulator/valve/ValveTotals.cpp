#include "simulator/valve/ValveTotals.h"

#include <cmath>
#include <cstring>

#include "simulator/Block.h"

namespace simulator::valve {

namespace {
// Positions at or below this count as closed.
constexpr double kClosedPct = 0.5;
}  // namespace

void ValveTotals::AddWhole(Block& tb, const char* name, double& carried, double amount) {
    carried += amount;
    if (carried < 1.0) return;
    DeviceObject* o = tb.Obj(name);
    const double whole = std::floor(carried);
    carried -= whole;
    if (!o) return;
    const double total = static_cast<double>(GetU32BE(o->value, 0)) + whole;
    PutU32BE(o->value, 0, static_cast<uint32_t>(std::min(total, 4294967295.0)));
}

void ValveTotals::Update(Block& tb, double travel, double position, double servoOutput, double seconds,
                         bool suppressWarnings) {
    if (!started_) {
        started_ = true;
        anchor_ = extreme_ = travel;
    }
    const double moved = travel - anchor_;
    if (std::fabs(moved) >= kTravelDeadbandPct) {
        AddWhole(tb, "TOTAL_TRAVEL", strokes_, std::fabs(moved) / 100.0);
        anchor_ = travel;
        const int now = moved > 0 ? 1 : -1;
        if (direction_ == 0) {
            direction_ = now;
            extreme_ = travel;
        }
        if (now == direction_) {
            extreme_ = travel;
        } else if (std::fabs(extreme_ - travel) >= kCycleReversalPct || std::fabs(moved) >= kCycleReversalPct) {
            if (direction_ < 0) {  // closing turned into opening: one full cycle
                DeviceObject* o = tb.Obj("TOTAL_CYCLE_COUNT");
                if (o) PutU32BE(o->value, 0, GetU32BE(o->value, 0) + 1);
            }
            direction_ = now;
            extreme_ = travel;
        }
    }

    const double hours = seconds / 3600.0;
    const double nearClose = tb.GetFloat("NEAR_CLOSE_THRESHOLD");
    if (position <= kClosedPct)
        AddWhole(tb, "TOTAL_CLOSE_TIME", closeHours_, hours);
    else if (position <= nearClose)
        AddWhole(tb, "TOTAL_NEAR_CLOSE_TIM", nearCloseHours_, hours);
    else
        AddWhole(tb, "TOTAL_OPEN_TIME", openHours_, hours);

    // Servo warnings (devices with the extended servo parameters only).
    DeviceObject* count = tb.Obj("SERVO_WARN_COUNT");
    if (!count) return;
    const bool outside = !suppressWarnings && (servoOutput > tb.GetFloat("SERVO_WARN_HI_LIM") ||
                                               servoOutput < tb.GetFloat("SERVO_WARN_LO_LIM"));
    if (!outside) {
        outsideS_ = 0.0;
        warned_ = false;
        return;
    }
    outsideS_ += seconds;
    if (!warned_ && outsideS_ >= std::max(0.0, static_cast<double>(tb.GetFloat("SERVO_TIME_TH")))) {
        warned_ = true;
        PutU32BE(count->value, 0, GetU32BE(count->value, 0) + 1);
    }
}

}  // namespace simulator::valve
