#pragma once
// Hosting a simulated segment inside the calling process: the library's calls then go
// straight to it instead of to the server. Meant for tests of the program.
#include <memory>
#include <string>

#include "simulator/SegmentBackend.h"
#include "simulator/SegmentLoader.h"

extern "C" {
// Sessions opened from now on talk to a segment built from `segmentJson` (NULL: the
// default segment file). Returns 0, or E_CONFIG_ERROR when the text is not a valid segment.
int nifUseInProcessSegment(const char* segmentJson);
// Sessions opened from now on talk to the server again.
void nifUseServer(void);
}

namespace simulator {

// The same with load options (manual clock, latency, settle time); returns the backend so
// a test can reach the segment (faults, clock), or nullptr with `error`.
std::shared_ptr<SegmentBackend> UseInProcessSegment(const std::string& segmentJson, const LoadOptions& options,
                                                    std::string& error);
std::shared_ptr<SegmentBackend> UseInProcessSegment(std::shared_ptr<Segment> segment);

// The segment file the server uses without --segment: NIFB_SEGMENT, else the registry
// value "Segment" under the NI-FBUS key, else the default segment shipped in the sources.
std::string DefaultSegmentPath();

}  // namespace simulator
