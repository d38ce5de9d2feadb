#include "simulator/hse/HseServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <optional>
#include <set>
#include <vector>

#include "nifb/hse/FdaServices.h"
#include "simulator/hse/HseTranslator.h"

namespace simulator::hse {

using namespace nifb::hse;
using Clock = std::chrono::steady_clock;

namespace {

uint64_t PeerKey(const sockaddr_in& a) {
    return (static_cast<uint64_t>(ntohl(a.sin_addr.s_addr)) << 16) | ntohs(a.sin_port);
}

std::string PeerText(const sockaddr_in& a) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(a.sin_port));
}

}  // namespace

// One FDA session: its translator, the requests waiting, and the answers already sent.
class HseServer::Session {
public:
    Session(HseServer& server, sockaddr_in peer, uint32_t index, uint16_t inactivitySeconds)
        : server_(server), peer_(peer), index_(index), inactivity_(inactivitySeconds),
          translator_(server.backend_), lastHeard_(Clock::now()) {}
    ~Session() { Finish(); }

    bool Open(int32_t& status) {
        if (!translator_.Open(status)) return false;
        worker_ = std::thread([this] { Work(); });
        return true;
    }
    void Finish() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        if (worker_.joinable()) worker_.join();
    }
    // Queues a request, or answers a repeated one again.
    void Take(Message m) {
        std::lock_guard<std::mutex> lock(mutex_);
        lastHeard_ = Clock::now();
        for (const auto& [number, answer] : answers_)
            if (number == m.messageNumber) {
                server_.Send(peer_, answer);
                return;
            }
        // Message numbers only grow: an old number no longer remembered is a late repeat of a
        // request answered long ago, never carried out again.
        if (inProgress_.count(m.messageNumber) || m.messageNumber <= highest_ || queue_.size() >= kMaxQueuedPerSession)
            return;
        highest_ = m.messageNumber;
        inProgress_.insert(m.messageNumber);
        queue_.push_back(std::move(m));
        wake_.notify_all();
    }
    bool Expired(Clock::time_point now) {
        std::lock_guard<std::mutex> lock(mutex_);
        return queue_.empty() && inProgress_.empty() && now - lastHeard_ > std::chrono::seconds(inactivity_);
    }
    uint32_t Index() const { return index_; }
    void SetOpened(uint32_t messageNumber, Message answer) {
        openNumber_ = messageNumber;
        highest_ = messageNumber;
        openAnswer_ = std::move(answer);
    }
    bool OpenedBy(uint32_t messageNumber) const { return openNumber_ == messageNumber; }
    const Message& OpenAnswer() const { return openAnswer_; }

private:
    void Work() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (true) {
            wake_.wait(lock, [this] { return done_ || !queue_.empty(); });
            if (done_) return;
            Message request = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            std::optional<Message> answer = translator_.Serve(request);
            if (answer) server_.Send(peer_, *answer);
            lock.lock();
            inProgress_.erase(request.messageNumber);
            if (answer) {
                answers_.emplace_back(request.messageNumber, std::move(*answer));
                if (answers_.size() > kRememberedAnswers) answers_.pop_front();
            }
        }
    }

    HseServer& server_;
    sockaddr_in peer_;
    uint32_t index_;
    uint16_t inactivity_;
    HseTranslator translator_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Message> queue_;
    std::set<uint32_t> inProgress_;
    std::deque<std::pair<uint32_t, Message>> answers_;
    Clock::time_point lastHeard_;
    bool done_ = false;
    std::thread worker_;
    uint32_t openNumber_ = 0;
    uint32_t highest_ = 0;  // the highest message number taken
    Message openAnswer_;
};

HseServer::HseServer(std::shared_ptr<SegmentBackend> backend, std::function<void(int, const std::string&)> log)
    : backend_(std::move(backend)), log_(std::move(log)) {}

HseServer::~HseServer() { Stop(); }

int HseServer::Start(const std::string& address, uint16_t port, std::string& error) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
        error = "not an IPv4 address: " + address;
        return 1;
    }
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        error = "cannot listen for HSE on " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        return 1;
    }
    socklen_t len = sizeof local;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &len);
    port_ = ntohs(local.sin_port);
    stop_ = false;
    receiver_ = std::thread([this] { Receive(); });
    return 0;
}

void HseServer::Stop() {
    stop_ = true;
    if (receiver_.joinable()) receiver_.join();
    std::map<uint64_t, std::shared_ptr<Session>> sessions;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        sessions.swap(sessions_);
    }
    sessions.clear();  // each finishes its request in progress first
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

size_t HseServer::SessionCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return sessions_.size();
}

