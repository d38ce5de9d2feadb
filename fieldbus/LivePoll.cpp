// The live-list poll thread: keeps the display list current and tells the view. The thread
// never shows a window and never closes a device: it marks what changed and posts to the
// window, which does the rest on the user-interface thread.
#include <chrono>

#include "fieldbus/BoundedClose.h"
#include "fieldbus/DeviceMessages.h"
#include "fieldbus/FieldbusLink.h"
#include "fieldbus/FieldbusMessages.h"
#include "fieldbus/StatusLog.h"
#include "platform/Ui.h"


namespace fieldbus {

namespace {
// How long a stop waits for the poll thread before leaving it behind.
constexpr uint32_t kPollStopLimitMs = 1000;
}  // namespace

// One started poll thread: its own descriptor and stop request, so a thread left behind in a
// call to a hung server never acts on a later start's behalf.
struct FieldbusLink::PollRun {
    nifDesc_t link = 0;
    platform::Event stop;
    platform::Event done;
};

int FieldbusLink::StartLivePoll(platform::WindowHandle notifyWindow) {
    if (!linkOpen_.load()) return 1;
    StopLivePoll();
    notify_ = notifyWindow;
    std::lock_guard<std::mutex> guard(pollThreadLock_);
    if (pollThread_.joinable()) return 0;
    auto run = std::make_shared<PollRun>();
    int status = nifOpenLink(session_, 0, interface_.interfaceName, 0, &run->link);
    if (status != E_OK) {
        Log(status);
        ShowNotice("Error: Failed to get the device list poll desc.");
        return 1;
    }
    pollRun_ = run;
    threadEnded_ = false;
    pollThread_ = std::thread([this, run] { PollThread(run); });
    return 0;
}

void FieldbusLink::ReapAbandonedPolls() {
    for (auto it = abandonedPolls_.begin(); it != abandonedPolls_.end();) {
        if (it->run->done.IsSet()) {
            it->thread.join();
            it = abandonedPolls_.erase(it);
        } else {
            ++it;
        }
    }
}

void FieldbusLink::StopLivePoll() {
    std::lock_guard<std::mutex> guard(pollThreadLock_);
    ReapAbandonedPolls();
    // A close still waiting for the server says it stopped answering: the poll is not waited for.
    const uint32_t limit = PendingCloses() > 0 ? 0 : kPollStopLimitMs;
    if (pollRun_) {
        pollRun_->stop.Set();
        // Closing the poll descriptor releases a device-list call the thread may be waiting in.
        CloseDescriptors({pollRun_->link});
    }
    if (pollThread_.joinable()) {
        if (pollRun_ == nullptr || pollRun_->done.Wait(limit))
            pollThread_.join();
        else
            abandonedPolls_.push_back({std::move(pollThread_), pollRun_});
    }
    pollRun_.reset();
    threadEnded_ = true;
}

bool FieldbusLink::HasAbandonedWork() {
    {
        std::lock_guard<std::mutex> guard(pollThreadLock_);
        ReapAbandonedPolls();
        if (!abandonedPolls_.empty()) return true;
    }
    return PendingCloses() > 0;
}

void FieldbusLink::PollThread(std::shared_ptr<PollRun> run) {
    std::vector<nifLiveListEntry> raw(kMaxLiveRecords);
    bool paused = false;
    while (!run->stop.IsSet()) {
        while (pauseFlag_.load() && !run->stop.IsSet()) {
            run->stop.Wait(pollPeriodMs_.load());
            paused = true;
        }
        if (run->stop.IsSet()) break;
        linkHealthy_ = true;
        uint16_t count = kMaxLiveRecords;
        uint32_t total = 0;
        int status = nifGetDeviceList(run->link, raw.data(), &count, &total);
        // A thread stopped while it waited (or left behind) does not touch the lists.
        if (run->stop.IsSet()) break;
        if (status != E_OK) {
            linkHealthy_ = false;
            Log(status, true);
            if (status == E_SERVER_CONNECTION_LOST) break;  // the log rule told the window
            // A server that stopped answering is as lost as one that went away.
            if (status == E_SERVER_NOT_RESPONDING) {
                platform::PostMessage(notify_.load(), WM_SERVER_CONNECTION_LOST, 0, static_cast<intptr_t>(status));
                break;
            }
        } else {
            std::vector<LiveListEntry> live;
            for (uint16_t i = 0; i < count && i < raw.size(); ++i) live.push_back(ConvertLiveListRecord(raw[i]));
            {
                std::lock_guard<std::recursive_mutex> lock(listLock_);
                if (liveCount_ != count) liveCount_ = count;
            }
            MergeAfterPoll(live);
            platform::PostMessage(notify_.load(), WM_LIVELIST_CHANGED);
        }
        if (paused) {
            paused = false;
            continue;
        }
        run->stop.Wait(pollPeriodMs_.load());
    }
    // Only the thread of the latest start says that no poll runs.
    if (!run->stop.IsSet()) threadEnded_ = true;
    run->done.Set();
}

}  // namespace fieldbus
