#include "nifb/SocketSession.h"

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "nifb/FrameIo.h"
#include "nifb/nifb.h"

namespace nifb {

SocketSession::SocketSession(std::string socketPath) : path_(std::move(socketPath)) {}

SocketSession::~SocketSession() { CloseAll(); }

void SocketSession::CloseAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int fd : idle_) ::close(fd);
    idle_.clear();
}

int SocketSession::Connect() {
    sockaddr_un addr{};
    if (path_.size() >= sizeof(addr.sun_path)) return -1;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path_.c_str(), path_.size() + 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

Response SocketSession::Exchange(int fd, const Request& request, bool& ioOk) {
    Response response;
    std::vector<uint8_t> frame;
    ioOk = WriteFrame(fd, EncodeRequest(request)) && ReadFrame(fd, frame) && DecodeResponse(frame, response);
    if (!ioOk) return Fail(E_SERVER_CONNECTION_LOST);
    return response;
}

int SocketSession::Borrow(int& status) {
    uint32_t session;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!idle_.empty()) {
            int fd = idle_.back();
            idle_.pop_back();
            return fd;
        }
        session = session_;
    }
    int fd = Connect();
    if (fd < 0) {
        status = E_SERVER_CONNECTION_LOST;
        return -1;
    }
    Request attach;
    attach.op = Op::AttachSession;
    attach.desc = session;
    bool ioOk;
    Response r = Exchange(fd, attach, ioOk);
    if (!ioOk || r.status != E_OK) {
        ::close(fd);
        status = ioOk ? r.status : E_SERVER_CONNECTION_LOST;
        return -1;
    }
    return fd;
}

void SocketSession::Return(int fd) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_)
        ::close(fd);
    else
        idle_.push_back(fd);
}

Response SocketSession::Call(const Request& request) {
    if (lost_) return Fail(E_SERVER_CONNECTION_LOST);
    if (request.op == Op::OpenSession) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (open_) return Fail(E_BAD_ARGUMENT);
        }
        int fd = Connect();
        if (fd < 0) return Fail(E_SERVER_NOT_RESPONDING);
        bool ioOk;
        Response r = Exchange(fd, request, ioOk);
        if (!ioOk) {
            ::close(fd);
            return Fail(E_SERVER_NOT_RESPONDING);
        }
        if (r.status != E_OK) {
            ::close(fd);
            return r;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        session_ = r.value[0];
        open_ = true;
        idle_.push_back(fd);
        return r;
    }
    int status = E_OK;
    int fd = Borrow(status);
    if (fd < 0) {
        if (status == E_SERVER_CONNECTION_LOST) lost_ = true;
        return Fail(status);
    }
    bool ioOk;
    Response r = Exchange(fd, request, ioOk);
    if (!ioOk) {
        ::close(fd);
        lost_ = true;
        CloseAll();
        return r;
    }
    bool sessionClosed = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (request.op == Op::Close && request.desc == session_ && r.status == E_OK) {
            closed_ = true;
            sessionClosed = true;
        }
    }
    Return(fd);
    if (sessionClosed) CloseAll();
    return r;
}

}  // namespace nifb
