#include "fieldbus/DeviceThreads.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <system_error>

#include "platform/Ui.h"

namespace fieldbus {

// Each start gets a stop event of its own that is never reset, so a worker abandoned after a
// stop still sees its stop request when it comes back from a slow read, even after the slot
// was started again.
struct PollThreadSlot::Run {
    platform::Event stop;  // manual reset: signalled to ask the worker to end
    platform::Event done;  // signalled by the worker as its last act
};

namespace {

uint64_t SteadyMs() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

constexpr DeviceThread kAll[kDeviceThreadCount] = {
    DeviceThread::TbView3,  DeviceThread::AoView1,  DeviceThread::RbView1,   DeviceThread::PidView3,
    DeviceThread::Di1View1, DeviceThread::Di2View1, DeviceThread::SpltView1, DeviceThread::ProcessPoll};

}  // namespace

DeviceThreads::DeviceThreads(DeviceThreadHost& host) : host_(host) {
    for (DeviceThread thread : kAll) Slot(thread).periodMs = ThreadInfo(thread).periodMs;
    for (auto& channel : channels_) channel = false;
}

DeviceThreads::~DeviceThreads() { EndAll(); }

int DeviceThreads::Start(DeviceThread thread, platform::WindowHandle notify) {
    Stop(thread);
    PollThreadSlot& slot = Slot(thread);
    std::lock_guard<std::mutex> stopLock(threadStopLock_);
    if (slot.thread.joinable()) return 0;
    auto run = std::make_shared<PollThreadSlot::Run>();
    uint64_t generation = 0;
    {
        std::lock_guard<std::mutex> lock(mainLock_);
        slot.notifyWindow = notify;
        slot.ended = 0;
        slot.run = run;
        generation = ++slot.generation;
    }
    try {
        slot.thread = std::thread(&DeviceThreads::Entry, this, thread, run, generation);
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> lock(mainLock_);
        slot.ended = 1;
        slot.run.reset();
        return 1;
    }
    return 0;
}

void DeviceThreads::SignalStop(DeviceThread thread) {
    std::lock_guard<std::mutex> lock(mainLock_);
    if (PollThreadSlot& slot = Slot(thread); slot.run) slot.run->stop.Set();
}

void DeviceThreads::AwaitStop(DeviceThread thread, uint64_t deadlineMs) {
    PollThreadSlot& slot = Slot(thread);
    std::lock_guard<std::mutex> stopLock(threadStopLock_);
    if (slot.thread.joinable()) {
        std::shared_ptr<PollThreadSlot::Run> run;
        {
            std::lock_guard<std::mutex> lock(mainLock_);
            run = slot.run;
        }
        const uint64_t now = SteadyMs();
        const uint32_t wait = deadlineMs > now ? static_cast<uint32_t>(deadlineMs - now) : 0;
        if (run == nullptr || run->done.Wait(wait)) {
            slot.thread.join();
        } else {
            // Still inside a read: keep it aside until it ends; its ended flag stays 0.
            abandoned_.push_back({thread, std::move(slot.thread), run});
        }
        std::lock_guard<std::mutex> lock(mainLock_);
        slot.run.reset();
    }
    ReapAbandoned();
}

void DeviceThreads::Stop(DeviceThread thread) {
    SignalStop(thread);
    AwaitStop(thread, SteadyMs() + stopLimitMs_);
}

void DeviceThreads::StopTogether(const DeviceThread* threads, size_t count, uint32_t limitMs) {
    for (size_t i = 0; i < count; ++i) SignalStop(threads[i]);
    const uint64_t deadline = SteadyMs() + limitMs;
    for (size_t i = 0; i < count; ++i) AwaitStop(threads[i], deadline);
}

void DeviceThreads::StopAll() { StopTogether(kAll, kDeviceThreadCount, stopLimitMs_); }

void DeviceThreads::StopAll(uint32_t limitMs) { StopTogether(kAll, kDeviceThreadCount, limitMs); }

void DeviceThreads::SignalStopAll() {
    for (DeviceThread thread : kAll) SignalStop(thread);
}

void DeviceThreads::StopViewReaders() { StopTogether(kAll, kDeviceThreadCount - 1, stopLimitMs_); }

void DeviceThreads::EndAll() {
    StopAll();
    std::vector<Abandoned> left;
    {
        std::lock_guard<std::mutex> stopLock(threadStopLock_);
        left.swap(abandoned_);
    }
    for (Abandoned& a : left)
        if (a.worker.joinable()) a.worker.join();
}

void DeviceThreads::ReapAbandoned() {
    auto ended = [](Abandoned& a) {
        if (!a.run->done.IsSet()) return false;
        a.worker.join();
        return true;
    };
    abandoned_.erase(std::remove_if(abandoned_.begin(), abandoned_.end(), ended), abandoned_.end());
}

bool DeviceThreads::AbandonedAlive(DeviceThread thread) {
    std::lock_guard<std::mutex> stopLock(threadStopLock_);
    ReapAbandoned();
    for (const Abandoned& a : abandoned_)
        if (a.thread == thread) return true;
    return false;
}

bool DeviceThreads::IsEnded(DeviceThread thread) const {
    std::lock_guard<std::mutex> lock(mainLock_);
    return Slot(thread).ended != 0;
}

int DeviceThreads::GetRecord(DeviceThread thread, void* record, size_t size) const {
    std::lock_guard<std::mutex> lock(mainLock_);
    std::memcpy(record, Slot(thread).record.data(), std::min(size, ThreadInfo(thread).recordSize));
    return 0;
}

void DeviceThreads::RequestRefresh(DeviceThread thread, bool flag) {
    std::lock_guard<std::mutex> lock(mainLock_);
    Slot(thread).refresh = flag ? 1 : 0;
}

bool DeviceThreads::RefreshRequested(DeviceThread thread) const {
    std::lock_guard<std::mutex> lock(mainLock_);
    return Slot(thread).refresh != 0;
}

void DeviceThreads::SetProcessChannels(const ProcessChannels& channels) {
    for (int i = 0; i < kProcessChannelCount; ++i) channels_[static_cast<size_t>(i)] = channels[static_cast<size_t>(i)];
}

ProcessChannels DeviceThreads::GetProcessChannels() const {
    ProcessChannels channels{};
    for (int i = 0; i < kProcessChannelCount; ++i) channels[static_cast<size_t>(i)] = channels_[static_cast<size_t>(i)];
    return channels;
}

void DeviceThreads::SetPeriod(DeviceThread thread, uint32_t ms) { Slot(thread).periodMs = ms; }

uint32_t DeviceThreads::Period(DeviceThread thread) const { return Slot(thread).periodMs; }

int DeviceThreads::StartProcessPollIfIdle(platform::WindowHandle notify) {
    {
        std::lock_guard<std::mutex> stopLock(threadStopLock_);
        const PollThreadSlot& slot = Slot(DeviceThread::ProcessPoll);
        if (slot.thread.joinable() && !IsEnded(DeviceThread::ProcessPoll)) return 0;
    }
    return Start(DeviceThread::ProcessPoll, notify) == 0 ? 1 : 0;
}

int DeviceThreads::AnyThreadAlive() {
    int alive = 0;
    for (DeviceThread thread : kAll) {
        const bool running = !IsEnded(thread) || AbandonedAlive(thread);
        if (!running) continue;
        alive = 1;
        if (const char* text = ThreadInfo(thread).aliveText) platform::ShowMessage(text);
    }
    return alive;
}

void DeviceThreads::Entry(DeviceThread thread, std::shared_ptr<PollThreadSlot::Run> run, uint64_t generation) {
    if (IsViewReader(thread))
        ViewReaderLoop(thread, *run, generation);
    else
        ProcessPollLoop(*run, generation);
    {
        // A worker abandoned and then overtaken by a new start leaves the new one's flag alone.
        std::lock_guard<std::mutex> lock(mainLock_);
        PollThreadSlot& slot = Slot(thread);
        if (slot.generation == generation) slot.ended = 1;
    }
    run->done.Set();
}

uint32_t DeviceThreads::WaitAfter(DeviceThread thread, int failures) const {
    uint64_t wait = Period(thread);
    for (int i = 0; i < failures && wait < kMaxBackoffMs; ++i) wait *= 2;
    return static_cast<uint32_t>(std::min<uint64_t>(wait, std::max<uint64_t>(Period(thread), kMaxBackoffMs)));
}

void DeviceThreads::Publish(DeviceThread thread, const uint8_t* record, bool clearRefresh, uint64_t generation) {
    const DeviceThreadInfo& info = ThreadInfo(thread);
    platform::WindowHandle notify = 0;
    {
        std::lock_guard<std::mutex> lock(mainLock_);
        PollThreadSlot& slot = Slot(thread);
        if (slot.generation != generation) return;
        std::memcpy(slot.record.data(), record, info.recordSize);
        if (clearRefresh) slot.refresh = 0;
        notify = slot.notifyWindow;
    }
    platform::PostMessage(notify, info.message, static_cast<uintptr_t>(host_.GetSlot()), 0);
}

// Publishes after the first read, after a read that changed any byte, and when a refresh was
// asked for; a failed read is reported and leaves the last good values in place. After a
// failed read the worker waits longer each time (a device that does not answer keeps every
// read waiting for the time-out), and reads at its period again once a read succeeds.
void DeviceThreads::ViewReaderLoop(DeviceThread thread, PollThreadSlot::Run& run, uint64_t generation) {
    const DeviceThreadInfo& info = ThreadInfo(thread);
    const size_t size = info.recordSize;
    std::array<uint8_t, kLargestThreadRecord> current{}, previous{}, scratch{};
    if (host_.ReadView(thread, current.data()) != 0) {
        if (!run.stop.IsSet()) host_.ReportText(info.abortText);
        return;
    }
    bool changed = true;
    int failures = 0;
    for (;;) {
        bool publish = changed;
        if (!publish) {
            std::lock_guard<std::mutex> lock(mainLock_);
            publish = Slot(thread).refresh != 0;
        }
        if (publish) {
            Publish(thread, current.data(), true, generation);
            previous = current;
        }
        if (run.stop.Wait(WaitAfter(thread, failures))) return;
        if (host_.ReadView(thread, scratch.data()) != 0) {
            if (run.stop.IsSet()) return;
            host_.ReportText(info.readErrorText);
            changed = false;
            ++failures;
            continue;
        }
        failures = 0;
        current = scratch;
        changed = std::memcmp(current.data(), previous.data(), size) != 0;
    }
}

// Reads the enabled values in flag order and publishes on every cycle, changed or not. A
// cycle in which every enabled value failed makes the next wait longer, as for the readers.
void DeviceThreads::ProcessPollLoop(PollThreadSlot::Run& run, uint64_t generation) {
    ProcessRecord record{};
    int failures = 0;
    for (;;) {
        int enabled = 0, failed = 0;
        for (int channel = 0; channel < kProcessChannelCount; ++channel) {
            if (!channels_[static_cast<size_t>(channel)]) continue;
            if (run.stop.IsSet()) return;
            ++enabled;
            uint8_t status = 0;
            float value = 0.0f;
            if (host_.ReadProcessValue(static_cast<ProcessChannel>(channel), status, value) != 0) {
                if (run.stop.IsSet()) return;
                host_.ReportText(kProcessReadErrorTexts[channel]);
                ++failed;
                continue;
            }
            switch (channel) {
                case kChannelPidSp:
                    record.pidSpStatus = status;
                    record.pidSp = value;
                    break;
                case kChannelPidPv:
                    record.pidPvStatus = status;
                    record.pidPv = value;
                    break;
                case kChannelFinalValue:
                    record.finalValueStatus = status;
                    record.finalValue = value;
                    break;
                case kChannelFinalPositionValue:
                    record.finalPositionStatus = status;
                    record.finalPositionValue = value;
                    break;
                case kChannelOutPressure: record.outPressure = value; break;
                case kChannelServoOutputSignal: record.servoOutputSignal = value; break;
                default: break;
            }
        }
        uint8_t bytes[sizeof(ProcessRecord)];
        std::memcpy(bytes, &record, sizeof record);
        Publish(DeviceThread::ProcessPoll, bytes, false, generation);
        failures = enabled > 0 && failed == enabled ? failures + 1 : 0;
        if (run.stop.Wait(WaitAfter(DeviceThread::ProcessPoll, failures))) return;
    }
}

}  // namespace fieldbus
