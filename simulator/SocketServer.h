#pragma once
// The server side of the library's socket: accepts connections, serves each one on its own
// thread (so calls of several client threads run side by side), ties connections to their
// session and closes a session when its last connection goes away. Only one server may
// own a socket path: a lock file next to the socket keeps a second one out.
#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "simulator/SegmentBackend.h"

namespace simulator {

class SocketServer {
public:
    SocketServer(std::shared_ptr<SegmentBackend> backend, std::string socketPath);
    ~SocketServer();

    // Takes the lock, removes a stale socket and listens. 0, or 1 with `error`.
    int Start(std::string& error);
    // Serves until `stopFd` becomes readable (a signal handler writes to it).
    void Run(int stopFd);
    // Stops listening, removes the socket, ends every connection and waits for them.
    void Stop();

private:
    struct Connection {
        int fd = -1;
        std::thread thread;
        std::atomic<bool> done{false};
    };
    void Serve(Connection* c);
    void ReapFinished();

    std::shared_ptr<SegmentBackend> backend_;
    std::string path_;
    std::string lockPath_;
    int listenFd_ = -1;
    int lockFd_ = -1;
    bool listening_ = false;
    std::mutex mutex_;
    std::list<std::unique_ptr<Connection>> connections_;
    std::unordered_map<uint32_t, int> sessionUse_;  // session -> open connections
};

}  // namespace simulator
