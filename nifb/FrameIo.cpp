#include "nifb/FrameIo.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

#include "nifb/NifbRequest.h"

namespace nifb {

namespace {
bool SendAll(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        ssize_t k = ::send(fd, p, n, MSG_NOSIGNAL);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        p += k;
        n -= static_cast<size_t>(k);
    }
    return true;
}

bool RecvAll(int fd, uint8_t* p, size_t n) {
    while (n > 0) {
        ssize_t k = ::recv(fd, p, n, 0);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        p += k;
        n -= static_cast<size_t>(k);
    }
    return true;
}
}  // namespace

bool WriteFrame(int fd, const std::vector<uint8_t>& payload) {
    if (payload.size() > kMaxFrameBytes) return false;
    uint32_t n = static_cast<uint32_t>(payload.size());
    uint8_t head[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
                       static_cast<uint8_t>(n >> 24)};
    std::vector<uint8_t> all(head, head + 4);
    all.insert(all.end(), payload.begin(), payload.end());
    return SendAll(fd, all.data(), all.size());
}

bool ReadFrame(int fd, std::vector<uint8_t>& payload) {
    uint8_t head[4];
    if (!RecvAll(fd, head, 4)) return false;
    uint32_t n = static_cast<uint32_t>(head[0]) | (static_cast<uint32_t>(head[1]) << 8) |
                 (static_cast<uint32_t>(head[2]) << 16) | (static_cast<uint32_t>(head[3]) << 24);
    if (n > kMaxFrameBytes) return false;
    payload.resize(n);
    return n == 0 || RecvAll(fd, payload.data(), n);
}

}  // namespace nifb
