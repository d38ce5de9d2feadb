#include "simulator/SocketServer.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "nifb/FrameIo.h"
#include "nifb/SocketPath.h"

namespace simulator {

namespace {
constexpr std::chrono::seconds kFrameCompleteWithin{30};
}

SocketServer::SocketServer(std::shared_ptr<SegmentBackend> backend, std::string socketPath)
    : backend_(std::move(backend)), path_(std::move(socketPath)), lockPath_(path_ + ".lock"), trustedUid_(::getuid()) {}

SocketServer::~SocketServer() { Stop(); }

int SocketServer::Start(std::string& error) {
    sockaddr_un addr{};
    if (path_.empty() || path_.size() >= sizeof(addr.sun_path)) {
        error = "socket path '" + path_ + "' is empty or longer than " + std::to_string(sizeof(addr.sun_path) - 1) +
                " characters";
        return 1;
    }
    if (!nifb::PrepareSocketFolder(path_, error)) return 1;
    lockFd_ = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) {
        error = "cannot create lock file " + lockPath_ + ": " + std::strerror(errno);
        return 1;
    }
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        error = "another nifb server is already running on " + path_;
        ::close(lockFd_);
        lockFd_ = -1;
        return 1;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path_.c_str(), path_.size() + 1);
    // A socket file left by a server that died: nobody answers on it, so it goes.
    int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe >= 0) {
        bool answered = ::connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        ::close(probe);
        if (answered) {
            error = "another nifb server is already answering on " + path_;
            return 1;
        }
    }
    ::unlink(path_.c_str());
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 64) != 0) {
        error = "cannot listen on " + path_ + ": " + std::strerror(errno);
        if (listenFd_ >= 0) ::close(listenFd_);
        listenFd_ = -1;
        return 1;
    }
    ::chmod(path_.c_str(), 0600);
    listening_ = true;
    return 0;
}

void SocketServer::ReapFinished() {
    std::list<std::unique_ptr<Connection>> finished;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            if ((*it)->done) {
                auto next = std::next(it);
                finished.splice(finished.end(), connections_, it);
                it = next;
            } else {
                ++it;
            }
        }
    }
    for (auto& c : finished) {
        if (c->thread.joinable()) c->thread.join();
        ::close(c->fd);
    }
}

size_t SocketServer::ConnectionCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return connections_.size();
}

void SocketServer::Accept() {
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    uid_t uid = 0;
    pid_t pid = 0;
    const bool known = nifb::PeerOf(fd, uid, pid);
    if (!known || uid != trustedUid_) {
        ::close(fd);
        backend_->GetSegment().Log(0, "refused a connection of user " + (known ? std::to_string(uid) : "?"));
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (connections_.size() >= kMaxConnections || perClient_[pid] >= kMaxConnectionsPerClient) {
        if (perClient_[pid] == 0) perClient_.erase(pid);
        ::close(fd);
        backend_->GetSegment().Log(1, "refused a connection of process " + std::to_string(pid) + ": too many");
        return;
    }
    ++perClient_[pid];
    auto c = std::make_unique<Connection>();
    c->fd = fd;
    c->pid = pid;
    Connection* raw = c.get();
    connections_.push_back(std::move(c));
    raw->thread = std::thread([this, raw] { Serve(raw); });
}

void SocketServer::Run(int stopFd) {
    while (listening_) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopFd, POLLIN, 0}};
        int n = ::poll(fds, stopFd >= 0 ? 2 : 1, 200);
        backend_->Poll();
        ReapFinished();
        if (n < 0 && errno != EINTR) break;
        if (n <= 0) continue;
        if (stopFd >= 0 && (fds[1].revents & POLLIN)) break;
        if (fds[0].revents & POLLIN) Accept();
    }
}

void SocketServer::Serve(Connection* c) {
    uint32_t session = 0;
    bool owner = false;  // this connection opened the session
    std::vector<uint8_t> frame;
    for (;;) {
        // A connection without a session has a little while to get one. A frame, once
        // begun, must arrive whole within a while; a client that stops reading its answers
        // is dropped.
        nifb::Deadline firstByte =
            session == 0 ? std::chrono::steady_clock::now() + kIdleWithoutSession : nifb::kNoDeadline;
        if (nifb::ReceiveFrame(c->fd, frame, firstByte, kFrameCompleteWithin) != nifb::IoStatus::Ok) break;
        nifb::Request request;
        if (!nifb::DecodeRequest(frame, request)) break;  // not our protocol: drop the peer
        frame = std::vector<uint8_t>();                   // a long frame's memory goes at once
        const uint32_t before = session;
        nifb::Response response = backend_->Serve(request, session);
        if (before == 0 && session != 0 && request.op == nifb::Op::OpenSession) owner = true;
        if (nifb::SendFrame(c->fd, nifb::EncodeResponse(response),
                            std::chrono::steady_clock::now() + kFrameCompleteWithin) != nifb::IoStatus::Ok)
            break;
    }
    // A session belongs to the connection that opened it.
    if (owner) backend_->CloseSession(session);
    ::shutdown(c->fd, SHUT_RDWR);
    {
        // The client may connect again at once; the thread is reaped later.
        std::lock_guard<std::mutex> lock(mutex_);
        if (--perClient_[c->pid] == 0) perClient_.erase(c->pid);
    }
    c->done = true;
}

void SocketServer::Stop() {
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        listenFd_ = -1;
        ::unlink(path_.c_str());
    }
    listening_ = false;
    backend_->Shutdown();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& c : connections_) ::shutdown(c->fd, SHUT_RDWR);
    }
    std::list<std::unique_ptr<Connection>> all;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        all.swap(connections_);
    }
    for (auto& c : all) {
        if (c->thread.joinable()) c->thread.join();
        ::close(c->fd);
    }
    if (lockFd_ >= 0) {
        // The lock file stays: removing it could let two servers lock different files.
        ::close(lockFd_);
        lockFd_ = -1;
    }
}

}  // namespace simulator
