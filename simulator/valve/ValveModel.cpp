#include "simulator/valve/ValveModel.h"

#include <algorithm>
#include <cmath>

namespace simulator::valve {

namespace {

double Span(const ValveSettings& s) { return s.springHighKpa - s.springLowKpa; }

// Share of the relay's full flow available at pressure p: filling slows as the actuator
// nears the supply, venting as it nears the atmosphere.
double FillShare(double p, double supply) { return supply > 0 ? std::sqrt(std::max(0.0, supply - p) / supply) : 0.0; }
double VentShare(double p, double supply) { return supply > 0 ? std::sqrt(std::max(0.0, p) / supply) : 0.0; }

}  // namespace

ValveModel::ValveModel(const ValveSettings& settings) : settings_(settings) {
    // The relay's rate from the stroke time: filling from the spring's low end (plus the
    // friction) to its high end with the relay fully open takes strokeTimeS.
    const double s = settings_.supplyKpa;
    const double from = settings_.springLowKpa + settings_.frictionKpa;
    const double to = std::min(settings_.springHighKpa + settings_.frictionKpa, s);
    const double open = std::max(settings_.relayBandPct, 0.1);
    const double shares = std::sqrt(std::max(0.0, s - from) / s) - std::sqrt(std::max(0.0, s - to) / s);
    relayRate_ = 2.0 * s * std::max(shares, 1e-3) / (open * std::max(settings_.strokeTimeS, 0.05));

    // The factory calibration: where it puts 0, 50 and 100 %.
    calibration_.zeroDeg = AngleOfTravel(settings_.calibratedZeroPct);
    calibration_.spanDeg = AngleOfTravel(settings_.calibratedSpanPct);
    calibration_.midDeg = (calibration_.zeroDeg + calibration_.spanDeg) / 2.0;
    noiseState_ ^= static_cast<uint64_t>(std::fabs(settings_.angleOpenDeg * 1000.0 + settings_.springLowKpa));
}

double ValveModel::NextNoise() {
    noiseState_ ^= noiseState_ >> 12;
    noiseState_ ^= noiseState_ << 25;
    noiseState_ ^= noiseState_ >> 27;
    const uint64_t x = noiseState_ * 0x2545F4914F6CDD1Dull;
    return static_cast<double>(x >> 11) / 4503599627370496.0 - 1.0;
}

double ValveModel::AngleOfTravel(double travel) const {
    return settings_.angleClosedDeg + (settings_.angleOpenDeg - settings_.angleClosedDeg) * travel / 100.0;
}

double ValveModel::CleanAngle() const { return AngleOfTravel(travel_); }

double ValveModel::SpringPressure(double travel, bool airToClose) const {
    const double compression = airToClose ? 100.0 - travel : travel;
    return settings_.springLowKpa + Span(settings_) * compression / 100.0;
}

double ValveModel::PositionOfTravel(double travel, double openStopAdj) const {
    const Calibration& c = calibration_;
    const double full = c.spanDeg - c.zeroDeg;
    if (std::fabs(full) < 1e-9) return 0.0;
    const double f = (AngleOfTravel(travel) - c.zeroDeg) / full;
    const double mid = std::clamp((c.midDeg - c.zeroDeg) / full, 0.05, 0.95);
    const double calibrated = f <= mid ? 50.0 * f / mid : 50.0 + 50.0 * (f - mid) / (1.0 - mid);
    return calibrated * 100.0 / std::clamp(openStopAdj, 1.0, 100.0);
}

double ValveModel::TravelOfPosition(double position, double openStopAdj) const {
    const Calibration& c = calibration_;
    const double full = c.spanDeg - c.zeroDeg;
    const double mid = std::clamp((c.midDeg - c.zeroDeg) / full, 0.05, 0.95);
    const double calibrated = position * std::clamp(openStopAdj, 1.0, 100.0) / 100.0;
    const double f = calibrated <= 50.0 ? calibrated / 50.0 * mid : mid + (calibrated - 50.0) / 50.0 * (1.0 - mid);
    const double angle = c.zeroDeg + f * full;
    return (angle - settings_.angleClosedDeg) / (settings_.angleOpenDeg - settings_.angleClosedDeg) * 100.0;
}

void ValveModel::RestartServo(const ServoParameters& servo) {
    servo_.Reset(delayed_.empty() ? position_ : delayed_.front(), servo.offset, servo);
}

void ValveModel::ResumeServo() { servo_.Resume(delayed_.empty() ? position_ : delayed_.front()); }

double ValveModel::Controller(const Drive& drive, const ServoParameters& servo, const Environment& env) {
    switch (drive.kind) {
        case Drive::Kind::Output: return std::clamp(drive.value, 0.0, 100.0);
        case Drive::Kind::Pressure:
            return std::clamp(servo.offset + servo.internalGain * (drive.value - pressure_), 0.0, 100.0);
        case Drive::Kind::Servo:
        default: {
            const double measured = delayed_.empty() ? position_ : delayed_.front();
            return servo_.Sample(drive.value, measured, kServoSampleS, servo, env.airToClose ? -1.0 : 1.0);
        }
    }
}

void ValveModel::MoveStem(const Environment& env) {
    moving_ = false;
    if (env.stuck) {
        sticking_ = true;
        return;
    }
    const double span = Span(settings_);
    const double staticFriction = settings_.frictionKpa + settings_.stickSlipKpa;
    double compression = env.airToClose ? 100.0 - travel_ : travel_;
    const double force = pressure_ - (settings_.springLowKpa + span * compression / 100.0);
    if (sticking_) {
        if (force > staticFriction && compression < 100.0) {
            direction_ = 1;
            sticking_ = false;
        } else if (force < -staticFriction && compression > 0.0) {
            direction_ = -1;
            sticking_ = false;
        }
    }
    if (sticking_) return;
    // Moving: the stem follows the balance of pressure, spring and sliding friction.
    const double balance = (pressure_ - direction_ * settings_.frictionKpa - settings_.springLowKpa) / span * 100.0;
    if ((balance - compression) * direction_ <= 0.0) {
        sticking_ = true;
        return;
    }
    const double follow = 1.0 - std::exp(-kStepS * 1000.0 / std::max(settings_.lagMs, 1.0));
    compression += (balance - compression) * follow;
    if (compression >= 100.0 || compression <= 0.0) {
        compression = std::clamp(compression, 0.0, 100.0);
        sticking_ = true;  // resting on a stop
    }
    moving_ = true;
    travel_ = env.airToClose ? 100.0 - compression : compression;
}

void ValveModel::Sense(const Environment& env) {
    const double full = settings_.angleOpenDeg - settings_.angleClosedDeg;
    angle_ = AngleOfTravel(travel_) + settings_.noisePct / 100.0 * full * NextNoise();
    const double travelSeen = (angle_ - settings_.angleClosedDeg) / full * 100.0;
    position_ = PositionOfTravel(travelSeen, env.openStopAdj);
    const size_t length = static_cast<size_t>(std::lround(settings_.deadTimeMs / 1000.0 / kStepS)) + 1;
    delayed_.push_back(position_);
    while (delayed_.size() > length) delayed_.pop_front();
}

void ValveModel::Step(const Drive& drive, const ServoParameters& servo, const Environment& env) {
    if (drive.kind != lastDrive_.kind && drive.kind == Drive::Kind::Servo) ResumeServo();
    lastDrive_ = drive;
    sampleClock_ -= kStepS;
    if (sampleClock_ <= 1e-9) {
        output_ = Controller(drive, servo, env);
        sampleClock_ += kServoSampleS;
    }
    // The relay: flow into the actuator above its null point, out of it below.
    const double supply = std::max(env.supplyKpa, 0.0);
    spool_ += (output_ - spool_) * (1.0 - std::exp(-kStepS * 1000.0 / std::max(settings_.relayLagMs, 1.0)));
    const double band = std::max(settings_.relayBandPct, 0.1);
    const double away = std::clamp(spool_ - settings_.relayNullPct, -band, band);
    const double share = away >= 0 ? FillShare(pressure_, supply) : VentShare(pressure_, supply);
    pressure_ = std::clamp(pressure_ + relayRate_ * away * share * kStepS, 0.0, std::max(supply, 0.0));
    MoveStem(env);
    Sense(env);
}

void ValveModel::Settle(const Drive& drive, const ServoParameters& servo, const Environment& env) {
    const double supply = std::max(env.supplyKpa, 0.0);
    const double span = Span(settings_);
    const double friction = settings_.frictionKpa;
    const auto compressionOf = [&](double travel) { return env.airToClose ? 100.0 - travel : travel; };
    const auto travelOf = [&](double compression) { return env.airToClose ? 100.0 - compression : compression; };
    const double before = compressionOf(travel_);
    // Where the pressure would rest, and which compression the drive asks for (NaN: the
    // pressure decides).
    double wanted = std::nan("");
    double output = output_;
    switch (drive.kind) {
        case Drive::Kind::Output:
            output = std::clamp(drive.value, 0.0, 100.0);
            if (output > settings_.relayNullPct) pressure_ = supply;
            if (output < settings_.relayNullPct) pressure_ = 0.0;
            break;
        case Drive::Kind::Pressure: {
            output = settings_.relayNullPct;
            const double droop = servo.internalGain > 0 ? (settings_.relayNullPct - servo.offset) / servo.internalGain : 0;
            pressure_ = std::clamp(drive.value - droop, 0.0, supply);
            break;
        }
        case Drive::Kind::Servo: {
            // With integral action the error vanishes; without it the output rests at the
            // relay's null with the error that takes.
            double error = 0.0;
            const double kp = servo.gain / kServoGainScale;
            const double sign = env.airToClose ? -1.0 : 1.0;
            if (servo.reset <= 0.0 && kp > 0) error = (settings_.relayNullPct - servo.offset) / (sign * kp);
            wanted = compressionOf(TravelOfPosition(drive.value - error, env.openStopAdj));
            output = settings_.relayNullPct;
            break;
        }
    }
    double compression = before;
    if (env.stuck) {
        if (!std::isnan(wanted)) pressure_ = wanted > before ? supply : (wanted < before ? 0.0 : pressure_);
    } else if (!std::isnan(wanted)) {
        const int dir = wanted > before ? 1 : (wanted < before ? -1 : direction_);
        if (wanted >= 100.0) {
            compression = 100.0;
            pressure_ = supply;
        } else if (wanted <= 0.0) {
            compression = 0.0;
            pressure_ = 0.0;
        } else {
            compression = wanted;
            pressure_ = settings_.springLowKpa + span * wanted / 100.0 + dir * friction;
        }
        if (pressure_ > supply) {  // the supply cannot push the stem that far
            pressure_ = supply;
            compression = std::clamp((supply - friction - settings_.springLowKpa) / span * 100.0, 0.0, 100.0);
        }
        pressure_ = std::clamp(pressure_, 0.0, supply);
        if (dir != 0) direction_ = dir;
    } else {
        // The pressure decides: the stem moves only past the friction band.
        const double low = (pressure_ - friction - settings_.springLowKpa) / span * 100.0;
        const double high = (pressure_ + friction - settings_.springLowKpa) / span * 100.0;
        if (before < low) compression = low, direction_ = 1;
        if (before > high) compression = high, direction_ = -1;
        compression = std::clamp(compression, 0.0, 100.0);
    }
    travel_ = travelOf(compression);
    output_ = output;
    spool_ = output;
    sticking_ = true;
    moving_ = false;
    delayed_.clear();
    Sense(env);
    const size_t length = static_cast<size_t>(std::lround(settings_.deadTimeMs / 1000.0 / kStepS)) + 1;
    delayed_.assign(length, position_);
    lastDrive_ = drive;
    if (drive.kind == Drive::Kind::Servo) servo_.Reset(position_, output_, servo);
}

}  // namespace simulator::valve
