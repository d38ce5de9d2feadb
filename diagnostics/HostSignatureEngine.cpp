#include "diagnostics/HostSignatureEngine.h"

#include <algorithm>
#include <cmath>

namespace diagnostics {

namespace {

constexpr uint16_t kStandardPoints = 18;
constexpr uint16_t kExtendedPoints = 100;
constexpr float kSettledBand = 0.05f;  // % around the mean of the last ten positions
constexpr uint32_t kRingFull = 10;
constexpr float kRingEmpty = -100.0f;

}  // namespace

std::array<uint8_t, 7> LocalFieldbusDate(std::time_t when) {
    std::tm t{};
    localtime_r(&when, &t);
    const unsigned ms = static_cast<unsigned>(t.tm_sec) * 1000u;
    std::array<uint8_t, 7> d{};
    d[0] = static_cast<uint8_t>(ms >> 8);
    d[1] = static_cast<uint8_t>(ms & 0xFF);
    d[2] = static_cast<uint8_t>(t.tm_min & 0x3F);
    d[3] = static_cast<uint8_t>(t.tm_hour & 0x1F);
    d[4] = static_cast<uint8_t>((t.tm_mday & 0x1F) | ((t.tm_wday + 1) << 5));
    d[5] = static_cast<uint8_t>((t.tm_mon + 1) & 0x3F);
    d[6] = static_cast<uint8_t>(t.tm_year % 100);
    return d;
}

bool HostSignatureEngine::Start(uint8_t kindBit, float temperature, const float settings[8], float eu0, float eu100,
                                std::time_t localStart) {
    *this = HostSignatureEngine{};
    kindBit_ = kindBit;
    eu0_ = std::min(eu0, eu100);
    eu100_ = std::max(eu0, eu100);
    header_[0] = temperature;
    for (int i = 0; i < 8; ++i) header_[static_cast<size_t>(i + 1)] = settings[i];
    date_ = LocalFieldbusDate(localStart);
    float scanS = 0.0f;
    if (kindBit == 1) {
        n_ = kStandardPoints;
        from_ = 0.0f;
        to_ = 100.0f;
        increment_ = 1.0f;
        scanS = settings[1];
    } else if (kindBit == 2) {
        n_ = kExtendedPoints;
        lower_ = settings[0];
        higher_ = settings[1];
        const float margin = settings[4];
        from_ = std::max(lower_ - margin, eu0_);
        to_ = std::min(higher_ + margin, eu100_);
        increment_ = (higher_ - lower_) * 0.01f;
        scanS = settings[3];
    } else {
        return false;
    }
    if (!std::isfinite(from_) || !std::isfinite(to_) || !(to_ > from_) || !std::isfinite(increment_) ||
        !(increment_ > 0.0f) || !std::isfinite(scanS) || !(scanS > 0.0f))
        return false;
    const double legs = static_cast<double>(to_ - from_) / increment_;
    if (legs > 1e6) return false;
    legSteps_ = static_cast<uint32_t>(legs);
    if (legSteps_ == 0) return false;
    intervalMs_ = static_cast<uint32_t>(static_cast<double>(scanS) * 1000.0 / (2.0 * legs));
    ResetRing();
    return true;
}

float HostSignatureEngine::Target(int i) const {
    const int half = n_ / 2;
    if (kindBit_ == 1) return i < half ? 10.0f + 10.0f * i : 90.0f - 10.0f * (i - half);
    const float r = (higher_ + 10.0f - lower_) * 0.02f;
    return i < half ? (lower_ - 5.0f) + r * i : (higher_ + 5.0f) - r * (i - half);
}

void HostSignatureEngine::ResetRing() {
    ring_.fill(kRingEmpty);
    pushes_ = 0;
}

void HostSignatureEngine::Push(float y) {
    ring_[pushes_ % kRingFull] = y;
    ++pushes_;
}

bool HostSignatureEngine::Settled() const {
    if (pushes_ < kRingFull) return false;
    float mean = 0.0f;
    for (float v : ring_) mean += v;
    mean /= static_cast<float>(kRingFull);
    for (float v : ring_)
        if (std::fabs(v - mean) > kSettledBand) return false;
    return true;
}

int HostSignatureEngine::NextSetPoint(uint64_t nowMs, const SetPointWriter& write) {
    float sp = 0.0f;
    if (up_) {
        sp = from_ + increment_ * static_cast<float>(counter_);
        if (sp > eu100_) {
            state_ = kTop;
            return 0;
        }
    } else {
        sp = to_ - increment_ * static_cast<float>(static_cast<int64_t>(counter_) - legSteps_);
        if (sp < eu0_) {
            state_ = kBottom;
            return 0;
        }
    }
    if (written_ && nowMs - lastWriteMs_ < intervalMs_) return 0;
    if (write(sp) != 0) return -1;
    written_ = true;
    lastWriteMs_ = nowMs;
    ++counter_;
    return 1;
}

void HostSignatureEngine::Record(float p, float y) {
    pressures_.push_back(p);
    positions_.push_back(y);
}

void HostSignatureEngine::Offer(float p, float y) {
    if (!holding_) {
        holding_ = true;
        heldP_ = p;
        heldY_ = y;
        return;
    }
    const int i = static_cast<int>(pressures_.size());
    if (up_ && i >= n_ / 2) return;
    const float t = Target(i);
    if ((state_ == kTop && up_) || (state_ == kBottom && !up_)) {
        // At the end of the stroke: once the valve rests, its resting sample stands for the
        // targets it could not reach.
        Push(y);
        if (Settled()) {
            Record(heldP_, heldY_);
            heldP_ = p;
            heldY_ = y;
        }
        return;
    }
    const bool advances = up_ ? y > heldY_ : y < heldY_;
    if (!advances) return;
    if (std::fabs(t - y) < std::fabs(t - heldY_)) {
        heldP_ = p;
        heldY_ = y;
        return;
    }
    // Passed the target: the held sample was the nearest.
    Record(heldP_, heldY_);
    heldP_ = p;
    heldY_ = y;
}

int HostSignatureEngine::Step(float pressure, float position, bool changed, uint64_t nowMs,
                              const SetPointWriter& write) {
    if (stop_ || pressures_.size() >= n_) return 0;
    switch (state_) {
    case kToStart: {
        const int r = NextSetPoint(nowMs, write);
        if (r < 0) return 1;
        if (r > 0) {
            ResetRing();
            state_ = kSettling;
        }
        break;
    }
    case kSettling:
        if (changed) Push(position);
        if (Settled()) state_ = kUp;
        break;
    case kUp: {
        if (changed) Offer(pressure, position);
        const int r = NextSetPoint(nowMs, write);
        if (r < 0) return 1;
        if (r > 0 && counter_ == legSteps_) {
            ResetRing();
            state_ = kTop;
        }
        break;
    }
    case kTop:
        if (changed) {
            Offer(pressure, position);
            Push(position);
        }
        if (Settled() && pressures_.size() >= static_cast<size_t>(n_ / 2)) {
            state_ = kDown;
            up_ = false;
            // The sample held from the way up belongs to the rising stroke: the falling
            // stroke's first point is chosen among samples taken on the way down.
            holding_ = false;
        }
        break;
    case kDown:
        if (changed) Offer(pressure, position);
        if (NextSetPoint(nowMs, write) < 0) return 1;
        break;
    case kBottom:
        if (changed) Offer(pressure, position);
        break;
    default: break;
    }
    return 0;
}

void HostSignatureEngine::Progress(uint32_t& result, float& percent, uint8_t& phase) const {
    percent = n_ > 0 ? static_cast<float>(pressures_.size()) / static_cast<float>(n_) * 100.0f : 0.0f;
    if (stop_) {
        result = kResultCancelled;
        phase = kPhaseIdle;
    } else if (n_ > 0 && pressures_.size() >= n_) {
        result = kResultSucceeded;
        percent = 100.0f;
        phase = kPhaseIdle;
    } else {
        result = kResultRunning;
        phase = kindBit_;
    }
}

}  // namespace diagnostics
