#pragma once
// Whether a Fieldbus server is at the socket the library talks to, answering or not. A server
// that was stopped (SIGSTOP, a debugger) still takes connections into its queue but answers
// no call: starting another one beside it cannot work (the socket is taken), and waiting for
// it to come up would only run into the start-up limit.
#include <string>

namespace cli {

// True when something listens on the library's socket; `path` is that socket.
bool ServerSocketListening(std::string& path);

}  // namespace cli
