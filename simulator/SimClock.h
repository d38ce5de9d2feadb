#pragma once
// The simulation clock. In real-time mode simulated time runs at `speed` times the wall
// clock; in manual mode it moves only when advanced (tests), which makes every run
// deterministic. Waits of simulated time are converted to wall-clock waits here.
#include <chrono>
#include <cstdint>
#include <mutex>

namespace simulator {

class SimClock {
public:
    explicit SimClock(double speed = 1.0, bool manual = false);

    uint64_t NowMs() const;
    bool IsManual() const { return manual_; }
    double Speed() const;
    void SetSpeed(double speed);  // keeps the current simulated time
    void Advance(uint64_t ms);    // manual mode only

    // The wall-clock deadline at which `simMs` of simulated time will have passed.
    std::chrono::steady_clock::time_point RealDeadline(uint64_t simMs) const;

private:
    mutable std::mutex mutex_;
    bool manual_;
    double speed_;
    uint64_t baseSim_ = 0;
    std::chrono::steady_clock::time_point baseReal_;
    uint64_t manualNow_ = 0;
};

}  // namespace simulator
