#pragma once
// The process clock. Every time-out goes through it so tests can run them on a fake clock.
#include <cstdint>

namespace platform {

class Event;

class Clock {
public:
    virtual ~Clock() = default;
    virtual uint64_t NowMs() = 0;           // milliseconds since an arbitrary start
    virtual void SleepMs(uint32_t ms) = 0;  // waits (a fake clock just advances)
    // Waits until `event` is signalled, at most `ms`: true when it was signalled. A worker's
    // pause that a stop request must cut short.
    virtual bool WaitFor(Event& event, uint32_t ms);
};

Clock& GetClock();
void SetClock(Clock* clock);  // nullptr restores the system clock

class SystemClock : public Clock {
public:
    uint64_t NowMs() override;
    void SleepMs(uint32_t ms) override;
};

}  // namespace platform
