#include "nifb/FrameIo.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

#include "nifb/NifbRequest.h"

namespace nifb {

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kChunk = 64 * 1024;

// Waits until `fd` is ready for `events` or the deadline passes.
IoStatus WaitReady(int fd, short events, Deadline by) {
    for (;;) {
        int timeout = -1;
        if (by != kNoDeadline) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(by - Clock::now()).count();
            if (left < 0) return IoStatus::TimedOut;
            timeout = static_cast<int>(std::min<long long>(left + 1, 60000));
        }
        pollfd p{fd, events, 0};
        int n = ::poll(&p, 1, timeout);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return IoStatus::Closed;
        if (n == 0) continue;  // re-check the deadline
        if (p.revents & (events | POLLHUP | POLLERR | POLLNVAL)) return IoStatus::Ok;
    }
}

IoStatus SendAll(int fd, const uint8_t* p, size_t n, Deadline by) {
    while (n > 0) {
        ssize_t k = ::send(fd, p, n, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (k > 0) {
            p += k;
            n -= static_cast<size_t>(k);
            continue;
        }
        if (k < 0 && errno == EINTR) continue;
        if (k < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            IoStatus st = WaitReady(fd, POLLOUT, by);
            if (st != IoStatus::Ok) return st;
            continue;
        }
        return IoStatus::Closed;
    }
    return IoStatus::Ok;
}

// Appends up to `n` bytes that are there now; Ok with nothing added means "wait".
IoStatus ReceiveSome(int fd, std::vector<uint8_t>& out, size_t n, size_t& got) {
    size_t old = out.size();
    out.resize(old + n);
    ssize_t k;
    do {
        k = ::recv(fd, out.data() + old, n, MSG_DONTWAIT);
    } while (k < 0 && errno == EINTR);
    got = k > 0 ? static_cast<size_t>(k) : 0;
    out.resize(old + got);
    if (k > 0) return IoStatus::Ok;
    if (k < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return IoStatus::Ok;
    return IoStatus::Closed;
}

// Receives exactly `n` more bytes into `out`.
IoStatus ReceiveAll(int fd, std::vector<uint8_t>& out, size_t n, Deadline by) {
    while (n > 0) {
        size_t got = 0;
        IoStatus st = ReceiveSome(fd, out, std::min(n, kChunk), got);
        if (st != IoStatus::Ok) return st;
        if (got == 0) {
            st = WaitReady(fd, POLLIN, by);
            if (st != IoStatus::Ok) return st;
            continue;
        }
        n -= got;
    }
    return IoStatus::Ok;
}

}  // namespace

IoStatus SendFrame(int fd, const std::vector<uint8_t>& payload, Deadline by) {
    if (payload.size() > kMaxFrameBytes) return IoStatus::Malformed;
    uint32_t n = static_cast<uint32_t>(payload.size());
    uint8_t head[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
                       static_cast<uint8_t>(n >> 24)};
    IoStatus st = SendAll(fd, head, 4, by);
    if (st != IoStatus::Ok) return st;
    return SendAll(fd, payload.data(), payload.size(), by);
}

IoStatus ReceiveFrame(int fd, std::vector<uint8_t>& payload, Deadline firstByteBy,
                      std::chrono::milliseconds completeWithin) {
    payload.clear();
    std::vector<uint8_t> head;
    head.reserve(4);
    IoStatus st = WaitReady(fd, POLLIN, firstByteBy);
    if (st != IoStatus::Ok) return st;
    Deadline rest = firstByteBy;
    if (Clock::now() < Deadline::max() - completeWithin) rest = std::min(rest, Clock::now() + completeWithin);
    st = ReceiveAll(fd, head, 4, rest);
    if (st != IoStatus::Ok) return st;
    uint32_t n = static_cast<uint32_t>(head[0]) | (static_cast<uint32_t>(head[1]) << 8) |
                 (static_cast<uint32_t>(head[2]) << 16) | (static_cast<uint32_t>(head[3]) << 24);
    if (n > kMaxFrameBytes) return IoStatus::Malformed;
    payload.reserve(std::min<size_t>(n, kChunk));
    return ReceiveAll(fd, payload, n, rest);
}

}  // namespace nifb
