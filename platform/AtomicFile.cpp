#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr char kTempInfix[] = ".tmp";
constexpr size_t kTempSuffixLength = 6;
constexpr char kTempAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::string RandomSuffix() {
    thread_local std::mt19937 generator(std::random_device{}());
    std::uniform_int_distribution<size_t> pick(0, sizeof kTempAlphabet - 2);
    std::string suffix(kTempSuffixLength, 'X');
    for (char& c : suffix) c = kTempAlphabet[pick(generator)];
    return suffix;
}

// Creates "<path>.tmpXXXXXX" exclusively. The kernel applies the umask to `createMode`.
int CreateTemporary(const std::string& path, unsigned createMode, std::string& tmp) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = path + kTempInfix + RandomSuffix();
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(createMode));
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool IsTemporaryOf(const std::string& entry, const std::string& base) {
    const std::string prefix = base + kTempInfix;
    if (entry.size() != prefix.size() + kTempSuffixLength || entry.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (size_t i = prefix.size(); i < entry.size(); ++i)
        if (std::strchr(kTempAlphabet, entry[i]) == nullptr) return false;
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string* error,
                         std::optional<unsigned> fixedMode) {
    auto fail = [&](const char* step) {
        if (error) *error = std::string(step) + " " + path + ": " + std::strerror(errno);
        return false;
    };
    struct stat existing {};
    const bool replacing = ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    std::string tmp;
    int fd = CreateTemporary(path, fixedMode ? *fixedMode : 0666u, tmp);
    if (fd < 0) return fail("cannot create a temporary file for");
    auto discard = [&](const char* step) {
        int saved = errno;
        if (fd >= 0) ::close(fd);
        ::unlink(tmp.c_str());
        errno = saved;
        return fail(step);
    };
    // A fixed mode is set exactly (the umask may have taken bits away); a replaced file keeps
    // the permissions its owner gave it.
    if (fixedMode ? ::fchmod(fd, static_cast<mode_t>(*fixedMode)) != 0
                  : replacing && ::fchmod(fd, existing.st_mode & 07777) != 0)
        return discard("cannot set the permissions of");
    const char* data = content.data();
    size_t left = content.size();
    while (left > 0) {
        ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return discard("cannot write");
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0) return discard("cannot flush");
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) return discard("cannot flush");
    if (::rename(tmp.c_str(), path.c_str()) != 0) return discard("cannot replace");
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) return false;
    content = buffer.str();
    return true;
}

void RemoveStaleTemporaries(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsTemporaryOf(entry->d_name, base)) ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

}  // namespace platform
