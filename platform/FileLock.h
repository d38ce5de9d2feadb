#pragma once
// An advisory inter-process lock on a companion lock file (kept beside the locked file so
// that replacing the file by rename does not lose the lock).
#include <string>

namespace platform {

class FileLock {
public:
    // How long a lock is waited for before the caller gives up: long enough for any save of
    // another program, short enough that a stuck program cannot freeze this one.
    static constexpr int kDefaultTimeoutMs = 10000;

    FileLock(const std::string& lockPath, bool exclusive, int timeoutMs = kDefaultTimeoutMs);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Locked() const { return fd_ >= 0; }
    // True when the lock file exists but another process held the lock for the whole wait.
    bool TimedOut() const { return timedOut_; }

private:
    int fd_ = -1;
    bool timedOut_ = false;
};

// Creates a folder and the folders above it; new folders get `mode`.
bool MakeDirectories(const std::string& path, unsigned mode = 0755);

}  // namespace platform
