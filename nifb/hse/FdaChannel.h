#pragma once
// The datagram path to one linking device: a UDP socket connected to it, the message
// numbers, retries and the capture log. One exchange runs at a time. A request goes out
// again with the same message number when no answer came (500 ms, doubling up to 4 s), so
// the device can tell a retry from a new request; the whole exchange ends by the call limit
// (CallLimitMs). Datagrams that do not decode are counted and dropped, as are answers to
// other message numbers (late answers to earlier tries). While the session is open and
// quiet, an FDA Idle goes out every third of its inactivity close time.
//
// Over TCP (Target::tcp) the same messages are streamed over one connection, each framed by
// the length in its header: nothing is sent twice (the stream is reliable), the wait for an
// answer still ends by the call limit, and a connection the device closes, or a stream that
// can no longer be framed, ends the session with E_SERVER_CONNECTION_LOST.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <thread>

#include "nifb/Backend.h"
#include "platform/TimedMutex.h"
#include "nifb/hse/FdaMessage.h"
#include "nifb/hse/HseTarget.h"
#include "nifb/hse/PcapLog.h"

namespace nifb::hse {

class FdaChannel {
public:
    explicit FdaChannel(Target target);
    ~FdaChannel();

    // Creates the socket and the capture log (NIFB_PCAP). E_OK or E_CONFIG_ERROR; over TCP
    // also E_SERVER_NOT_RESPONDING when the connection is refused or not made by the call
    // limit.
    int Start(std::string& problem);
    // Sends `request` and waits for its answer (a Response or an Error). E_OK,
    // E_SERVER_NOT_RESPONDING (nothing by the call limit), E_INVALID_DESCRIPTOR (cancelled
    // through `token`).
    int Exchange(Message request, Message& answer, CallToken* token, std::chrono::milliseconds limit);
    // Sends an unconfirmed request; with `reply` set, waits up to `limit` for an unconfirmed
    // message of service `replyService` that carries the request's message number.
    int SendUnconfirmed(Message request, Message* reply, uint8_t replyService, std::chrono::milliseconds limit);
    // Starts the keep-alive once the session is open.
    void KeepAlive(uint16_t inactivitySeconds);
    void Stop();

    const Target& GetTarget() const { return target_; }
    uint64_t MalformedCount() const { return malformed_; }

private:
    using Clock = std::chrono::steady_clock;
    int Transfer(Message& request, Message* answer, bool confirmed, uint8_t replyService, CallToken* token,
                 Clock::time_point deadline);
    int TransferStream(Message& request, Message* answer, bool confirmed, uint8_t replyService, CallToken* token,
                       Clock::time_point deadline);
    int Connect(const sockaddr_in& to, std::string& problem);
    // Drops the connection after `why`; E_SERVER_CONNECTION_LOST. Under exchange_.
    int Lost(const std::string& why);
    // The next whole message in rx_: 1 taken into `out`, 0 not yet all there, -1 the stream
    // cannot be framed any more (`why` says how). A frame that is whole but does not decode
    // is counted and skipped.
    int NextFrame(Message& out, std::string& why);
    void Log(const std::vector<uint8_t>& bytes, bool outgoing);
    void IdleLoop(std::chrono::milliseconds every);

    Target target_;
    int fd_ = -1;
    Endpoint local_, remote_;
    std::shared_ptr<PcapLog> pcap_;
    std::unique_ptr<TcpFlow> flow_;  // over TCP, with a capture
    std::vector<uint8_t> rx_;        // over TCP: bytes received and not yet framed
    platform::TimedMutex exchange_;
    // Message numbers start anywhere in the lower half of their range: a process that gets
    // the UDP port of one that ended without closing its session must not be taken for a
    // repeat of that session's opening (and be given its remembered answers).
    uint32_t nextNumber_ = 1;
    std::atomic<uint64_t> malformed_{0};
    std::atomic<int64_t> lastTrafficMs_{0};
    std::mutex idleMutex_;
    std::condition_variable idleWake_;
    std::atomic<bool> stopping_{false};
    std::thread idle_;
};

// The transport problem of the last call of this thread that failed on the way to a
// linking device ("" when none): what the library says beside E_SERVER_NOT_RESPONDING.
std::string LastProblem();
void SetLastProblem(const std::string& text);

}  // namespace nifb::hse
