// Segment files of the simulated server: any text is refused with a message or gives a
// segment.
#include <cstdint>
#include <string>

#include "simulator/SegmentLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    simulator::LoadOptions options;
    options.manualClock = true;
    std::string error;
    simulator::LoadSegment(std::string(reinterpret_cast<const char*>(data), size), options, error);
    return 0;
}
