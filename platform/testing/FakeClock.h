#pragma once
// A clock for tests: time only moves when someone sleeps or the test advances it.
#include <atomic>
#include <functional>
#include <mutex>

#include "platform/Clock.h"

namespace platform::testing {

class FakeClock : public Clock {
public:
    FakeClock();   // installs itself as the process clock
    ~FakeClock() override;  // restores the system clock
    uint64_t NowMs() override { return now_.load(); }
    // Several threads may sleep: each sleep moves the time and calls the hook in turn.
    void SleepMs(uint32_t ms) override;
    // The time passes whole (the event is looked at before and after).
    bool WaitFor(Event& event, uint32_t ms) override;
    void Advance(uint64_t ms) { now_ += ms; }
    // Called after every sleep with the new time (lets a test act "at 40 s").
    void OnSleep(std::function<void(uint64_t)> hook) { hook_ = std::move(hook); }

private:
    std::atomic<uint64_t> now_{1000000};
    std::function<void(uint64_t)> hook_;
    std::recursive_mutex sleepLock_;
};

}  // namespace platform::testing
