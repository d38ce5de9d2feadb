#pragma once
// Composite members of the configuration record: an enumerated device parameter, a
// bit-string (options) parameter and the calibration date.
#include <cstdint>
#include <string>
#include <vector>

#include "values/ValueCodec.h"

namespace config {

// Unit texts change form on their way through a configuration file: a device says "\xB0C",
// the file reads back "degC" (and likewise the superscripts, micro and angstrom signs). Both
// forms name the same unit, so texts are compared in their ASCII form.
inline bool SameUnitText(const std::string& a, const std::string& b) {
    if (a == b) return true;
    values::ValueCodec& codec = values::ValueCodec::Instance();
    return codec.UnitToAscii(a) == codec.UnitToAscii(b);
}
inline bool SameUnitTexts(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!SameUnitText(a[i], b[i])) return false;
    return true;
}

// One enumerated device parameter with every choice the device offered, so that an offline
// copy can still show and edit it. `V` is the width of the numeric value on the device.
template <typename V>
struct ConfigEnumField {
    std::string text;                // text of the current value ("/ValueAsString")
    std::vector<std::string> texts;  // texts of all choices
    V value{};                       // current numeric value
    std::vector<uint32_t> values;    // numeric values of all choices, parallel to `texts`

    bool operator==(const ConfigEnumField& o) const {
        return value == o.value && values == o.values && SameUnitText(text, o.text) && SameUnitTexts(texts, o.texts);
    }
};

// One bit-string options parameter.
struct ConfigBitStringField {
    std::vector<std::string> names;     // names of all bits
    std::vector<std::string> setNames;  // names of the bits currently set
    uint16_t value = 0;                 // current value
    std::vector<uint32_t> bitValues;    // bit value of each name, parallel to `names`

    bool operator==(const ConfigBitStringField& o) const {
        return value == o.value && bitValues == o.bitValues && SameUnitTexts(names, o.names) &&
               SameUnitTexts(setNames, o.setNames);
    }
};

// The device's date in decoded form as the record keeps it: like values::FieldbusDate but
// with the summer-time flag held as a u32 (that is how files store it).
struct ConfigDate {
    uint32_t summerTime = 0;
    uint8_t hours = 0;
    uint8_t minutes = 0;
    uint8_t seconds = 0;
    uint16_t milliseconds = 0;
    uint8_t dayOfWeek = 0;
    uint8_t dayOfMonth = 0;
    uint8_t month = 0;
    uint8_t year = 0;

    bool operator==(const ConfigDate&) const = default;

    static ConfigDate FromFieldbusDate(const values::FieldbusDate& date) {
        ConfigDate d;
        d.summerTime = date.summerTime;
        d.hours = date.hours;
        d.minutes = date.minutes;
        d.seconds = date.seconds;
        d.milliseconds = date.milliseconds;
        d.dayOfWeek = date.dayOfWeek;
        d.dayOfMonth = date.dayOfMonth;
        d.month = date.month;
        d.year = date.year;
        return d;
    }
    values::FieldbusDate ToFieldbusDate() const {
        values::FieldbusDate d;
        d.summerTime = summerTime != 0 ? 1 : 0;
        d.hours = hours;
        d.minutes = minutes;
        d.seconds = seconds;
        d.milliseconds = milliseconds;
        d.dayOfWeek = dayOfWeek;
        d.dayOfMonth = dayOfMonth;
        d.month = month;
        d.year = year;
        return d;
    }
};

}  // namespace config
