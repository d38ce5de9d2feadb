#include "cli/ServerPresence.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "nifb/SocketPath.h"

namespace cli {

bool ServerSocketListening(std::string& path) {
    path = nifb::DefaultSocketPath();
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    // Accepted into the queue, or the queue is full: a listener is there either way.
    const int connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const bool listening = connected == 0 || errno == EAGAIN || errno == EINPROGRESS;
    ::close(fd);
    return listening;
}

}  // namespace cli
