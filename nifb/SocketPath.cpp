#include "nifb/SocketPath.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Registry.h"

namespace nifb {

const char* const kNifbRegistryKey = "SOFTWARE\\National Instruments\\NI-FBUS\\CurrentVersion";

namespace {

std::atomic<uid_t> g_trustedServerUid{static_cast<uid_t>(-1)};

// A folder of ours that no one else can enter or write to (not a link to one).
bool IsPrivateFolder(const std::string& path, std::string* problem) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (problem) *problem = path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        if (problem) *problem = path + " is not a folder";
        return false;
    }
    if (st.st_uid != ::getuid()) {
        if (problem) *problem = path + " belongs to another user";
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%03o", static_cast<unsigned>(st.st_mode & 0777));
        if (problem) *problem = path + " is open to other users (mode " + mode + ")";
        return false;
    }
    return true;
}

std::string FallbackFolder() { return "/tmp/tessaro-nifb-" + std::to_string(::getuid()); }

}  // namespace

std::string PerUserSocketPath(std::string* problem) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && IsPrivateFolder(runtime, nullptr)) return std::string(runtime) + "/tessaro-nifb.sock";
    const std::string folder = FallbackFolder();
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 && errno == ENOENT) return folder + "/nifb.sock";  // the server makes it
    if (!IsPrivateFolder(folder, problem)) return std::string();
    return folder + "/nifb.sock";
}

std::string DefaultSocketPath(std::string* problem) {
    const char* env = std::getenv("NIFB_SOCKET");
    if (env && *env) return env;
    std::string fromRegistry;
    if (platform::Registry::Instance().GetString(platform::RegRoot::LocalMachine, kNifbRegistryKey, "Socket",
                                                 fromRegistry) == platform::REG_OK &&
        !fromRegistry.empty())
        return fromRegistry;
    return PerUserSocketPath(problem);
}

bool PrepareSocketFolder(const std::string& socketPath, std::string& error) {
    const std::string folder = FallbackFolder();
    if (socketPath != folder + "/nifb.sock") return true;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot create " + folder + ": " + std::strerror(errno);
        return false;
    }
    std::string problem;
    if (!IsPrivateFolder(folder, &problem)) {
        error = "will not serve in " + folder + ": " + problem;
        return false;
    }
    return true;
}

bool PeerOf(int fd, uid_t& uid, pid_t& pid) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred) return false;
    uid = cred.uid;
    pid = cred.pid;
    return true;
}

void SetTrustedServerUid(uid_t uid) { g_trustedServerUid = uid; }

uid_t TrustedServerUid() {
    uid_t uid = g_trustedServerUid;
    return uid == static_cast<uid_t>(-1) ? ::getuid() : uid;
}

}  // namespace nifb
