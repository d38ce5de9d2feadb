#pragma once
// A fresh small simulated segment (support/segment.json, manual clock) for targets that talk to the
// server's backend, with one session open on it.
#include <cstdint>
#include <memory>

#include "simulator/SegmentBackend.h"

namespace fuzz {

struct FuzzSegment {
    std::shared_ptr<simulator::SegmentBackend> backend;
    uint32_t session = 0;
};

FuzzSegment OpenFuzzSegment();

}  // namespace fuzz
