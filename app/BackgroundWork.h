#pragma once
// Bus work the window waits for without freezing: the work runs on a helper thread while the
// user-interface thread keeps serving its events. The caller keeps the window from starting
// other device work meanwhile (the view's busy flag).
#include <chrono>
#include <future>
#include <utility>

#include "platform/OffUiThread.h"
#include "platform/Ui.h"

namespace app {

template <typename F>
auto RunWhilePumping(F work) -> decltype(work()) {
    auto done = std::async(std::launch::async, std::move(work));
    while (done.wait_for(std::chrono::milliseconds(platform::kServeEventsEveryMs)) != std::future_status::ready)
        platform::GetUi().PumpMessages();
    return done.get();
}

}  // namespace app
