#pragma once
// Closing descriptors without hanging on a server that stopped answering. The closes run on a
// helper thread; the caller waits at most a limit and goes on. Once a close has been left
// waiting, later closes do not wait at all until it has come back: a hung server costs one
// limit, not one per descriptor.
#include <cstdint>
#include <vector>

#include "nifb/nifb.h"

namespace fieldbus {

inline constexpr uint32_t kCloseLimitMs = 1000;

// Closes the descriptors in the given order: true when all were closed within the limit.
bool CloseDescriptors(std::vector<nifDesc_t> descriptors, uint32_t limitMs = kCloseLimitMs);
// Closes left waiting for the server (a program that ends with some left does not wait for them).
int PendingCloses();

}  // namespace fieldbus
