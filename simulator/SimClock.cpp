#include "simulator/SimClock.h"

namespace simulator {

using std::chrono::steady_clock;

SimClock::SimClock(double speed, bool manual)
    : manual_(manual), speed_(speed > 0 ? speed : 1.0), baseReal_(steady_clock::now()) {}

uint64_t SimClock::NowMs() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (manual_) return manualNow_;
    double realMs = std::chrono::duration<double, std::milli>(steady_clock::now() - baseReal_).count();
    return baseSim_ + static_cast<uint64_t>(realMs * speed_);
}

double SimClock::Speed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return speed_;
}

void SimClock::SetSpeed(double speed) {
    if (speed <= 0) return;
    uint64_t now = NowMs();
    std::lock_guard<std::mutex> lock(mutex_);
    baseSim_ = now;
    baseReal_ = steady_clock::now();
    speed_ = speed;
}

void SimClock::Advance(uint64_t ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (manual_) manualNow_ += ms;
}

steady_clock::time_point SimClock::RealDeadline(uint64_t simMs) const {
    std::lock_guard<std::mutex> lock(mutex_);
    double realMs = manual_ ? 0.0 : static_cast<double>(simMs) / speed_;
    return steady_clock::now() + std::chrono::microseconds(static_cast<int64_t>(realMs * 1000.0));
}

}  // namespace simulator