void HseServer::Send(const sockaddr_in& to, const Message& m) {
    const std::vector<uint8_t> bytes = EncodeMessage(m);
    ::sendto(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

void HseServer::Sweep() {
    std::vector<std::shared_ptr<Session>> expired;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto now = Clock::now();
        for (auto it = sessions_.begin(); it != sessions_.end();) {
            if (it->second->Expired(now)) {
                expired.push_back(it->second);
                it = sessions_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& s : expired) log_(1, "HSE session " + std::to_string(s->Index()) + " closed after inactivity");
}

void HseServer::Receive() {
    std::vector<uint8_t> buffer(kMaxMessageBytes + 1);
    auto lastSweep = Clock::now();
    while (!stop_) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 200) > 0) {
            sockaddr_in peer{};
            socklen_t len = sizeof peer;
            const ssize_t n = ::recvfrom(fd_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&peer), &len);
            if (n >= 0) {
                Message m;
                std::string why;
                if (static_cast<size_t>(n) > kMaxMessageBytes || !DecodeMessage(buffer.data(), static_cast<size_t>(n), m, why)) {
                    const uint64_t count = ++malformed_;
                    if (static_cast<size_t>(n) > kMaxMessageBytes) why = "longer than " + std::to_string(kMaxMessageBytes) + " bytes";
                    log_(1, "malformed HSE datagram from " + PeerText(peer) + " (" + why + "; " +
                                std::to_string(count) + " so far)");
                } else if (m.type == MsgType::Request) {
                    Dispatch(peer, std::move(m));
                }
            }
        }
        if (Clock::now() - lastSweep > std::chrono::seconds(1)) {
            Sweep();
            lastSweep = Clock::now();
        }
    }
}

void HseServer::Dispatch(const sockaddr_in& peer, Message m) {
    const uint64_t key = PeerKey(peer);
    std::shared_ptr<Session> session;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = sessions_.find(key);
        if (it != sessions_.end()) session = it->second;
    }
    if (m.protocol == Protocol::Fda && m.service == service::kFdaOpenSession && m.confirmed) {
        Open(peer, key, session, std::move(m));
        return;
    }
    if (session) {
        session->Take(std::move(m));
    } else if (m.confirmed) {
        // No session: the peer's session ended (inactivity, a restart of ours).
        Message error = m;
        error.type = MsgType::Error;
        error.body = Encode(ErrorForStatus(E_SERVER_CONNECTION_LOST));
        Send(peer, error);
    }
}

void HseServer::Open(const sockaddr_in& peer, uint64_t key, std::shared_ptr<Session> session, Message m) {
    Message answer = m;
    answer.type = MsgType::Error;
    OpenSession req;
    if (!Decode(m.body, req)) {
        answer.body = Encode(ErrorForStatus(E_BAD_ARGUMENT));
        Send(peer, answer);
        return;
    }
    // The open repeated (our answer was lost): the same answer again.
    if (session && session->OpenedBy(m.messageNumber)) {
        Send(peer, session->OpenAnswer());
        return;
    }
    if (session) {
        std::lock_guard<std::mutex> lock(mutex_);
        sessions_.erase(key);
        log_(1, "HSE session " + std::to_string(session->Index()) + " replaced by a new one of " + PeerText(peer));
    }
    session.reset();  // the old one finishes its request in progress here
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (sessions_.size() >= kMaxSessions) {
            answer.body = Encode(ErrorForStatus(E_RESOURCES));
            Send(peer, answer);
            return;
        }
    }
    const uint16_t inactivity = std::clamp<uint16_t>(req.inactivityCloseTime, kMinInactivitySeconds, kMaxInactivitySeconds);
    auto fresh = std::make_shared<Session>(*this, peer, nextSessionIndex_++, inactivity);
    int32_t status = E_OK;
    if (!fresh->Open(status)) {
        answer.body = Encode(ErrorForStatus(status));
        Send(peer, answer);
        return;
    }
    OpenSession granted;
    granted.sessionIndex = fresh->Index();
    granted.maxBufferSize = kMaxMessageBytes;
    granted.maxMessageLength = kMaxMessageBytes;
    granted.inactivityCloseTime = inactivity;
    granted.pdTag = kLinkingDeviceTag;
    answer.type = MsgType::Response;
    answer.body = Encode(granted);
    fresh->SetOpened(m.messageNumber, answer);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        sessions_[key] = fresh;
    }
    log_(1, "HSE session " + std::to_string(granted.sessionIndex) + " opened by " + PeerText(peer));
    Send(peer, answer);
}

}  // namespace simulator::hse
