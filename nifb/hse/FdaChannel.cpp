#include "nifb/hse/FdaChannel.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
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

int WaitMs(std::chrono::steady_clock::time_point until) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<int64_t>(left.count(), 0, kCancelCheck.count()));
}

uint32_t Be32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

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
    if (target_.tcp) {
        if (const int st = Connect(to, problem); st != E_OK) return st;
    } else {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        // Connected: only the linking device's datagrams reach this socket.
        if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
            problem = "cannot reach " + target_.Text() + ": " + std::strerror(errno);
            if (fd_ >= 0) ::close(fd_);
            fd_ = -1;
            return E_CONFIG_ERROR;
        }
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
        if (target_.tcp) {
            // One connection carries every protocol: the capture shows it on the FMS port.
            flow_ = std::make_unique<TcpFlow>(pcap_, local_, Endpoint{remote_.ip, kPortFms});
            flow_->Open();
        }
    }
    lastTrafficMs_ = NowMs();
    return E_OK;
}

int FdaChannel::Connect(const sockaddr_in& to, std::string& problem) {
    const std::string where = "the linking device at " + target_.Text() + " over TCP";
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) {
        problem = "cannot reach " + where + ": " + std::strerror(errno);
        return E_CONFIG_ERROR;
    }
    const int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    int error = 0;
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        error = errno;
        if (error == EINPROGRESS) {
            const auto limit = std::chrono::milliseconds(CallLimitMs());
            const auto deadline = Clock::now() + limit;
            error = ETIMEDOUT;
            while (Clock::now() < deadline && !stopping_) {
                pollfd p{fd_, POLLOUT, 0};
                if (::poll(&p, 1, WaitMs(deadline)) <= 0) continue;
                socklen_t len = sizeof error;
                if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
                break;
            }
            if (error == ETIMEDOUT)
                problem = "no connection to " + where + " within " + std::to_string(limit.count()) + " ms";
        }
    }
    if (error != 0) {
        if (problem.empty()) problem = "cannot connect to " + where + ": " + std::strerror(error);
        ::close(fd_);
        fd_ = -1;
        return E_SERVER_NOT_RESPONDING;
    }
    return E_OK;
}

void FdaChannel::Stop() {
    {
        std::lock_guard<std::mutex> lock(idleMutex_);
        stopping_ = true;
    }
    idleWake_.notify_all();
    if (idle_.joinable()) idle_.join();
    {
        // No exchange may be using the socket while it closes.
        std::lock_guard<platform::TimedMutex> lock(exchange_);
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        if (flow_) flow_->Close();
        flow_.reset();
    }
    pcap_.reset();
}

void FdaChannel::Log(const std::vector<uint8_t>& bytes, bool outgoing) {
    if (!pcap_) return;
    if (flow_) {
        flow_->Data(outgoing, bytes);
        return;
    }
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
    std::unique_lock<platform::TimedMutex> lock(exchange_, std::defer_lock);
    if (!lock.try_lock_until(deadline)) {
        SetLastProblem("the session with the linking device at " + target_.Text() + " is busy beyond the call limit");
        return E_SERVER_NOT_RESPONDING;
    }
    return Transfer(request, &answer, true, 0, token, deadline);
}

int FdaChannel::SendUnconfirmed(Message request, Message* reply, uint8_t replyService, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    std::unique_lock<platform::TimedMutex> lock(exchange_, std::defer_lock);
    if (!lock.try_lock_until(deadline)) return E_SERVER_NOT_RESPONDING;
    return Transfer(request, reply, false, replyService, nullptr, deadline);
}

