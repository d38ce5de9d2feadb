#include "SegmentDevice.h"

#include "fieldbus/BlockKind.h"
#include "fieldbus/MessageLog.h"
#include "nifb/Backend.h"
#include "platform/testing/FakeClock.h"
#include "simulator/Segment.h"
#include "simulator/SegmentLoader.h"

namespace fieldbus::testing {

SegmentDevice::SegmentDevice(const std::string& tag, int slot, const std::string& segmentFile) {
    simulator::LoadOptions options;
    options.manualClock = true;
    options.latency = 1;  // every transaction moves the clock, as on the bus
    std::string error;
    auto segment = simulator::LoadSegmentFile(segmentFile.empty() ? std::string(NIFB_DEFAULT_SEGMENT_FILE) : segmentFile,
                                              options, error);
    if (!segment) return;
    backend_ = simulator::UseInProcessSegment(segment);
    if (nifOpenSession(nullptr, &session_) != E_OK) return;
    nifInterfaceInfo interfaces[4] = {};
    uint16_t count = 4;
    if (nifGetInterfaceList(session_, &count, interfaces) != E_OK || count == 0) return;
    if (nifOpenLink(session_, 0, interfaces[0].interfaceName, 0, &link_.link) != E_OK) return;
    device_.SetLink(&link_);
    nifLiveListEntry entries[32] = {};
    count = 32;
    if (nifGetDeviceList(link_.link, entries, &count, nullptr) != E_OK) return;
    for (uint16_t i = 0; i < count; ++i)
        if (tag == entries[i].pdTag) device_.BindSlot(slot, entries[i].deviceId, entries[i].pdTag);
    // The open window's pause passes at once (on the test's fake clock, or on one of its own).
    std::unique_ptr<platform::testing::FakeClock> clock;
    if (dynamic_cast<platform::testing::FakeClock*>(&platform::GetClock()) == nullptr)
        clock = std::make_unique<platform::testing::FakeClock>();
    opened_ = device_.OpenDevice() == 0 && device_.ReadBackBlockTags() == 0;
}

SegmentDevice::~SegmentDevice() {
    device_.CloseDevice();
    if (session_ != 0) nifClose(session_);
    nifb::UseInProcessBackend(nullptr);
    MessageLog::Instance().Clear();
    ResetBlockIds();
}

void SegmentDevice::Advance(uint64_t ms) { Segment().clock.Advance(ms); }

bool SegmentDevice::Control(const std::string& json) {
    std::string answer;
    return Segment().Control(json, answer) == E_OK;
}

}  // namespace fieldbus::testing
