#include "simulator/hse/HseServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
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

uint32_t Be32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

// A session over TCP is told apart from a datagram peer with the same address and port.
constexpr uint64_t kStreamKey = 1ull << 48;

}  // namespace

// One accepted TCP connection, shared by the receiving thread and the session answering on
// it; the socket closes with the last of them.
class HseServer::StreamLink {
public:
    explicit StreamLink(int fd) : fd_(fd) {}
    ~StreamLink() { ::close(fd_); }
    int Fd() const { return fd_; }
    // Writes a whole message or breaks the connection: part of one would misframe the rest.
    // A peer that stops reading is given the socket's send timeout.
    void Write(const std::vector<uint8_t>& bytes) {
        std::lock_guard<std::mutex> lock(mutex_);
        size_t sent = 0;
        while (!broken_ && sent < bytes.size()) {
            const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n > 0) sent += static_cast<size_t>(n);
            else if (n < 0 && errno == EINTR) continue;
            else Break();
        }
    }
    // Ends both directions; the receiving thread then sees the end of the stream.
    void Break() {
        broken_ = true;
        ::shutdown(fd_, SHUT_RDWR);
    }

private:
    int fd_;
    std::mutex mutex_;
    std::atomic<bool> broken_{false};
};

struct HseServer::Connection {
    Peer peer;
    std::vector<uint8_t> rx;           // bytes of the frame in progress
    Clock::time_point partialSince{};  // when that frame began
    bool closed = false;
};

namespace {

uint64_t KeyOf(const sockaddr_in& a, bool stream) { return PeerKey(a) | (stream ? kStreamKey : 0); }

}  // namespace

// One FDA session: its translator, the requests waiting, and the answers already sent.
class HseServer::Session {
public:
    Session(HseServer& server, Peer peer, uint32_t index, uint16_t inactivitySeconds)
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
    const Peer& GetPeer() const { return peer_; }
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
    Peer peer_;
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
    // The datagram socket first, then the stream socket on the port it got; when any port
    // will do and that one is taken for TCP, another pair is tried.
    for (int attempt = 0;; ++attempt) {
        local.sin_port = htons(port);
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
        listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        if (listenFd_ >= 0) ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (listenFd_ >= 0 && ::bind(listenFd_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
            ::listen(listenFd_, static_cast<int>(kMaxConnections)) == 0)
            break;
        const int why = errno;
        if (listenFd_ >= 0) ::close(listenFd_);
        ::close(fd_);
        fd_ = listenFd_ = -1;
        if (port != 0 || attempt >= 8) {
            error = "cannot listen for HSE on tcp " + address + ":" + std::to_string(port_) + ": " + std::strerror(why);
            return 1;
        }
    }
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
    for (auto& c : connections_) c->peer.link->Break();
    connections_.clear();
    connectionCount_ = 0;
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

size_t HseServer::SessionCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return sessions_.size();
}

void HseServer::Send(const Peer& to, const Message& m) {
    const std::vector<uint8_t> bytes = EncodeMessage(m);
    if (to.link) to.link->Write(bytes);
    else ::sendto(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&to.addr), sizeof to.addr);
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
    for (auto& s : expired) {
        log_(1, "HSE session " + std::to_string(s->Index()) + " closed after inactivity");
        if (s->GetPeer().link) s->GetPeer().link->Break();
    }
}

void HseServer::Receive() {
    std::vector<uint8_t> buffer(kMaxMessageBytes + 1);
    auto lastSweep = Clock::now();
    while (!stop_) {
        std::vector<pollfd> fds{{fd_, POLLIN, 0}, {listenFd_, POLLIN, 0}};
        for (const auto& c : connections_) fds.push_back({c->peer.link->Fd(), POLLIN, 0});
        if (::poll(fds.data(), fds.size(), 200) > 0) {
            if (fds[0].revents) ReceiveDatagram(buffer);
            for (size_t i = 0; i < connections_.size(); ++i)
                if (fds[i + 2].revents) ReceiveStream(*connections_[i], buffer);
            if (fds[1].revents) Accept();
        }
        // A frame left unfinished holds its connection's buffer: not for longer than the limit.
        const auto now = Clock::now();
        for (auto& c : connections_)
            if (!c->closed && !c->rx.empty() && now - c->partialSince > std::chrono::milliseconds(stallLimitMs_))
                CloseConnection(*c, "a message unfinished for " + std::to_string(stallLimitMs_) + " ms");
        std::erase_if(connections_, [](const auto& c) { return c->closed; });
        connectionCount_ = connections_.size();
        if (now - lastSweep > std::chrono::seconds(1)) {
            Sweep();
            lastSweep = now;
        }
    }
}

