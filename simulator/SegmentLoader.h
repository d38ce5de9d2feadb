#pragma once
// Reads a segment file (JSON) into a Segment. A file that is not valid JSON or that
// describes an impossible segment is refused with a message naming the problem.
#include <memory>
#include <string>

#include "simulator/Segment.h"

namespace simulator {

struct LoadOptions {
    double speed = 1.0;
    bool manualClock = false;  // tests: time moves only when advanced
    int latency = -1;          // -1: as the file says; 0 off; 1 on
    int64_t settleMs = -1;     // -1: as the file says
};

std::shared_ptr<Segment> LoadSegment(const std::string& jsonText, const LoadOptions& options, std::string& error);
std::shared_ptr<Segment> LoadSegmentFile(const std::string& path, const LoadOptions& options, std::string& error);

}  // namespace simulator
