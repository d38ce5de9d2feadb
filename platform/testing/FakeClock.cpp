#include "platform/testing/FakeClock.h"

#include "platform/Event.h"

namespace platform::testing {

FakeClock::FakeClock() { SetClock(this); }
FakeClock::~FakeClock() { SetClock(nullptr); }

void FakeClock::SleepMs(uint32_t ms) {
    std::lock_guard<std::recursive_mutex> lock(sleepLock_);
    now_ += ms;
    if (hook_) hook_(now_.load());
}

bool FakeClock::WaitFor(Event& event, uint32_t ms) {
    if (event.IsSet()) return true;
    SleepMs(ms);
    return event.IsSet();
}

}  // namespace platform::testing
