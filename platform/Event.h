#pragma once
// A manual-reset event: stays signalled until Reset.
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace platform {

class Event {
public:
    explicit Event(bool initiallySet = false) : set_(initiallySet) {}
    void Set();
    void Reset();
    bool IsSet() const;
    // Waits until signalled or `timeoutMs` passed (real time); returns true when signalled.
    bool Wait(uint32_t timeoutMs);
    void WaitForever();

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool set_;
};

}  // namespace platform
