#include "config/DeviceIdentity.h"

#include <strings.h>

namespace config {

DeviceIdentity IdentityOf(const std::string& deviceId) {
    const size_t first = deviceId.find_first_not_of(' ');
    const std::string id = first == std::string::npos ? std::string() : deviceId.substr(first);
    DeviceIdentity identity;
    identity.manufacturerId = id.substr(0, 6);
    identity.deviceType = id.size() > 6 ? id.substr(6, 4) : std::string();
    if (strcasecmp(identity.manufacturerId.c_str(), "42524B") == 0) identity.family = "RPX110";
    if (strcasecmp(identity.manufacturerId.c_str(), "4B5445") == 0) identity.family = "KPX110";
    return identity;
}

std::string TypeText(const DeviceIdentity& identity, bool positioner) {
    if (positioner) return identity.family + " positioner (type " + identity.deviceType + ")";
    return "other device (manufacturer " + identity.manufacturerId + ", type " + identity.deviceType + ")";
}

}  // namespace config
