#pragma once
// One session with the server over its Unix-domain socket. Each call borrows an idle
// connection (or opens a further one attached to the same session), so calls from several
// threads run side by side. Once the server is gone the session stays lost and every call
// answers E_SERVER_CONNECTION_LOST.
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "nifb/Backend.h"

namespace nifb {

class SocketSession : public Backend {
public:
    explicit SocketSession(std::string socketPath);
    ~SocketSession() override;
    Response Call(const Request& request) override;
    bool IsLost() const { return lost_.load(); }

private:
    int Connect();          // a connected socket or -1
    int Borrow(int& status);  // an idle or new attached connection, or -1 with status
    void Return(int fd);
    Response Exchange(int fd, const Request& request, bool& ioOk);
    void CloseAll();

    std::string path_;
    std::mutex mutex_;
    std::vector<int> idle_;
    uint32_t session_ = 0;
    bool open_ = false;
    bool closed_ = false;
    std::atomic<bool> lost_{false};
};

}  // namespace nifb
