#pragma once
// Length-prefixed frames on a stream socket: a 32-bit little-endian length, then the bytes.
#include <cstdint>
#include <vector>

namespace nifb {

// Both return false when the peer is gone or the frame is malformed (too long).
bool WriteFrame(int fd, const std::vector<uint8_t>& payload);
bool ReadFrame(int fd, std::vector<uint8_t>& payload);

}  // namespace nifb
