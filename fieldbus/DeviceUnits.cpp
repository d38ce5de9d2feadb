#include "fieldbus/DeviceUnits.h"

#include "fieldbus/DeviceAccess.h"

namespace fieldbus {

std::string PressureUnit(DeviceAccess& device) {
    uint16_t code = 0;
    std::string text;
    return device.ReadTbSpringRangeUnitsText(code, text) == 0 ? text : std::string();
}

std::string WithUnit(const std::string& text, const std::string& unit) {
    if (text.empty() || unit.empty()) return text;
    return unit == "%" ? text + unit : text + " " + unit;
}

}  // namespace fieldbus
