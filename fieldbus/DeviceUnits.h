#pragma once
// The units a positioner's values are shown with: its pressure unit (the text of
// SPRING_RANGE.UNITS_INDEX), and a value joined with a unit for display.
#include <string>

namespace fieldbus {

class DeviceAccess;

// "kPa", "psi", ...; empty when the device does not answer.
std::string PressureUnit(DeviceAccess& device);
// "12.50 kPa", "3.0%" ("%" without a space), the text alone when the unit or the text is empty.
std::string WithUnit(const std::string& text, const std::string& unit);

}  // namespace fieldbus
