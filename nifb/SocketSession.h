#pragma once
// One session with the server over its Unix-domain socket. The connection that opened the
// session anchors it: it stays open as long as the session and carries the releases of
// descriptors, which are sent without waiting for their answer. Each call borrows an idle
// connection (or opens a further one attached to the same session), so calls from several
// threads run side by side. Every wait has a limit: a server that stops answering makes a
// call give up with E_SERVER_NOT_RESPONDING and its connection is dropped; a server that is
// gone loses the session for good (E_SERVER_CONNECTION_LOST).
#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "nifb/Backend.h"
#include "nifb/FrameIo.h"

namespace nifb {

class SocketSession : public Backend {
public:
    explicit SocketSession(std::string socketPath);
    ~SocketSession() override;
    Response Call(const Request& request) override;
    Response CallCancellable(const Request& request, CallToken& token) override;
    void Release(uint32_t desc) override;
    void EndSession(uint32_t session) override;
    bool IsLost() const { return lost_.load(); }

private:
    int Connect(Deadline by, CallToken* token, int& status);  // a connected socket, or -1
    int Borrow(Deadline by, CallToken& token, int& status);  // an idle or new attached connection, or -1
    void Return(int fd);
    void Discard(int fd);
    IoStatus Exchange(int fd, const Request& request, Deadline by, Response& response);
    Response OpenSession(const Request& request);
    void CloseAll();

    std::string path_;
    std::mutex mutex_;
    std::vector<int> idle_;
    std::set<int> busy_;
    int anchor_ = -1;
    bool anchorJammed_ = false;
    uint32_t session_ = 0;
    uint32_t key_[2] = {0, 0};  // proves to the server that a further connection is ours
    bool open_ = false;
    bool closed_ = false;
    std::atomic<bool> lost_{false};
};

}  // namespace nifb
