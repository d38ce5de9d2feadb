#include "simulator/valve/PhasedActivity.h"

#include <algorithm>
#include <cmath>

#include "simulator/valve/ValveFaults.h"

namespace simulator::valve {

namespace {
// Rest bands: position (%) and pressure (kPa).
constexpr double kRestPositionBand = 0.1;
constexpr double kRestPressureBand = 0.5;
constexpr double kRestSampleS = 0.01;
constexpr double kRestKeptS = 3.0;
// A hanging activity stops progressing once its progress reaches this.
constexpr uint8_t kHangProgress = 10;
}  // namespace

void RestWatch::Add(double t, double position, double pressure) {
    if (!samples_.empty() && t - samples_.back().t < kRestSampleS) return;
    samples_.push_back({t, position, pressure});
    while (!samples_.empty() && t - samples_.front().t > kRestKeptS) samples_.pop_front();
}

bool RestWatch::RestedFor(double seconds) const {
    if (samples_.empty() || samples_.back().t - samples_.front().t < seconds) return false;
    double lowPos = samples_.back().position, highPos = lowPos;
    double lowP = samples_.back().pressure, highP = lowP;
    for (auto it = samples_.rbegin(); it != samples_.rend() && samples_.back().t - it->t <= seconds; ++it) {
        lowPos = std::min(lowPos, it->position);
        highPos = std::max(highPos, it->position);
        lowP = std::min(lowP, it->pressure);
        highP = std::max(highP, it->pressure);
    }
    return highPos - lowPos < kRestPositionBand && highP - lowP < kRestPressureBand;
}

void PhasedActivity::AddPhase(double expectedS, DriveFn drive, StepFn step, bool waits) {
    phases_.push_back({expectedS, std::move(drive), std::move(step), waits});
}

bool PhasedActivity::TakeConfirmation() {
    const bool was = confirmed_;
    confirmed_ = false;
    return was;
}

Drive PhasedActivity::CurrentDrive(const ActivityContext& ctx) const {
    if (finished_ || hung_ || phase_ >= phases_.size()) return Drive::Servo(holdPosition_);
    return phases_[phase_].drive(ctx, phaseS_);
}

void PhasedActivity::AfterStep(ActivityContext& ctx) {
    if (finished_) return;
    if (!begun_) {
        begun_ = true;
        holdPosition_ = ctx.model.Position();
        if (const uint8_t refused = CheckStart(ctx); refused != 0) {
            Finish(ctx, refused);
            return;
        }
    }
    if (hung_) return;
    if (Hangs(ctx.faults) && progress_ >= kHangProgress) {
        hung_ = true;
        holdPosition_ = ctx.model.Position();
        return;
    }
    if (phase_ >= phases_.size()) {
        Finish(ctx, conclude_ ? conclude_(ctx) : successCode_);
        return;
    }
    phaseS_ += kStepS;
    rest_.Add(phaseS_, ctx.model.Position(), ctx.model.PressureKpa());
    const Phase& phase = phases_[phase_];
    const bool done = phase.step(ctx, phaseS_);
    if (stopCode_ != 0) {
        Finish(ctx, stopCode_);
        return;
    }
    if (done) {
        doneS_ += phase.expectedS;
        ++phase_;
        phaseS_ = 0.0;
        rest_.Clear();
        if (phase_ >= phases_.size()) {
            Finish(ctx, conclude_ ? conclude_(ctx) : successCode_);
            return;
        }
    }
    double total = 0.0;
    for (const Phase& p : phases_) total += p.expectedS;
    const double within = std::min(phaseS_, 0.95 * phases_[phase_].expectedS);
    const double progress = total > 0 ? (doneS_ + within) / total : 0.0;
    progress_ = std::max<uint8_t>(progress_, static_cast<uint8_t>(std::clamp(progress * 100.0, 0.0, 99.0)));
}

bool PhasedActivity::NeedsStepping() const {
    if (finished_ || hung_) return false;
    if (confirmed_ || !begun_ || phase_ >= phases_.size()) return true;
    return !(phases_[phase_].waits && rest_.RestedFor(1.0));
}

bool PhasedActivity::Confirm() {
    if (finished_) return false;
    for (const Phase& p : phases_)
        if (p.waits) {
            confirmed_ = true;
            return true;
        }
    return false;
}

void PhasedActivity::Finish(ActivityContext& ctx, uint8_t code) {
    progress_ = 100;
    finished_ = true;
    endCode_ = OnFinish(ctx, code);
}

void PhasedActivity::Abort(ActivityContext& ctx, uint8_t code) {
    if (!finished_) Finish(ctx, code);
}

void PhasedActivity::Cancel(ActivityContext& ctx) {
    progress_ = 0;
    finished_ = true;
    OnCancel(ctx);
}

}  // namespace simulator::valve
