#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Event.h"

namespace platform {
namespace {
SystemClock g_system;
std::atomic<Clock*> g_clock{nullptr};
}  // namespace

uint64_t SystemClock::NowMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SystemClock::SleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool Clock::WaitFor(Event& event, uint32_t ms) { return event.Wait(ms); }

Clock& GetClock() {
    Clock* c = g_clock.load();
    return c ? *c : g_system;
}

void SetClock(Clock* clock) { g_clock.store(clock); }

}  // namespace platform
