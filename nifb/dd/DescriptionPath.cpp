// Where descriptions live: one file per manufacturer, device type and device revision.
#include <cstdio>
#include <cstdlib>

#include "nifb/SocketPath.h"
#include "nifb/dd/DeviceDescription.h"
#include "platform/Registry.h"

namespace nifb::dd {

std::string DescriptionPath(const std::string& folder, uint32_t manufacturerId, uint16_t deviceType,
                            uint8_t deviceRevision) {
    char tail[32];
    std::snprintf(tail, sizeof tail, "%06X/%04X/%02X.json", static_cast<unsigned>(manufacturerId),
                  static_cast<unsigned>(deviceType), static_cast<unsigned>(deviceRevision));
    if (folder.empty()) return tail;
    return folder + (folder.back() == '/' ? "" : "/") + tail;
}

std::string DefaultDescriptionFolder() {
    const char* env = std::getenv("NIFB_DD_PATH");
    if (env && *env) return env;
    std::string fromRegistry;
    if (platform::Registry::Instance().GetString(platform::RegRoot::LocalMachine, kNifbRegistryKey,
                                                 "DD Path", fromRegistry) == platform::REG_OK &&
        !fromRegistry.empty())
        return fromRegistry;
#ifdef NIFB_SHIPPED_DD_DIR
    return NIFB_SHIPPED_DD_DIR;
#else
    return "dd";
#endif
}

}  // namespace nifb::dd
