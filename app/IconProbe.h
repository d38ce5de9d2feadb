#pragma once
// The device tree's icons need each positioner's link-master flags, which take several bus
// calls to learn for a device that is not open. A worker thread asks the devices the tree
// shows, keeps the answers by device identifier and posts WM_DEVICE_ICONS_CHANGED to the view
// when it learned something; a device that does not answer is asked again later, each time
// waiting twice as long. The window never waits for the bus to draw its tree.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fieldbus/FieldbusLink.h"
#include "fieldbus/LinkMasterFlags.h"
#include "platform/WindowMessages.h"

namespace app {

inline constexpr unsigned WM_DEVICE_ICONS_CHANGED = 0x4F1;

class IconProbe {
public:
    // A failed probe is repeated after this long, doubled for every further failure in a
    // row, up to the longest wait.
    static constexpr uint32_t kFirstRetryMs = 3000;
    static constexpr uint32_t kLongestRetryMs = 300000;

    explicit IconProbe(fieldbus::FieldbusLink& link) : link_(link) {}
    ~IconProbe() { Stop(false); }
    IconProbe(const IconProbe&) = delete;
    IconProbe& operator=(const IconProbe&) = delete;

    void Start(platform::WindowHandle notify);
    // Ends the worker (a probe on a device that does not answer is abandoned after the stop
    // limit: it ends on its own and only touches the probe's shared state). With
    // `serveEvents` the window's events are served meanwhile; never while its owner is being
    // destroyed.
    void Stop(bool serveEvents = true);
    // The devices to know: slot and device identifier of every present positioner that is
    // not open. Devices known or waiting for their retry are left alone.
    void Want(const std::vector<std::pair<int, std::string>>& devices);
    // The flags learned for a device identifier, or false when not (yet) known.
    bool Known(const std::string& deviceId, fieldbus::LinkMasterFlags& flags) const;
    // Forgets everything (after a rescan or a restart the devices may have changed).
    void Forget();
    // Probes made so far (for tests).
    int Probes() const;

private:
    struct Entry {
        int slot = 0;
        bool known = false;
        fieldbus::LinkMasterFlags flags;
        int failures = 0;
        std::chrono::steady_clock::time_point nextTry{};
    };
    struct Shared {
        std::mutex mutex;
        std::condition_variable wake;
        std::map<std::string, Entry> entries;
        bool stop = false;
        bool done = false;
        int probes = 0;
        platform::WindowHandle notify = 0;
        nifDesc_t link = 0;  // the link descriptor the probes use
    };
    // The worker touches only the shared state and the library, so one abandoned on a device
    // that does not answer outlives the probe object safely.
    static void Run(std::shared_ptr<Shared> shared);

    fieldbus::FieldbusLink& link_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    std::thread worker_;
};

}  // namespace app