int FdaChannel::Transfer(Message& request, Message* answer, bool confirmed, uint8_t replyService, CallToken* token,
                         Clock::time_point deadline) {
    if (fd_ < 0) {
        SetLastProblem("the connection to the linking device at " + target_.Text() + " was lost");
        return E_SERVER_CONNECTION_LOST;
    }
    request.confirmed = confirmed;
    request.type = MsgType::Request;
    request.messageNumber = nextNumber_++;
    request.invokeId = request.messageNumber;
    if (target_.tcp) return TransferStream(request, answer, confirmed, replyService, token, deadline);
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

int FdaChannel::TransferStream(Message& request, Message* answer, bool confirmed, uint8_t replyService,
                               CallToken* token, Clock::time_point deadline) {
    const auto started = Clock::now();
    const std::vector<uint8_t> bytes = EncodeMessage(request);
    // The whole message goes out, or the stream is broken: a part of one would frame every
    // later message wrongly.
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return Lost(std::string("the connection failed: ") + std::strerror(errno));
        if (sent == 0 && ((token && token->Cancelled()) || stopping_)) return E_INVALID_DESCRIPTOR;
        if (sent == 0 && Clock::now() >= deadline) {
            // Nothing of it went out: the stream is still whole.
            SetLastProblem("the linking device at " + target_.Text() + " took no request over TCP within the call limit");
            return E_SERVER_NOT_RESPONDING;
        }
        if (Clock::now() >= deadline || stopping_)
            return Lost("a request could not be sent whole within the call limit");
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, WaitMs(deadline));
    }
    Log(bytes, true);
    lastTrafficMs_ = NowMs();
    if (!answer) return E_OK;
    std::vector<uint8_t> chunk(16384);
    while (true) {
        Message got;
        std::string why;
        const int framed = NextFrame(got, why);
        if (framed < 0) return Lost(why);
        if (framed > 0) {
            lastTrafficMs_ = NowMs();
            // Answers to other message numbers: late answers to exchanges that ran out of time.
            if (got.messageNumber != request.messageNumber || got.protocol != request.protocol) continue;
            if (confirmed ? (got.type == MsgType::Request || got.service != request.service || !got.confirmed)
                          : (got.service != replyService || got.confirmed))
                continue;
            *answer = std::move(got);
            return E_OK;
        }
        if ((token && token->Cancelled()) || stopping_) return E_INVALID_DESCRIPTOR;
        if (Clock::now() >= deadline) break;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, WaitMs(deadline)) <= 0) continue;
        const ssize_t n = ::recv(fd_, chunk.data(), chunk.size(), 0);
        if (n == 0) return Lost("the linking device at " + target_.Text() + " closed the connection");
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
            return Lost("the connection to the linking device at " + target_.Text() + " failed: " + std::strerror(errno));
        }
        rx_.insert(rx_.end(), chunk.begin(), chunk.begin() + n);
    }
    if (!confirmed) return E_NOT_FOUND;
    std::string problem = "no answer from the linking device at " + target_.Text() + " over TCP within " +
                          std::to_string(std::chrono::round<std::chrono::milliseconds>(deadline - started).count()) +
                          " ms";
    if (const uint64_t bad = malformed_) problem += " (" + std::to_string(bad) + " malformed messages dropped)";
    SetLastProblem(problem);
    return E_SERVER_NOT_RESPONDING;
}

int FdaChannel::NextFrame(Message& out, std::string& why) {
    while (rx_.size() >= kHeaderBytes) {
        // The header's total length frames the message; one outside the bounds leaves no way
        // to find where the next message starts.
        const uint32_t length = Be32(rx_.data() + 8);
        if (length < kHeaderBytes || length > kMaxMessageBytes) {
            why = "the linking device at " + target_.Text() + " sent a message length of " + std::to_string(length) +
                  " bytes";
            return -1;
        }
        if (rx_.size() < length) return 0;
        const std::vector<uint8_t> frame(rx_.begin(), rx_.begin() + length);
        rx_.erase(rx_.begin(), rx_.begin() + length);
        Log(frame, false);
        std::string bad;
        if (DecodeMessage(frame.data(), frame.size(), out, bad)) return 1;
        ++malformed_;
    }
    return 0;
}

int FdaChannel::Lost(const std::string& why) {
    ::close(fd_);
    fd_ = -1;
    rx_.clear();
    if (flow_) flow_->Close();
    flow_.reset();
    SetLastProblem(why);
    return E_SERVER_CONNECTION_LOST;
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
