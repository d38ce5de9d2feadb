#pragma once
// Bus work the user-interface thread waits for without freezing: the work runs on a thread of
// its own while the calling thread keeps serving its window events every few milliseconds.
// Where no window is served (Ui::ServesEventsHere false: a command-line front end, a scripted
// test, a worker thread) the work runs in place. The work must not call into windows; it
// returns what the caller shows afterwards. The wait ends when the work does: every bus call
// in it has its own limit.
#include <cstdint>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

#include "platform/Event.h"
#include "platform/Ui.h"

namespace platform {

// How often the waiting thread serves its events: well inside one frame.
inline constexpr uint32_t kServeEventsEveryMs = 5;

template <typename F>
auto RunServingEvents(F work) -> decltype(work()) {
    using Result = decltype(work());
    Ui& ui = GetUi();
    if (!ui.ServesEventsHere()) return work();
    Event done;
    if constexpr (std::is_void_v<Result>) {
        std::thread worker([&work, &done] {
            work();
            done.Set();
        });
        while (!done.Wait(kServeEventsEveryMs)) ui.PumpMessages();
        worker.join();
    } else {
        std::optional<Result> result;
        std::thread worker([&work, &done, &result] {
            result.emplace(work());
            done.Set();
        });
        while (!done.Wait(kServeEventsEveryMs)) ui.PumpMessages();
        worker.join();
        return std::move(*result);
    }
}

}  // namespace platform
