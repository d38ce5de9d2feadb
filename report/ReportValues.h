#pragma once
// How the report writes values: the formats of the token table, shared by the HTML and the
// text report.
#include <ctime>
#include <string>

#include "config/CConfigData.h"

namespace report {

std::string F(float value);          // "%f"
std::string U(uint32_t value);       // "%u"
std::string D(uint32_t value);       // "%d"
std::string YesNo(uint32_t flag, const char* yes);  // yes / "No"
// A manufacturer: its text ("Unspecified" when empty) and the value, "%s (%x)".
std::string Manufacturer(const config::ConfigEnumField<uint32_t>& field);
// Option bits: the set names joined with "+", after "0x%04x " and in parentheses; "(None)"
// for no set bit.
std::string OptionBits(const config::ConfigBitStringField& field);
std::string NodeAddress(uint8_t address);  // "0x%02x / %d"
std::string CalibrationDate(const config::ConfigDate& date);  // "mm/dd/yy hh:mm:ss"
std::string ControlDirection(const config::PositionGroup& position);  // "0x%02x (%s)"
// The local date as month-day-year ("%d-%d-%d") and the local time ("%H:%M:%S").
std::string LocalDate(std::time_t when);
std::string LocalTime(std::time_t when);
// The texts of the two-valued actuator members.
std::string ValveAction(uint32_t flag);
std::string ActuatorType(uint32_t flag);
std::string RelayType(uint32_t flag);
std::string ValveType(uint32_t flag);

}  // namespace report
