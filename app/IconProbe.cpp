#include "app/IconProbe.h"

#include <algorithm>

#include "platform/Event.h"
#include "platform/OffUiThread.h"

namespace app {

namespace {
using SteadyClock = std::chrono::steady_clock;
// How long a stop waits for a probe that is inside a bus call.
constexpr auto kStopLimit = std::chrono::milliseconds(1000);
}  // namespace

void IconProbe::Start(platform::WindowHandle notify) {
    Stop();
    shared_ = std::make_shared<Shared>();
    shared_->notify = notify;
    shared_->link = link_.LinkDescriptor();
    worker_ = std::thread(&IconProbe::Run, shared_);
}

void IconProbe::Stop(bool serveEvents) {
    if (!worker_.joinable()) return;
    // A probe inside a bus call is waited for off the user-interface thread.
    const std::shared_ptr<Shared> shared = shared_;
    auto stop = [&shared] {
        std::unique_lock<std::mutex> lock(shared->mutex);
        shared->stop = true;
        shared->wake.notify_all();
        return shared->wake.wait_for(lock, kStopLimit, [&shared] { return shared->done; });
    };
    const bool ended = serveEvents ? platform::RunServingEvents(stop) : stop();
    if (ended)
        worker_.join();
    else
        worker_.detach();  // still inside a call to a device that does not answer
    // What was learned stays known across a stop; Forget clears it.
    auto kept = std::make_shared<Shared>();
    {
        std::lock_guard<std::mutex> keep(shared_->mutex);
        kept->entries = shared_->entries;
    }
    shared_ = kept;
}

void IconProbe::Want(const std::vector<std::pair<int, std::string>>& devices) {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    bool added = false;
    for (const auto& [slot, id] : devices) {
        auto [it, inserted] = shared_->entries.try_emplace(id);
        it->second.slot = slot;
        added = added || inserted;
    }
    if (added) shared_->wake.notify_all();
}

bool IconProbe::Known(const std::string& deviceId, fieldbus::LinkMasterFlags& flags) const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    auto it = shared_->entries.find(deviceId);
    if (it == shared_->entries.end() || !it->second.known) return false;
    flags = it->second.flags;
    return true;
}

void IconProbe::Forget() {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->entries.clear();
}

int IconProbe::Probes() const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->probes;
}

void IconProbe::Run(std::shared_ptr<Shared> shared) {
    std::unique_lock<std::mutex> lock(shared->mutex);
    while (!shared->stop) {
        // The device whose turn came first, if any.
        const auto now = SteadyClock::now();
        std::string due;
        auto next = SteadyClock::time_point::max();
        for (const auto& [id, entry] : shared->entries) {
            if (entry.known) continue;
            if (entry.nextTry <= now) {
                due = id;
                break;
            }
            next = std::min(next, entry.nextTry);
        }
        if (due.empty()) {
            if (next == SteadyClock::time_point::max())
                shared->wake.wait(lock);
            else
                shared->wake.wait_until(lock, next);
            continue;
        }
        const nifDesc_t link = shared->link;
        ++shared->probes;
        lock.unlock();
        fieldbus::LinkMasterFlags flags;
        int status = 0;
        const int result = fieldbus::FieldbusDevice::ProbeLinkMasterFlags(link, due, flags, status, [&shared] {
            std::lock_guard<std::mutex> check(shared->mutex);
            return shared->stop;
        });
        lock.lock();
        if (shared->stop) break;
        auto it = shared->entries.find(due);
        if (it == shared->entries.end()) continue;  // forgotten meanwhile
        Entry& entry = it->second;
        if (result == 0) {
            entry.known = true;
            entry.flags = flags;
            entry.failures = 0;
            platform::PostMessage(shared->notify, WM_DEVICE_ICONS_CHANGED);
        } else {
            uint64_t wait = kFirstRetryMs;
            for (int i = 0; i < entry.failures && wait < kLongestRetryMs; ++i) wait *= 2;
            entry.failures = std::min(entry.failures + 1, 30);
            entry.nextTry = SteadyClock::now() + std::chrono::milliseconds(std::min<uint64_t>(wait, kLongestRetryMs));
        }
    }
    shared->done = true;
    shared->wake.notify_all();
}

}  // namespace app
