#include "simulator/valve/TuneSearch.h"

#include <algorithm>
#include <cmath>

namespace simulator::valve {

namespace {
constexpr int kGainTrials = 6;
constexpr int kRateTrials = 2;
constexpr int kCalmTrials = 7;
constexpr double kDeadbands[] = {0.5, 1.0, 1.5};
constexpr double kMaxOvershoot = 15.0;

double Limit(double gain) { return std::clamp(std::round(gain), 5.0, 1300.0); }

// Both steps overshoot by 6 to 11 % and settle within a fifth of the window.
bool Good(const Trial& t, double windowS) {
    return Acceptable(t) && t.lowest >= 6.0 && t.overshoot <= 11.0 && t.settleS <= 0.7 * windowS;
}
}  // namespace

bool Acceptable(const Trial& t) { return !t.hunts && t.settleS >= 0 && t.overshoot <= kMaxOvershoot; }

double Score(const Trial& t, double windowS) {
    // Overshoots outside 6 to 12 % weigh most, then the distance of their mean from 8.5 %,
    // then slow settling; a set that may not be kept comes after every one that may.
    const double outside = std::max(0.0, 6.0 - t.lowest) + std::max(0.0, t.overshoot - 12.0);
    const double mean = (t.overshoot + t.lowest) / 2.0;
    const double settle = t.settleS < 0 ? 100.0 : std::max(0.0, t.settleS - 0.6 * windowS) * 10.0 / windowS * 3.5;
    return (Acceptable(t) ? 0.0 : 1000.0) + 2.0 * outside + 0.5 * std::fabs(mean - 8.5) + settle;
}

TuneSearch::TuneSearch(const ServoParameters& base, double gain, double windowS) : base_(base), windowS_(windowS) {
    next_ = base_;
    next_.gain = Limit(gain);
}

const Trial* TuneSearch::Best(const std::vector<Trial>& trials) {
    const Trial* best = nullptr;
    for (const Trial& t : trials)
        if (Acceptable(t) && (!best || t.score < best->score)) best = &t;
    return best;
}

bool TuneSearch::Calm(const Trial& t) {
    // No boost: lower the gain while the response hunts or overshoots too much, raise it
    // while it is calm and slow, never up to a gain that hunted.
    const bool rough = t.hunts || t.overshoot > kMaxOvershoot;
    if (rough) huntingGain_ = huntingGain_ > 0 ? std::min(huntingGain_, t.servo.gain) : t.servo.gain;
    else calmGain_ = std::max(calmGain_, t.servo.gain);
    if (!rough && t.settleS >= 0 && (t.overshoot >= 3.0 || t.settleS <= 0.5 * windowS_)) return false;
    double gain = rough ? t.servo.gain / 1.7 : t.servo.gain * 1.4;
    if (calmGain_ > 0 && huntingGain_ > 0) gain = std::sqrt(calmGain_ * huntingGain_);
    if (std::fabs(Limit(gain) - t.servo.gain) < 1.0) return false;
    next_.gain = Limit(gain);
    return true;
}

bool TuneSearch::Rejected(const Trial& t) {
    // The set hunted on the long hold: a dead band at its gain, widening while it hunts.
    for (Trial& s : seen_)
        if (s.servo == t.servo) s.hunts = true;
    if (stage_ != 3) {
        stage_ = 3, deadband_ = 0;
    } else if (++deadband_ >= std::size(kDeadbands)) {
        return false;
    }
    // Boost kicks make a sticking stem jump further: off with the dead band.
    next_ = t.servo;
    next_.boostOn = {0.0, 0.0};
    next_.deadband = std::max(kDeadbands[deadband_], base_.deadband);
    return true;
}

bool TuneSearch::Learn(const Trial& t) {
    seen_.push_back(t);
    ++trials_;
    if (stage_ <= 1 && Good(t, windowS_)) return false;
    if (stage_ == 0) {
        if (bestScore_ < 0 || t.score < bestScore_) bestScore_ = t.score, bestGain_ = t.servo.gain;
        // A hunting response does not get better with more gain: the best set so far, or
        // straight to the calm sets.
        if (t.hunts && Best(seen_)) return false;
        if (!t.hunts && trials_ < kGainTrials) {
            const bool raise = t.overshoot > 6.0;
            if (raise) low_ = std::max(low_, t.servo.gain);
            else high_ = high_ > 0 ? std::min(high_, t.servo.gain) : t.servo.gain;
            double gain = raise ? t.servo.gain * 1.35 : t.servo.gain / 1.3;
            if (low_ > 0 && high_ > 0) gain = std::sqrt(low_ * high_);
            if (std::fabs(Limit(gain) - t.servo.gain) >= 1.0) {
                next_.gain = Limit(gain);
                return true;
            }
        }
        stage_ = t.hunts ? 2 : 1, trials_ = 0;
        if (stage_ == 1) {
            next_.gain = bestGain_;
            next_.rate = 0.15;
            return true;
        }
    } else if (stage_ == 1) {
        if (trials_ < kRateTrials) {
            next_.rate = 0.3;
            return true;
        }
        if (Best(seen_)) return false;
        stage_ = 2, trials_ = 0;
    }
    if (stage_ == 2) {
        if (trials_ == 0) {
            // The first calm set: no boost, the derivative time the block had, half the gain
            // of the most hunting set seen.
            next_ = base_;
            next_.boostOn = {0.0, 0.0};
            double lowest = t.servo.gain;
            for (const Trial& s : seen_) lowest = std::min(lowest, s.servo.gain);
            next_.gain = Limit(lowest / 2.0);
            return true;
        }
        if (trials_ < kCalmTrials && Calm(t)) return true;
        if (Best(seen_)) return false;
        stage_ = 3, deadband_ = 0;
        next_.gain = calmGain_ > 0 ? calmGain_ : next_.gain;
        next_.deadband = std::max(kDeadbands[0], base_.deadband);
        return true;
    }
    // Dead band, widening while the stem still hunts.
    if (Acceptable(t) || ++deadband_ >= std::size(kDeadbands)) return false;
    next_.deadband = std::max(kDeadbands[deadband_], base_.deadband);
    return true;
}

}  // namespace simulator::valve
