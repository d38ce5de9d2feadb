// A device's identity from its device ID, for a device that has no resource block to read it
// from (a linking device's own H1 interface: management objects only).
#include <cctype>
#include <filesystem>

#include "nifb/dd/DeviceDescription.h"

namespace nifb::dd {

namespace {
bool HexDigits(const std::string& text, size_t from, size_t count, uint32_t& out) {
    if (text.size() < from + count) return false;
    out = 0;
    for (size_t i = from; i < from + count; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!std::isxdigit(c)) return false;
        out = out * 16 + static_cast<uint32_t>(std::isdigit(c) ? c - '0' : std::toupper(c) - 'A' + 10);
    }
    return true;
}
}  // namespace

bool IdentityOfDeviceId(const std::string& deviceId, uint32_t& manufacturerId, uint16_t& deviceType) {
    uint32_t manufacturer = 0, type = 0;
    if (!HexDigits(deviceId, 0, 6, manufacturer) || !HexDigits(deviceId, 6, 4, type)) return false;
    manufacturerId = manufacturer;
    deviceType = static_cast<uint16_t>(type);
    return true;
}

uint8_t LatestDescribedRevision(const std::string& folder, uint32_t manufacturerId, uint16_t deviceType) {
    uint8_t latest = 0;
    for (unsigned revision = 1; revision <= 0xFF; ++revision) {
        std::error_code ec;
        const std::string path = DescriptionPath(folder, manufacturerId, deviceType, static_cast<uint8_t>(revision));
        if (std::filesystem::is_regular_file(path, ec)) latest = static_cast<uint8_t>(revision);
    }
    return latest;
}

}  // namespace nifb::dd
