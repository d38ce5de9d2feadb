#include "platform/testing/FakeClock.h"

namespace platform::testing {

FakeClock::FakeClock() { SetClock(this); }
FakeClock::~FakeClock() { SetClock(nullptr); }

void FakeClock::SleepMs(uint32_t ms) {
    now_ += ms;
    if (hook_) hook_(now_.load());
}

}  // namespace platform::testing
