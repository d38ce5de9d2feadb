// Cancelling a call in progress, and the limit on how long a call waits for the server.
#include <atomic>
#include <cstdlib>
#include <sys/socket.h>

#include "nifb/Backend.h"

namespace nifb {

bool CallToken::Bind(int fd) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (cancelled_) return false;
    fd_ = fd;
    return true;
}

void CallToken::Unbind() {
    std::lock_guard<std::mutex> lock(mutex_);
    fd_ = -1;
}

void CallToken::Cancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    // The socket stays open (its owner closes it); shutting it down ends the owner's wait.
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

bool CallToken::Cancelled() {
    std::lock_guard<std::mutex> lock(mutex_);
    return cancelled_;
}

namespace {
std::atomic<uint32_t> g_callLimitMs{0};

uint32_t FromEnvironment() {
    const char* text = std::getenv("NIFB_CALL_LIMIT_MS");
    if (!text || !*text) return kDefaultCallLimitMs;
    char* end = nullptr;
    unsigned long ms = std::strtoul(text, &end, 10);
    if (*end != '\0' || ms < 100 || ms > 3600000) return kDefaultCallLimitMs;
    return static_cast<uint32_t>(ms);
}
}  // namespace

void SetCallLimitMs(uint32_t ms) { g_callLimitMs = ms; }

uint32_t CallLimitMs() {
    uint32_t ms = g_callLimitMs;
    return ms != 0 ? ms : FromEnvironment();
}

}  // namespace nifb
