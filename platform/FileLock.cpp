#include "platform/FileLock.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace platform {

FileLock::FileLock(const std::string& lockPath, bool exclusive, int timeoutMs) {
    fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    // A real wait between processes, so it is measured on the wall clock.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const int operation = (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    while (::flock(fd_, operation) != 0) {
        const bool busy = errno == EWOULDBLOCK;
        if ((errno != EINTR && !busy) || std::chrono::steady_clock::now() >= deadline) {
            timedOut_ = busy;
            ::close(fd_);
            fd_ = -1;
            return;
        }
        if (busy) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

FileLock::~FileLock() {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
}

bool MakeDirectories(const std::string& path, unsigned mode) {
    if (path.empty()) return false;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash), mode)) return false;
    if (::mkdir(path.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) return false;
    return true;
}

}  // namespace platform
