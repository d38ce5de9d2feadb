#include "report/ReportValues.h"

#include "platform/Ui.h"

namespace report {

using platform::Format;

std::string F(float value) { return Format("%f", static_cast<double>(value)); }
std::string U(uint32_t value) { return Format("%u", value); }
std::string D(uint32_t value) { return Format("%d", static_cast<int>(value)); }
std::string YesNo(uint32_t flag, const char* yes) { return flag != 0 ? yes : "No"; }

std::string Manufacturer(const config::ConfigEnumField<uint32_t>& field) {
    return Format("%s (%x)", field.text.empty() ? "Unspecified" : field.text.c_str(), field.value);
}

std::string OptionBits(const config::ConfigBitStringField& field) {
    std::string joined;
    for (const std::string& name : field.setNames) joined += (joined.empty() ? "" : "+") + name;
    return Format("0x%04x ", field.value) + (joined.empty() ? "(None)" : "(" + joined + ")");
}

std::string NodeAddress(uint8_t address) { return Format("0x%02x / %d", address, address); }

std::string CalibrationDate(const config::ConfigDate& d) {
    return Format("%02u/%02u/%02u %02u:%02u:%02u", d.month, d.dayOfMonth, d.year % 100u, d.hours, d.minutes,
                  d.seconds);
}

std::string ControlDirection(const config::PositionGroup& p) {
    return Format("0x%02x (%s)", p.controlDirection, p.controlDirectionText.c_str());
}

std::string LocalDate(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    return Format("%d-%d-%d", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
}

std::string LocalTime(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

std::string ValveAction(uint32_t flag) { return flag == 1 ? "Air To Close" : "Air To Open"; }
std::string ActuatorType(uint32_t flag) { return flag == 1 ? "Double Acting" : "Single Acting"; }
std::string RelayType(uint32_t flag) {
    return flag == 1 ? "(Hardware) Reverse" : "Normal (Direct Acting Instrument)";
}
std::string ValveType(uint32_t flag) { return flag == 1 ? "Rotary" : "Linear (Reciprocating)"; }

}  // namespace report
