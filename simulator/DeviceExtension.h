#pragma once
// The place where device behaviour beyond the object dictionary plugs in: the device
// procedures (stop finding, auto tune, self check, travel calibration), signature
// measurements, the firmware domain and the physical valve model. The device calls these
// hooks under its claim, mostly without the segment lock (DeviceClaim.h): they touch their
// own device only, and must not block.
#include <cstdint>
#include <string>
#include <vector>

#include "nifb/nifb.h"
#include "simulator/Json.h"

namespace simulator {

class Device;
struct Block;
struct DeviceObject;

class DeviceExtension {
public:
    virtual ~DeviceExtension() = default;
    // Before a checked write is stored. Return a negative status to refuse it; set
    // `handled` to keep the device from storing the bytes itself.
    virtual int OnWrite(Device& device, Block* block, DeviceObject& object, int member,
                        const std::vector<uint8_t>& bytes, uint64_t nowMs, bool& handled) = 0;
    // After the device's own process step from `fromMs` to `toMs`. Steps are normally
    // kProcessStepMs long; after idle time the gap is covered by at most kMaxCatchUpSteps
    // steps, each as long as it takes (a day idle: steps of 864 s). A model that cannot
    // integrate such a step in bounded work jumps to its steady state for it.
    virtual void Advance(Device& device, uint64_t fromMs, uint64_t toMs) = 0;
    // A domain download into the named domain object.
    virtual int DownloadDomain(Device& device, const std::string& domain, const std::vector<uint8_t>& bytes,
                               uint64_t nowMs) = 0;
    // True when the extension moves the valve itself (position, pressures, servo output and
    // totals); the device's simple process model then leaves them alone.
    virtual bool ModelsValve() const { return false; }
    // A run-time control command naming this device that the segment does not know itself:
    // -1 not the extension's, 0 done (an answer may go into `reply`), 1 refused with `error`
    // (and nothing changed).
    virtual int Control(Device& /*device*/, const std::string& /*command*/, const JsonValue& /*args*/,
                        uint64_t /*nowMs*/, JsonValue& /*reply*/, std::string& /*error*/) {
        return -1;
    }
};

}  // namespace simulator
