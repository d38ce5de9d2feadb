#include "simulator/valve/ServoLoop.h"

#include <algorithm>
#include <cmath>

namespace simulator::valve {

namespace {
// The integral's share of the output is bounded so that it unwinds quickly after the valve
// was held (stuck, or against a stop).
constexpr double kIntegralLimit = 25.0;
// The integral works only near the set point, so that large moves do not wind it up.
constexpr double kIntegralZone = 5.0;
}  // namespace

ServoParameters FactoryServoParameters() { return ServoParameters{}; }

void ServoLoop::Reset(double measured, double output, const ServoParameters& p) {
    lastMeasured_ = measured;
    derivative_ = 0.0;
    output_ = std::clamp(output, 0.0, 100.0);
    // With no error the output is the offset plus the integral; without integral action
    // there is nothing to hold it.
    integral_ = p.reset > 0.0 ? std::clamp(output_ - p.offset, -kIntegralLimit, kIntegralLimit) : 0.0;
    boosting_ = {false, false};
}

void ServoLoop::Resume(double measured) {
    lastMeasured_ = measured;
    derivative_ = 0.0;
    boosting_ = {false, false};
}

double ServoLoop::Sample(double setpoint, double measured, double dt, const ServoParameters& p, double direction) {
    double error = setpoint - measured;
    if (std::fabs(error) < p.deadband) error = 0.0;
    const double kp = std::max(p.gain, 0.0) / kServoGainScale;
    const double largeErrorShare = std::min(std::fabs(error), 10.0) / 10.0;
    const double proportional = kp * error * (1.0 + std::max(p.pAlpha, 0.0) / 100.0 * largeErrorShare);

    // Derivative of the measurement (no kick on set point changes), first-order filtered.
    const double slope = dt > 0 ? (measured - lastMeasured_) / dt : 0.0;
    lastMeasured_ = measured;
    const double filterTime = p.rateGain > 0 ? std::max(p.rate, 0.0) / p.rateGain : 0.0;
    derivative_ += (slope - derivative_) * (dt / (filterTime + dt));
    const double derivative = -kp * std::max(p.rate, 0.0) * derivative_;

    double boost = 0.0;
    for (size_t k = 0; k < 2; ++k) {
        if (p.boostOn[k] <= 0.0) {
            boosting_[k] = false;
            continue;
        }
        if (std::fabs(error) > p.boostOn[k]) boosting_[k] = true;
        if (std::fabs(error) < p.boostOff[k]) boosting_[k] = false;
        if (boosting_[k]) boost += std::copysign(std::max(p.boostValue[k], 0.0), error);
    }

    // The integral is kept in output terms, so flipping the actuator keeps it.
    const double sign = direction < 0 ? -1.0 : 1.0;
    const double unlimited = p.offset + sign * (proportional + derivative + boost) + integral_;
    const bool pushingHigh = unlimited >= 100.0 && sign * error > 0;
    const bool pushingLow = unlimited <= 0.0 && sign * error < 0;
    if (p.reset > 0.0 && std::fabs(error) > p.integralSleep && std::fabs(error) < kIntegralZone && !pushingHigh &&
        !pushingLow)
        integral_ += sign * kp * error * dt / p.reset;
    if (p.reset <= 0.0) integral_ = 0.0;
    integral_ = std::clamp(integral_, -kIntegralLimit, kIntegralLimit);
    output_ = std::clamp(p.offset + sign * (proportional + derivative + boost) + integral_, 0.0, 100.0);
    return output_;
}

}  // namespace simulator::valve
