#include "nifb/SocketSession.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "nifb/SocketPath.h"
#include "nifb/nifb.h"

namespace nifb {

namespace {

using Clock = std::chrono::steady_clock;

// Bus time of a request's bytes at 31.25 kbit/s, twice over: the extra time a long call
// (a domain download) may take.
std::chrono::milliseconds BusAllowance(const Request& r) {
    uint64_t bytes = r.data.size() + r.name.size();
    return std::chrono::milliseconds(bytes * 8 * 2 / 31);
}

Deadline CallDeadline(const Request& r) {
    return Clock::now() + std::chrono::milliseconds(CallLimitMs()) + BusAllowance(r);
}

}  // namespace

SocketSession::SocketSession(std::string socketPath) : path_(std::move(socketPath)) {}

SocketSession::~SocketSession() { CloseAll(); }

void SocketSession::CloseAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    for (int fd : idle_) ::close(fd);
    idle_.clear();
    // Calls in progress return at once; each closes its own socket.
    for (int fd : busy_) ::shutdown(fd, SHUT_RDWR);
    if (anchor_ >= 0) ::close(anchor_);
    anchor_ = -1;
}

int SocketSession::Connect(Deadline by, CallToken* token, int& status) {
    sockaddr_un addr{};
    status = E_SERVER_CONNECTION_LOST;
    if (path_.empty() || path_.size() >= sizeof(addr.sun_path)) {
        status = E_CONFIG_ERROR;  // no safe place to look for the server
        return -1;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path_.c_str(), path_.size() + 1);
    for (;;) {
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return -1;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) {
            // Only a server of the user we trust hears our requests.
            uid_t uid = 0;
            pid_t pid = 0;
            if (PeerOf(fd, uid, pid) && uid == TrustedServerUid()) return fd;
            ::close(fd);
            status = E_CONFIG_ERROR;
            return -1;
        }
        int err = errno;
        ::close(fd);
        // A full backlog (a server that stopped accepting): try again until the limit.
        if (err != EAGAIN || Clock::now() >= by || (token && token->Cancelled())) {
            if (err == EAGAIN) status = token && token->Cancelled() ? E_INVALID_DESCRIPTOR : E_SERVER_NOT_RESPONDING;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

IoStatus SocketSession::Exchange(int fd, const Request& request, Deadline by, Response& response) {
    std::vector<uint8_t> frame;
    IoStatus st = SendFrame(fd, EncodeRequest(request), by);
    if (st == IoStatus::Ok) st = ReceiveFrame(fd, frame, by);
    if (st == IoStatus::Ok && !DecodeResponse(frame, response)) st = IoStatus::Malformed;
    return st;
}

int SocketSession::Borrow(Deadline by, CallToken& token, int& status) {
    Request attach;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) {
            status = E_INVALID_DESCRIPTOR;
            return -1;
        }
        if (!idle_.empty()) {
            int fd = idle_.back();
            idle_.pop_back();
            busy_.insert(fd);
            return fd;
        }
        attach.op = Op::AttachSession;
        attach.desc = session_;
        attach.arg[0] = key_[0];
        attach.arg[1] = key_[1];
    }
    int fd = Connect(by, &token, status);
    if (fd < 0) return -1;
    // The attach is part of the call: a close cancels it too.
    if (!token.Bind(fd)) {
        ::close(fd);
        status = E_INVALID_DESCRIPTOR;
        return -1;
    }
    Response r;
    IoStatus io = Exchange(fd, attach, by, r);
    token.Unbind();
    if (io != IoStatus::Ok || r.status != E_OK) {
        ::close(fd);
        status = token.Cancelled()           ? E_INVALID_DESCRIPTOR
                 : io == IoStatus::TimedOut  ? E_SERVER_NOT_RESPONDING
                 : io != IoStatus::Ok        ? E_SERVER_CONNECTION_LOST
                                             : r.status;
        return -1;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) {
        ::close(fd);
        status = E_INVALID_DESCRIPTOR;
        return -1;
    }
    busy_.insert(fd);
    return fd;
}

void SocketSession::Return(int fd) {
    std::lock_guard<std::mutex> lock(mutex_);
    busy_.erase(fd);
    if (closed_)
        ::close(fd);
    else
        idle_.push_back(fd);
}

void SocketSession::Discard(int fd) {
    std::lock_guard<std::mutex> lock(mutex_);
    busy_.erase(fd);
    ::close(fd);
}

Response SocketSession::OpenSession(const Request& request) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (open_) return Fail(E_BAD_ARGUMENT);
    }
    Deadline by = CallDeadline(request);
    int status = E_OK;
    int fd = Connect(by, nullptr, status);
    if (fd < 0) return Fail(status == E_CONFIG_ERROR ? E_CONFIG_ERROR : E_SERVER_NOT_RESPONDING);
    Response r;
    if (Exchange(fd, request, by, r) != IoStatus::Ok) {
        ::close(fd);
        return Fail(E_SERVER_NOT_RESPONDING);
    }
    if (r.status != E_OK) {
        ::close(fd);
        return r;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    session_ = r.value[0];
    key_[0] = r.value[1];
    key_[1] = r.value[2];
    open_ = true;
    anchor_ = fd;
    return r;
}

Response SocketSession::Call(const Request& request) {
    CallToken token;
    return CallCancellable(request, token);
}

Response SocketSession::CallCancellable(const Request& request, CallToken& token) {
    if (request.op == Op::OpenSession) return OpenSession(request);
    if (lost_) return Fail(E_SERVER_CONNECTION_LOST);
    Deadline by = CallDeadline(request);
    int status = E_OK;
    int fd = Borrow(by, token, status);
    if (fd < 0) {
        if (status == E_SERVER_CONNECTION_LOST) {
            lost_ = true;
            CloseAll();
        }
        return Fail(status);
    }
    if (!token.Bind(fd)) {
        Discard(fd);
        return Fail(E_INVALID_DESCRIPTOR);
    }
    Response response;
    IoStatus io = Exchange(fd, request, by, response);
    token.Unbind();
    if (io == IoStatus::Ok) {
        // A cancel that came after the answer may have shut the socket down.
        if (token.Cancelled())
            Discard(fd);
        else
            Return(fd);
        return response;
    }
    // Whatever happened, this connection is in an unknown state.
    Discard(fd);
    if (token.Cancelled()) return Fail(E_INVALID_DESCRIPTOR);
    if (io == IoStatus::TimedOut) return Fail(E_SERVER_NOT_RESPONDING);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) return Fail(E_INVALID_DESCRIPTOR);
    }
    lost_ = true;
    CloseAll();
    return Fail(E_SERVER_CONNECTION_LOST);
}

void SocketSession::Release(uint32_t desc) {
    Request r;
    r.op = Op::Close;
    r.desc = desc;
    std::vector<uint8_t> frame = EncodeRequest(r);
    std::lock_guard<std::mutex> lock(mutex_);
    if (anchor_ < 0 || anchorJammed_ || lost_) return;
    // Answers to earlier releases are of no interest: read them away so they never fill
    // the socket.
    uint8_t scratch[4096];
    while (::recv(anchor_, scratch, sizeof scratch, MSG_DONTWAIT) > 0) {
    }
    // Never wait here: a server that stopped reading leaves the release undone (the
    // session's end takes the descriptor along).
    if (SendFrame(anchor_, frame, Clock::now()) != IoStatus::Ok) anchorJammed_ = true;
}

void SocketSession::EndSession(uint32_t /*session*/) {
    // The server ends a session when its last connection goes.
    CloseAll();
}

}  // namespace nifb
