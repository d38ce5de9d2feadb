#pragma once
// A fake process clock whose sleeps move a manual-clock segment on: a test's or tool's waits
// are the time that passes on the segment. A worker thread's pause also lets the user-interface
// thread deliver what was posted (at most 2 s), as a real pause would.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "nifb/Backend.h"
#include "platform/WindowMessages.h"

namespace simulator::testing {

// The hook for FakeClock::OnSleep: `session` is read at each sleep (it may be opened later),
// `startMs` is the clock's time now; the thread that calls this is the user-interface thread.
inline std::function<void(uint64_t)> AdvanceSegmentOnSleep(const nifDesc_t& session, uint64_t startMs) {
    return [&session, last = startMs, main = std::this_thread::get_id()](uint64_t now) mutable {
        std::string answer;
        nifb::SendControl(session, R"({"command":"advance","ms":)" + std::to_string(now - last) + "}", answer);
        last = now;
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::this_thread::get_id() != main && platform::MessageDispatcher::Instance().PendingCount() > 0 &&
               std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    };
}

}  // namespace simulator::testing
