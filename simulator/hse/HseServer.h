#pragma once
// The simulator as an HSE linking device: serves the segment over UDP to FDA sessions, in
// addition to the library's socket. Each peer (address and port) may hold one session,
// opened with FDA Open Session and closed after its inactivity close time without a
// message. Requests of a session run in order on a thread of their own, so one slow device
// stalls no other session. A request repeated with the message number of one in progress
// is dropped; one repeated after its answer went out gets that answer again, so a retried
// write is not carried out twice; a repeat older than the answers kept is dropped. Malformed datagrams are counted and logged, never answered.
//
// The same address and port also accept TCP connections (at most kMaxConnections), each
// carrying one session whose messages are framed by the length in their header. A length
// outside the message bounds, a frame that does not decode, or a frame left unfinished for
// longer than the stall limit closes the connection (a stream cannot be resynchronised);
// closing the connection ends its session.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <netinet/in.h>
#include <thread>
#include <vector>

#include "nifb/hse/FdaMessage.h"
#include "simulator/SegmentBackend.h"

namespace simulator::hse {

constexpr size_t kMaxSessions = 64;
constexpr size_t kMaxQueuedPerSession = 64;
constexpr size_t kRememberedAnswers = 32;
// Bounds of the inactivity close time a client may ask for (seconds).
constexpr uint16_t kMinInactivitySeconds = 5;
constexpr uint16_t kMaxInactivitySeconds = 3600;
constexpr size_t kMaxConnections = 16;
constexpr int kDefaultStallLimitMs = 5000;

class HseServer {
public:
    HseServer(std::shared_ptr<SegmentBackend> backend, std::function<void(int, const std::string&)> log);
    ~HseServer();

    // Binds `address` ("127.0.0.1"; IPv4) at `port` (0: any free port) and starts serving.
    // 0, or 1 with `error`.
    int Start(const std::string& address, uint16_t port, std::string& error);
    void Stop();
    uint16_t Port() const { return port_; }
    uint64_t MalformedCount() const { return malformed_; }
    size_t SessionCount();
    size_t ConnectionCount() const { return connectionCount_; }
    // How long a TCP frame may stay unfinished before its connection is closed.
    void SetStallLimitMs(int ms) { stallLimitMs_ = ms; }

private:
    class Session;
    class StreamLink;
    struct Connection;
    // Where a session's answers go: a datagram to `addr`, or the TCP connection `link`.
    struct Peer {
        sockaddr_in addr{};
        std::shared_ptr<StreamLink> link;
    };
    void Receive();
    void ReceiveDatagram(std::vector<uint8_t>& buffer);
    void Accept();
    // Reads what `c` sent and serves its whole frames; false when the connection is to close.
    bool ReceiveStream(Connection& c, std::vector<uint8_t>& buffer);
    void CloseConnection(Connection& c, const std::string& why);
    void Malformed(const Peer& peer, const std::string& why);
    void Send(const Peer& to, const nifb::hse::Message& m);
    void Sweep();
    void Dispatch(const Peer& peer, nifb::hse::Message m);
    void Open(const Peer& peer, uint64_t key, std::shared_ptr<Session> session, nifb::hse::Message m);

    std::shared_ptr<SegmentBackend> backend_;
    std::function<void(int, const std::string&)> log_;
    int fd_ = -1;
    int listenFd_ = -1;
    uint16_t port_ = 0;
    std::vector<std::unique_ptr<Connection>> connections_;  // the receiving thread's
    std::atomic<size_t> connectionCount_{0};
    std::atomic<int> stallLimitMs_{kDefaultStallLimitMs};
    std::atomic<bool> stop_{false};
    std::thread receiver_;
    std::mutex mutex_;
    std::map<uint64_t, std::shared_ptr<Session>> sessions_;  // by peer
    std::atomic<uint64_t> malformed_{0};
    uint32_t nextSessionIndex_ = 1;
};

}  // namespace simulator::hse
