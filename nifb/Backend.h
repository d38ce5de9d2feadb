#pragma once
// Whatever serves the library's calls: a server reached over its socket, or a simulated
// segment hosted in this process. Call may block (a device that does not answer); closing
// the descriptor it waits on from another thread makes it return.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "nifb/NifbRequest.h"

namespace nifb {

// One call in progress: closing its descriptor cancels it, which wakes the transport's
// wait on the connection the call is bound to.
class CallToken {
public:
    // Binds the call to the socket it waits on; false when it was cancelled already.
    bool Bind(int fd);
    void Unbind();
    void Cancel();
    bool Cancelled();

private:
    std::mutex mutex_;
    bool cancelled_ = false;
    int fd_ = -1;
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual Response Call(const Request& request) = 0;
    // The same, cancelled through `token` when its descriptor closes. A backend whose
    // calls end by themselves when a descriptor closes needs no more than Call.
    virtual Response CallCancellable(const Request& request, CallToken& /*token*/) { return Call(request); }
    // Releases a descriptor (not a session) without waiting for an answer: its calls
    // in progress were cancelled already.
    virtual void Release(uint32_t desc) {
        Request r;
        r.op = Op::Close;
        r.desc = desc;
        Call(r);
    }
    // Ends the session with everything opened through it, without waiting.
    virtual void EndSession(uint32_t session) { Release(session); }
};

// Sessions opened from now on use `backend` instead of the server (nullptr: the server
// again). Descriptors opened through an earlier in-process backend become invalid.
void UseInProcessBackend(std::shared_ptr<Backend> backend);

// Sends a simulator control command (JSON text) through the session's transport; the
// answer text goes to `answer`. Used by tests and the test client for fault injection.
int SendControl(uint32_t session, const std::string& command, std::string& answer);

// What went wrong on the way to a linking device in this thread's last failed call over
// HSE ("" otherwise), e.g. "no answer from the linking device at 10.0.0.5:1090 within 30000 ms".
std::string TransportProblem();

// How long a call waits for the server before it gives up with E_SERVER_NOT_RESPONDING:
// kDefaultCallLimitMs, or NIFB_CALL_LIMIT_MS from the environment, or what was set here
// (0: back to those). A call that carries many bytes (a domain download) gets the bus time
// of its bytes on top. The longest legitimate call is a transaction with a device that
// stopped answering (the segment's response time-out, 4 s by default, at most 20 s) behind
// a busy bus with the latency on, so the default leaves a wide margin.
constexpr uint32_t kDefaultCallLimitMs = 30000;
void SetCallLimitMs(uint32_t ms);
uint32_t CallLimitMs();

}  // namespace nifb
