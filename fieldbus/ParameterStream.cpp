#include "fieldbus/ParameterStream.h"

#include <algorithm>
#include <utility>

#include "fieldbus/DeviceParameterStream.h"

namespace fieldbus {

std::string ToDottedName(const std::string& pathName) {
    std::string name = pathName;
    // Presentation suffixes and the first element of an array address the whole parameter;
    // only the first suffix found applies.
    for (const char* suffix : {"/ValueAsString", "/VALUE", "/1"}) {
        const size_t at = name.rfind(suffix);
        if (at != std::string::npos) {
            name.erase(at);
            break;
        }
    }
    std::replace(name.begin(), name.end(), '/', '.');
    return name;
}

std::unique_ptr<ParameterStream> OpenParameterStream(DeviceAccess* device, int block, const char* const* names,
                                                     int count) {
    std::vector<std::string> table;
    if (names != nullptr && count > 0) {
        table.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) table.emplace_back(names[i] != nullptr ? names[i] : "");
    }
    return std::make_unique<DeviceParameterStream>(device, block, std::move(table));
}

std::unique_ptr<ParameterStream> OpenParameterStream(DeviceAccess* device, int block,
                                                     const std::vector<std::string>& names) {
    return std::make_unique<DeviceParameterStream>(device, block, names);
}

}  // namespace fieldbus
