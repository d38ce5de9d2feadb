// The live-list poll thread: keeps the display list current and tells the view.
#include "fieldbus/FieldbusLink.h"
#include "fieldbus/FieldbusMessages.h"
#include "fieldbus/StatusLog.h"
#include "platform/Ui.h"

using platform::ShowMessage;

namespace fieldbus {

int FieldbusLink::StartLivePoll(platform::WindowHandle notifyWindow) {
    if (!linkOpen_.load()) return 1;
    StopLivePoll();
    notify_ = notifyWindow;
    std::lock_guard<std::mutex> guard(pollThreadLock_);
    if (pollThread_.joinable()) return 0;
    if (pollLink_) nifClose(pollLink_);
    pollLink_ = 0;
    int status = nifOpenLink(session_, 0, interface_.interfaceName, 0, &pollLink_);
    if (status != E_OK) {
        pollLink_ = 0;
        Log(status);
        ShowMessage("Error: Failed to get the device list poll desc.");
        return 1;
    }
    stopFlag_ = false;
    stopEvent_.Reset();
    threadEnded_ = false;
    pollThread_ = std::thread([this] { PollThread(); });
    return 0;
}

void FieldbusLink::StopLivePoll() {
    stopFlag_ = true;
    stopEvent_.Set();
    // Closing the poll descriptor releases a device-list call the thread may be waiting in.
    if (pollLink_) nifClose(pollLink_);
    std::lock_guard<std::mutex> guard(pollThreadLock_);
    if (pollThread_.joinable()) pollThread_.join();
    pollLink_ = 0;
    threadEnded_ = true;
}

void FieldbusLink::PollThread() {
    std::vector<nifLiveListEntry> raw(kMaxLiveRecords);
    bool paused = false;
    while (!stopFlag_.load()) {
        while (pauseFlag_.load() && !stopFlag_.load()) {
            stopEvent_.Wait(pollPeriodMs_.load());
            paused = true;
        }
        if (stopFlag_.load()) break;
        linkHealthy_ = true;
        uint16_t count = kMaxLiveRecords;
        uint32_t total = 0;
        int status = nifGetDeviceList(pollLink_, raw.data(), &count, &total);
        if (status != E_OK) {
            linkHealthy_ = false;
            if (stopFlag_.load()) break;
            Log(status, true);
            if (status == E_SERVER_CONNECTION_LOST) break;
        } else {
            std::vector<LiveListEntry> live;
            for (uint16_t i = 0; i < count; ++i) live.push_back(ConvertLiveListRecord(raw[i]));
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
        stopEvent_.Wait(pollPeriodMs_.load());
    }
    threadEnded_ = true;
}

}  // namespace fieldbus
