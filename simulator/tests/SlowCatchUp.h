#pragma once
// A stand-in for a device model that is slow to catch up: attached to a device, it spends
// `stepMs` of wall time on every step longer than the normal process step (the steps that
// cover idle time), so that the device's catch-up after a gap is long on purpose. Tests and
// benchmarks use it to see what other clients' calls do meanwhile.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "simulator/Device.h"
#include "simulator/DeviceExtension.h"
#include "simulator/ExtensionChain.h"
#include "simulator/Segment.h"

namespace simulator::testing {

class SlowCatchUp : public DeviceExtension {
public:
    explicit SlowCatchUp(int stepMs) : stepMs_(stepMs) {}

    int OnWrite(Device&, Block*, DeviceObject&, int, const std::vector<uint8_t>&, uint64_t, bool&) override {
        return 0;
    }
    void Advance(Device&, uint64_t fromMs, uint64_t toMs) override {
        if (toMs - fromMs <= kProcessStepMs) return;
        ++slowSteps;
        std::this_thread::sleep_for(std::chrono::milliseconds(stepMs_));
    }
    int DownloadDomain(Device&, const std::string&, const std::vector<uint8_t>&, uint64_t) override { return -1; }

    // Steps slowed so far (a test waits for the first to know the catch-up is under way).
    std::atomic<int> slowSteps{0};

private:
    int stepMs_;
};

// Makes the device with identifier or tag `tag` slow to catch up; nullptr when there is none.
// Call before clients work on the device (its extension is not guarded).
inline std::shared_ptr<SlowCatchUp> MakeSlowToCatchUp(Segment& segment, const std::string& tag, int stepMs) {
    std::shared_ptr<SlowCatchUp> slow;
    segment.WithDevice(tag, [&](Device* device) {
        if (!device) return;
        slow = std::make_shared<SlowCatchUp>(stepMs);
        AttachExtension(*device, slow);
    });
    return slow;
}

}  // namespace simulator::testing
