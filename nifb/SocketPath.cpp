#include "nifb/SocketPath.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Registry.h"

namespace nifb {

const char* const kNifbRegistryKey = "SOFTWARE\\National Instruments\\NI-FBUS\\CurrentVersion";

std::string PerUserSocketPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) {
        struct stat st {};
        if (stat(runtime, &st) == 0 && S_ISDIR(st.st_mode) && access(runtime, W_OK) == 0)
            return std::string(runtime) + "/tessaro-nifb.sock";
    }
    return "/tmp/tessaro-nifb-" + std::to_string(getuid()) + ".sock";
}

std::string DefaultSocketPath() {
    const char* env = std::getenv("NIFB_SOCKET");
    if (env && *env) return env;
    std::string fromRegistry;
    if (platform::Registry::Instance().GetString(platform::RegRoot::LocalMachine, kNifbRegistryKey,
                                                 "Socket", fromRegistry) == platform::REG_OK &&
        !fromRegistry.empty())
        return fromRegistry;
    return PerUserSocketPath();
}

}  // namespace nifb
