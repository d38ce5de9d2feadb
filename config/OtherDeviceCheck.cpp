#include "config/OtherDeviceCheck.h"

#include <strings.h>

#include <cctype>

#include "config/DeviceIdentity.h"

namespace config {

std::string OtherDeviceQuestion(const GeneralGroup& file, const std::string& targetId, const std::string& tag) {
    if (file.manufacturerId.empty()) return {};
    std::string sourceId = file.manufacturerId;
    sourceId.insert(0, sourceId.size() < 6 ? 6 - sourceId.size() : 0, '0');
    for (char& c : sourceId) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string type = file.deviceType;
    type.insert(0, type.size() < 4 ? 4 - type.size() : 0, '0');
    const DeviceIdentity source = IdentityOf(sourceId + type);
    const DeviceIdentity target = IdentityOf(targetId);
    const bool sameFamily = strcasecmp(source.manufacturerId.c_str(), target.manufacturerId.c_str()) == 0;
    const bool sameType = strcasecmp(source.deviceType.c_str(), target.deviceType.c_str()) == 0;
    if (sameFamily && sameType) return {};
    return "The file was read from " + TypeText(source, !source.family.empty()) + "; " + tag + " is " +
           (sameFamily ? "" : "of another family: ") + TypeText(target, !target.family.empty()) + ".\r\n" +
           "Members the device lacks are skipped, but values meant for the other device are written.\r\n\r\n"
           "Do you want to download the file to this device anyway ?";
}

}  // namespace config