void HseServer::ReceiveDatagram(std::vector<uint8_t>& buffer) {
    Peer peer;
    socklen_t len = sizeof peer.addr;
    const ssize_t n =
        ::recvfrom(fd_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&peer.addr), &len);
    if (n < 0) return;
    Message m;
    std::string why;
    if (static_cast<size_t>(n) > kMaxMessageBytes) {
        Malformed(peer, "longer than " + std::to_string(kMaxMessageBytes) + " bytes");
    } else if (!DecodeMessage(buffer.data(), static_cast<size_t>(n), m, why)) {
        Malformed(peer, why);
    } else if (m.type == MsgType::Request) {
        Dispatch(peer, std::move(m));
    }
}

void HseServer::Malformed(const Peer& peer, const std::string& why) {
    const uint64_t count = ++malformed_;
    log_(1, std::string("malformed HSE ") + (peer.link ? "message on the TCP connection of " : "datagram from ") +
                PeerText(peer.addr) + " (" + why + "; " + std::to_string(count) + " so far)");
}

void HseServer::Accept() {
    Peer peer;
    socklen_t len = sizeof peer.addr;
    const int fd = ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer.addr), &len, SOCK_CLOEXEC);
    if (fd < 0) return;
    if (connections_.size() >= kMaxConnections) {
        log_(1, "HSE connection from " + PeerText(peer.addr) + " refused: " + std::to_string(kMaxConnections) +
                    " connections already");
        ::close(fd);
        return;
    }
    const timeval sendLimit{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    peer.link = std::make_shared<StreamLink>(fd);
    auto c = std::make_unique<Connection>();
    c->peer = std::move(peer);
    log_(1, "HSE connection from " + PeerText(c->peer.addr));
    connections_.push_back(std::move(c));
    connectionCount_ = connections_.size();
}

bool HseServer::ReceiveStream(Connection& c, std::vector<uint8_t>& buffer) {
    if (c.closed) return false;
    const ssize_t n = ::recv(c.peer.link->Fd(), buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return true;
    if (n <= 0) {
        CloseConnection(c, n == 0 ? "closed" : std::string("failed: ") + std::strerror(errno));
        return false;
    }
    const auto now = Clock::now();
    if (c.rx.empty()) c.partialSince = now;
    c.rx.insert(c.rx.end(), buffer.begin(), buffer.begin() + n);
    while (c.rx.size() >= kHeaderBytes) {
        // The header's length frames the message; a stream whose frames cannot be trusted
        // cannot be resynchronised, so the connection closes.
        const uint32_t length = Be32(c.rx.data() + 8);
        if (length < kHeaderBytes || length > kMaxMessageBytes) {
            Malformed(c.peer, "message length " + std::to_string(length));
            CloseConnection(c, "closed after a malformed message");
            return false;
        }
        if (c.rx.size() < length) break;
        Message m;
        std::string why;
        const bool ok = DecodeMessage(c.rx.data(), length, m, why);
        c.rx.erase(c.rx.begin(), c.rx.begin() + length);
        c.partialSince = now;
        if (!ok) {
            Malformed(c.peer, why);
            CloseConnection(c, "closed after a malformed message");
            return false;
        }
        if (m.type == MsgType::Request) Dispatch(c.peer, std::move(m));
    }
    return true;
}

void HseServer::CloseConnection(Connection& c, const std::string& why) {
    if (c.closed) return;
    c.closed = true;
    c.rx.clear();
    c.peer.link->Break();
    std::shared_ptr<Session> ended;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = sessions_.find(KeyOf(c.peer.addr, true));
        if (it != sessions_.end() && it->second->GetPeer().link == c.peer.link) {
            ended = it->second;
            sessions_.erase(it);
        }
    }
    log_(1, "HSE connection from " + PeerText(c.peer.addr) + " " + why +
                (ended ? "; session " + std::to_string(ended->Index()) + " ended" : ""));
    ended.reset();  // finishes its request in progress first
}

void HseServer::Dispatch(const Peer& peer, Message m) {
    const uint64_t key = KeyOf(peer.addr, peer.link != nullptr);
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

void HseServer::Open(const Peer& peer, uint64_t key, std::shared_ptr<Session> session, Message m) {
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
        log_(1, "HSE session " + std::to_string(session->Index()) + " replaced by a new one of " + PeerText(peer.addr));
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
    log_(1, "HSE session " + std::to_string(granted.sessionIndex) + " opened by " + PeerText(peer.addr) + (peer.link ? " over TCP" : ""));
    Send(peer, answer);
}

}  // namespace simulator::hse
