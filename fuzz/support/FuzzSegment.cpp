#include "fuzz/support/FuzzSegment.h"

#include <cstdlib>
#include <string>

#include "platform/AtomicFile.h"
#include "simulator/SegmentLoader.h"

namespace fuzz {

FuzzSegment OpenFuzzSegment() {
    static const std::string text = [] {
        std::string json;
        if (!platform::ReadWholeFile(FUZZ_SEGMENT_FILE, json)) std::abort();
        return json;
    }();
    simulator::LoadOptions options;
    options.manualClock = true;
    std::string error;
    std::shared_ptr<simulator::Segment> segment = simulator::LoadSegment(text, options, error);
    if (!segment) std::abort();
    FuzzSegment result;
    result.backend = std::make_shared<simulator::SegmentBackend>(segment);
    nifb::Request open;
    open.op = nifb::Op::OpenSession;
    result.session = result.backend->Call(open).value[0];
    return result;
}

}  // namespace fuzz
