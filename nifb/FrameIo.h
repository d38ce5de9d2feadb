#pragma once
// Length-prefixed frames on a stream socket: a 32-bit little-endian length, then the bytes.
// Every wait has a deadline; the socket may be blocking or not (each transfer is done
// without blocking after poll said it can go on).
#include <chrono>
#include <cstdint>
#include <vector>

namespace nifb {

using Deadline = std::chrono::steady_clock::time_point;
inline constexpr Deadline kNoDeadline = Deadline::max();

enum class IoStatus {
    Ok,
    Closed,     // the peer is gone (or the socket was shut down under the call)
    TimedOut,   // the deadline passed first
    Malformed,  // a length beyond kMaxFrameBytes
};

// Sends one frame; TimedOut leaves the stream in an unknown state (drop the connection).
IoStatus SendFrame(int fd, const std::vector<uint8_t>& payload, Deadline by);

// Receives one frame. The first byte must arrive by `firstByteBy`; the rest of the frame
// by `firstByteBy` or `completeWithin` after the first byte, whichever comes first. The
// buffer grows as the bytes arrive, never ahead of them by more than a small chunk, so a
// peer that announces a long frame and sends little costs little.
IoStatus ReceiveFrame(int fd, std::vector<uint8_t>& payload, Deadline firstByteBy,
                      std::chrono::milliseconds completeWithin = std::chrono::hours(24));

}  // namespace nifb
