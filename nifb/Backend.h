#pragma once
// Whatever serves the library's calls: a server reached over its socket, or a simulated
// segment hosted in this process. Call may block (a device that does not answer); closing
// the descriptor it waits on from another thread makes it return.
#include <memory>

#include "nifb/NifbRequest.h"

namespace nifb {

class Backend {
public:
    virtual ~Backend() = default;
    virtual Response Call(const Request& request) = 0;
};

// Sessions opened from now on use `backend` instead of the server (nullptr: the server
// again). Descriptors opened through an earlier in-process backend become invalid.
void UseInProcessBackend(std::shared_ptr<Backend> backend);

// Sends a simulator control command (JSON text) through the session's transport; the
// answer text goes to `answer`. Used by tests and the test client for fault injection.
int SendControl(uint32_t session, const std::string& command, std::string& answer);

}  // namespace nifb
