#include "nifb/hse/FdaChannel.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "nifb/nifb.h"

namespace nifb::hse {
namespace {

thread_local std::string t_lastProblem;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

constexpr std::chrono::milliseconds kFirstRetry{500};
constexpr std::chrono::milliseconds kLongestRetry{4000};
constexpr std::chrono::milliseconds kCancelCheck{50};

}  // namespace

std::string LastProblem() { return t_lastProblem; }
void SetLastProblem(const std::string& text) { t_lastProblem = text; }

FdaChannel::FdaChannel(Target target) : target_(std::move(target)) {}

FdaChannel::~FdaChannel() { Stop(); }

int FdaChannel::Start(std::string& problem) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(target_.port);
    if (::inet_pton(AF_INET, target_.address.c_str(), &to.sin_addr) != 1) {
        problem = target_.address + " is not an IPv4 address";
        return E_CONFIG_ERROR;
    }
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    // Connected: only the linking device's datagrams reach this socket.
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        problem = "cannot reach " + target_.Text() + ": " + std::strerror(errno);
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        return E_CONFIG_ERROR;
    }
    std::random_device entropy;
    nextNumber_ = std::uniform_int_distribution<uint32_t>(1, 0x7FFFFFFF)(entropy);
    sockaddr_in me{};
    socklen_t len = sizeof me;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&me), &len);
    local_ = {ntohl(me.sin_addr.s_addr), ntohs(me.sin_port)};
    remote_ = {ntohl(to.sin_addr.s_addr), target_.port};
    if (const char* path = std::getenv("NIFB_PCAP"); path && *path) {
        pcap_ = PcapLog::Open(path, problem);
        if (!pcap_) return E_CONFIG_ERROR;
    }
    lastTrafficMs_ = NowMs();
    return E_OK;
}

void FdaChannel::Stop() {
    {
        std::lock_guard<std::mutex> lock(idleMutex_);
        stopping_ = true;
    }
    idleWake_.notify_all();
    if (idle_.joinable()) idle_.join();
    if (fd_ >= 0) {
        // No exchange may be using the socket while it closes.
        std::lock_guard<std::timed_mutex> lock(exchange_);
        ::close(fd_);
        fd_ = -1;
    }
    pcap_.reset();
}

void FdaChannel::Log(const std::vector<uint8_t>& bytes, bool outgoing) {
    if (!pcap_) return;
    // The capture shows the well-known port whatever port the device really listens on,
    // so a reader takes the frames for HSE.
    Endpoint device = remote_;
    Message m;
    std::string why;
    device.port = DecodeMessage(bytes.data(), bytes.size(), m, why) ? PortFor(m.protocol) : kPortFms;
    if (outgoing) pcap_->Udp(local_, device, bytes);
    else pcap_->Udp(device, local_, bytes);
}

int FdaChannel::Exchange(Message request, Message& answer, CallToken* token, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    std::unique_lock<std::timed_mutex> lock(exchange_, std::defer_lock);
    if (!lock.try_lock_until(deadline)) {
        SetLastProblem("the session with the linking device at " + target_.Text() + " is busy beyond the call limit");
        return E_SERVER_NOT_RESPONDING;
    }
    return Transfer(request, &answer, true, 0, token, deadline);
}

int FdaChannel::SendUnconfirmed(Message request, Message* reply, uint8_t replyService, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    std::unique_lock<std::timed_mutex> lock(exchange_, std::defer_lock);
    if (!lock.try_lock_until(deadline)) return E_SERVER_NOT_RESPONDING;
    return Transfer(request, reply, false, replyService, nullptr, deadline);
}

int FdaChannel::Transfer(Message& request, Message* answer, bool confirmed, uint8_t replyService, CallToken* token,
                         Clock::time_point deadline) {
    if (fd_ < 0) return E_SERVER_CONNECTION_LOST;
    request.confirmed = confirmed;
    request.type = MsgType::Request;
    request.messageNumber = nextNumber_++;
    request.invokeId = request.messageNumber;
    const std::vector<uint8_t> bytes = EncodeMessage(request);
    const auto started = Clock::now();
    std::vector<uint8_t> buffer(kMaxMessageBytes + 1);
    auto retry = kFirstRetry;
    auto nextSend = Clock::now();
    bool sent = false;  // the request goes out once even when its time is up already
    while (true) {
        const auto now = Clock::now();
        // A closed descriptor, or the session ending: this exchange is not waited for.
        if ((token && token->Cancelled()) || stopping_) return E_INVALID_DESCRIPTOR;
        if (sent && now >= deadline) break;
        if (now >= nextSend) {
            ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            sent = true;
            Log(bytes, true);
            lastTrafficMs_ = NowMs();
            if (!answer) return E_OK;  // unconfirmed and no reply awaited
            // An unconfirmed query is not repeated: its reply may simply not exist.
            nextSend = confirmed ? now + retry : Clock::time_point::max();
            retry = std::min(retry * 2, kLongestRetry);
        }
        const auto wakeAt = std::min({deadline, nextSend, now + kCancelCheck});
        const int waitMs = static_cast<int>(
            std::max<int64_t>(0, std::chrono::duration_cast<std::chrono::milliseconds>(wakeAt - now).count()));
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, waitMs) <= 0) continue;
        const ssize_t n = ::recv(fd_, buffer.data(), buffer.size(), 0);
        if (n < 0) continue;  // e.g. the port is closed for now: keep trying until the limit
        Log(std::vector<uint8_t>(buffer.begin(), buffer.begin() + n), false);
        Message got;
        std::string why;
        if (static_cast<size_t>(n) > kMaxMessageBytes || !DecodeMessage(buffer.data(), static_cast<size_t>(n), got, why)) {
            ++malformed_;
            continue;
        }
        lastTrafficMs_ = NowMs();
        if (got.messageNumber != request.messageNumber || got.protocol != request.protocol) continue;
        if (confirmed) {
            if (got.type == MsgType::Request || got.service != request.service || !got.confirmed) continue;
        } else if (got.service != replyService || got.confirmed) {
            continue;
        }
        *answer = std::move(got);
        return E_OK;
    }
    if (!confirmed) return E_NOT_FOUND;
    std::string problem = "no answer from the linking device at " + target_.Text() + " within " +
                          std::to_string(std::chrono::round<std::chrono::milliseconds>(deadline - started).count()) +
                          " ms";
    if (const uint64_t bad = malformed_) problem += " (" + std::to_string(bad) + " malformed datagrams dropped)";
    SetLastProblem(problem);
    return E_SERVER_NOT_RESPONDING;
}

void FdaChannel::KeepAlive(uint16_t inactivitySeconds) {
    if (inactivitySeconds == 0 || idle_.joinable()) return;
    const std::chrono::milliseconds every(inactivitySeconds * 1000 / 3);
    idle_ = std::thread([this, every] { IdleLoop(every); });
}

void FdaChannel::IdleLoop(std::chrono::milliseconds every) {
    std::unique_lock<std::mutex> lock(idleMutex_);
    while (!stopping_) {
        idleWake_.wait_for(lock, std::min(every, std::chrono::milliseconds(1000)));
        if (stopping_) return;
        if (NowMs() - lastTrafficMs_ < every.count()) continue;
        lock.unlock();
        Message idle;
        idle.protocol = Protocol::Fda;
        idle.service = service::kFdaIdle;
        Message answer;
        Exchange(idle, answer, nullptr, std::chrono::milliseconds(CallLimitMs()));
        lastTrafficMs_ = NowMs();
        lock.lock();
    }
}

}  // namespace nifb::hse
