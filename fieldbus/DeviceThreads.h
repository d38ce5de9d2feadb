#pragma once
// The view readers and the process poll of one device: one worker thread each, started and
// stopped by the user-interface thread. A worker stores what it read under the main lock and
// posts its message; the window copies the record through a getter. A worker that does not
// end within the stop limit is abandoned (kept aside until it ends) and reported by
// AnyThreadAlive.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fieldbus/DeviceThreadTable.h"
#include "platform/Event.h"
#include "platform/WindowMessages.h"

namespace fieldbus {

// What the workers need from their device.
class DeviceThreadHost {
public:
    virtual ~DeviceThreadHost() = default;
    // One read of a view reader into `image` (the thread's record size, in published form):
    // 0 ok. Called on the worker thread.
    virtual int ReadView(DeviceThread thread, uint8_t* image) = 0;
    // One process value in host order: 0 ok. Called on the worker thread.
    virtual int ReadProcessValue(ProcessChannel channel, uint8_t& status, float& value) = 0;
    // Appends a device report line and tells the main window.
    virtual void ReportText(const std::string& text) = 0;
    // The slot number carried by every posted message.
    virtual int GetSlot() const = 0;
};

// The bookkeeping of one worker thread.
struct PollThreadSlot {
    struct Run;                          // stop request and end of one started worker
    std::thread thread;                  // joinable while a worker is recorded
    std::shared_ptr<Run> run;            // of the recorded worker (main lock)
    uint64_t generation = 0;             // counts the starts (main lock)
    platform::WindowHandle notifyWindow = 0;
    std::array<uint8_t, kLargestThreadRecord> record{};  // last published (main lock)
    int ended = 1;                       // 1 while no worker of the latest start runs (main lock)
    int refresh = 0;                     // view readers: publish at the next cycle (main lock)
    std::atomic<uint32_t> periodMs{0};
};

class DeviceThreads {
public:
    static constexpr uint32_t kStopLimitMs = 3000;
    // After a failed read a worker waits longer before it tries again: its period doubled
    // for each failure in a row, at most this long.
    static constexpr uint32_t kMaxBackoffMs = 30000;

    explicit DeviceThreads(DeviceThreadHost& host);
    ~DeviceThreads();  // ends every worker, waiting as long as it takes
    DeviceThreads(const DeviceThreads&) = delete;
    DeviceThreads& operator=(const DeviceThreads&) = delete;

    // Stops a running worker of that kind first, then starts a new one posting to `notify`.
    // 0 started, 1 the thread could not be created.
    int Start(DeviceThread thread, platform::WindowHandle notify);
    // Signals the stop and waits for the worker at most the stop limit.
    void Stop(DeviceThread thread);
    // Stops all eight: every stop signalled at once, then one stop limit for all of them
    // (`limitMs`: another limit, 0 to abandon at once the workers that have not ended).
    void StopAll();
    void StopAll(uint32_t limitMs);
    // The same for the seven view readers (the process poll belongs to the trend window).
    void StopViewReaders();
    // Asks every worker to end without waiting (StopAll then waits).
    void SignalStopAll();
    // Stops all and waits for every worker, abandoned ones included, without limit.
    void EndAll();

    bool IsEnded(DeviceThread thread) const;
    // Copies the published record (`size` bytes at most): 0 ok.
    int GetRecord(DeviceThread thread, void* record, size_t size) const;
    void RequestRefresh(DeviceThread thread, bool flag);
    bool RefreshRequested(DeviceThread thread) const;

    void SetProcessChannels(const ProcessChannels& channels);
    ProcessChannels GetProcessChannels() const;
    void SetPeriod(DeviceThread thread, uint32_t ms);
    uint32_t Period(DeviceThread thread) const;
    // Starts the process poll only when none runs: 1 started, 0 one was running. A worker
    // abandoned on a slow read does not count: it never publishes again.
    int StartProcessPollIfIdle(platform::WindowHandle notify);

    // Shows the alive text of every worker still running (the SPLT reader is checked but not
    // shown); 1 when any of the eight still runs, abandoned workers included.
    int AnyThreadAlive();
    // The stop limit (tests shorten it).
    void SetStopLimit(uint32_t ms) { stopLimitMs_ = ms; }

private:
    struct Abandoned {
        DeviceThread thread;
        std::thread worker;
        std::shared_ptr<PollThreadSlot::Run> run;
    };

    PollThreadSlot& Slot(DeviceThread thread) { return slots_[static_cast<int>(thread)]; }
    const PollThreadSlot& Slot(DeviceThread thread) const { return slots_[static_cast<int>(thread)]; }
    void SignalStop(DeviceThread thread);
    void StopTogether(const DeviceThread* threads, size_t count, uint32_t limitMs);
    // The wait before the next read after `failures` failed reads in a row.
    uint32_t WaitAfter(DeviceThread thread, int failures) const;
    // Waits for the recorded worker until `deadline` (steady clock, ms) and forgets it;
    // a worker still running then is abandoned.
    void AwaitStop(DeviceThread thread, uint64_t deadlineMs);
    // Joins abandoned workers that have ended (thread-stop lock held).
    void ReapAbandoned();
    bool AbandonedAlive(DeviceThread thread);

    void Entry(DeviceThread thread, std::shared_ptr<PollThreadSlot::Run> run, uint64_t generation);
    void ViewReaderLoop(DeviceThread thread, PollThreadSlot::Run& run, uint64_t generation);
    void ProcessPollLoop(PollThreadSlot::Run& run, uint64_t generation);
    // Stores the record and posts the message, unless the slot was started again since this
    // worker's start (an abandoned worker never publishes into the new start's window).
    void Publish(DeviceThread thread, const uint8_t* record, bool clearRefresh, uint64_t generation);

    DeviceThreadHost& host_;
    std::array<PollThreadSlot, kDeviceThreadCount> slots_;
    std::array<std::atomic<bool>, kProcessChannelCount> channels_{};
    std::atomic<uint32_t> stopLimitMs_{kStopLimitMs};
    mutable std::mutex mainLock_;    // records, refresh and ended flags, runs, stop signalling
    std::mutex threadStopLock_;      // held while a stop waits for a worker and forgets it
    std::vector<Abandoned> abandoned_;  // thread-stop lock
};

}  // namespace fieldbus
