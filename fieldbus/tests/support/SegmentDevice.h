#pragma once
// A device of a simulated segment hosted in this process, opened through FieldbusDevice:
// the bed for tests that run program logic against the simulator's positioners. The
// segment's clock is manual: it moves by the bus time of every transaction and by Advance,
// so the device's own behaviour is deterministic and its mode changes settle.
#include <memory>
#include <string>

#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/LinkContext.h"
#include "simulator/InProcessSegment.h"

namespace fieldbus::testing {

class SegmentDevice {
public:
    // Loads `segmentFile` (the shipped default segment when empty) and opens the device with
    // PD tag `tag` in slot `slot`. Opened() tells whether that worked.
    explicit SegmentDevice(const std::string& tag, int slot = 4, const std::string& segmentFile = {});
    ~SegmentDevice();
    SegmentDevice(const SegmentDevice&) = delete;
    SegmentDevice& operator=(const SegmentDevice&) = delete;

    bool Opened() const { return opened_; }
    FieldbusDevice& Device() { return device_; }
    simulator::Segment& Segment() { return backend_->GetSegment(); }
    // Moves the segment's clock on by `ms`.
    void Advance(uint64_t ms);
    // A run-time control command of the segment ({"command":"silence","device":"FV-101"}).
    bool Control(const std::string& json);

private:
    std::shared_ptr<simulator::SegmentBackend> backend_;
    nifDesc_t session_ = 0;
    DirectLink link_;
    FieldbusDevice device_;
    bool opened_ = false;
};

}  // namespace fieldbus::testing
