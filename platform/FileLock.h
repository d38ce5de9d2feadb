#pragma once
// An advisory inter-process lock on a companion lock file (kept beside the locked file so
// that replacing the file by rename does not lose the lock).
#include <string>

namespace platform {

class FileLock {
public:
    FileLock(const std::string& lockPath, bool exclusive);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Locked() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Creates a folder and the folders above it; new folders get `mode`.
bool MakeDirectories(const std::string& path, unsigned mode = 0755);

}  // namespace platform
