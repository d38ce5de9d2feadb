#pragma once
// A call's hold on one device while it works on it. The segment's mutex guards the
// descriptor tables, the bus booking, the live list and the devices' identities; the work
// on a device (catching it up with the clock, reads, writes, its extensions) is done under
// the device's claim, mostly with the segment mutex released, so that a long catch-up of one
// device never holds up the calls to the others.
//
// Lock order and rules:
//   - A claim is taken only with the segment mutex held; waiting for one releases the mutex
//     (the segment's `changed` condition), so a claim holder can always take the mutex again.
//   - A call holds at most one claim at a time (a live-list scan claims the devices one
//     after another), and never across a wait of simulated time (bus time, a device that
//     does not answer): a claim is held for CPU work only, which is why waiting for one
//     needs no limit of its own.
//   - The segment mutex is taken before SimClock's own mutex, never the other way round.
//   - What a device's claim holder changes that calls holding only the segment mutex read
//     (identity, faults, block tags) it changes with the mutex held too (Device.h).
#include <mutex>

#include "simulator/Segment.h"

namespace simulator {

class DeviceClaim {
public:
    // Waits until no other call holds `device`, then claims it. `lock` holds the segment's
    // mutex, which is released while waiting and held again on return.
    DeviceClaim(Segment& segment, std::unique_lock<std::mutex>& lock, Device& device)
        : segment_(segment), lock_(lock), device_(device) {
        segment_.changed.wait(lock_, [this] { return !device_.claimed; });
        device_.claimed = true;
    }
    ~DeviceClaim() {
        if (!lock_.owns_lock()) lock_.lock();
        device_.claimed = false;
        segment_.changed.notify_all();
    }
    DeviceClaim(const DeviceClaim&) = delete;
    DeviceClaim& operator=(const DeviceClaim&) = delete;

    // Runs `work` on the claimed device with the segment mutex released; the mutex is held
    // again when this returns (or throws).
    template <typename Work>
    decltype(auto) Unlocked(Work&& work) {
        struct Relock {
            std::unique_lock<std::mutex>& lock;
            ~Relock() { lock.lock(); }
        };
        lock_.unlock();
        Relock relock{lock_};
        return work();
    }

private:
    Segment& segment_;
    std::unique_lock<std::mutex>& lock_;
    Device& device_;
};

}  // namespace simulator
