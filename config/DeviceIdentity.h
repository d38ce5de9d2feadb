#pragma once
// What a device identifier tells: the manufacturer, the device type and, for the two
// positioner families of this program, the family name.
#include <string>

namespace config {

struct DeviceIdentity {
    std::string manufacturerId;  // characters 1 to 6
    std::string deviceType;      // characters 7 to 10
    std::string family;          // "RPX110", "KPX110", or "" for another device
};

DeviceIdentity IdentityOf(const std::string& deviceId);
// "RPX110 positioner (type 0001)" or "other device (manufacturer 5A5401, type 0A01)".
std::string TypeText(const DeviceIdentity& identity, bool positioner);

}  // namespace config
