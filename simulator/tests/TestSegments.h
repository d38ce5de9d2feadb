#pragma once
// Segment texts and helpers shared by the library and simulator tests.
#include <string>

namespace simulator::testing {

// One H1 link with a maker positioner (type 1, rev 2, address 20, tag "FV-101", block tags
// "FV101_*"), a partner link-master positioner (type 7, rev 2, "KV-201", "KV201_*") and a
// transmitter ("PT-301"). Settle time 0 unless `settleMs` is given.
std::string SmallSegmentJson(int settleMs = 0, const std::string& extraDeviceFields = "");

}  // namespace simulator::testing
