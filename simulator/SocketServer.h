#pragma once
// The server side of the library's socket: accepts connections of its own user only,
// serves each one on its own thread (so calls of several client threads run side by side),
// ties connections to their session and closes a session when the connection that opened it
// goes away. A client process may hold kMaxConnectionsPerClient connections at a time; a
// connection that has not opened or attached a session within kIdleWithoutSession is
// dropped. Only one server may own a socket path: a lock file next to the socket keeps a
// second one out.
#include <atomic>
#include <chrono>
#include <sys/types.h>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "simulator/SegmentBackend.h"

namespace simulator {

constexpr size_t kMaxConnectionsPerClient = 64;
constexpr size_t kMaxConnections = 1024;
constexpr std::chrono::seconds kIdleWithoutSession{10};

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
    // The user clients must run as (default: the server's own); tests pose as a stranger.
    void SetTrustedUid(uid_t uid) { trustedUid_ = uid; }
    size_t ConnectionCount();

private:
    struct Connection {
        int fd = -1;
        pid_t pid = 0;
        std::thread thread;
        std::atomic<bool> done{false};
    };
    void Accept();
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
    std::unordered_map<pid_t, size_t> perClient_;  // live connections by client process
    std::atomic<uid_t> trustedUid_;
};

}  // namespace simulator
