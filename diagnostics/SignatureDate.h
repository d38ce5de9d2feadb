#pragma once
// When a device made a signature measurement, as it travels in the device's 7-byte date and
// as it is kept in signature files.
#include <cstdint>
#include <string>

namespace diagnostics {

struct SignatureDate {
    uint16_t milliseconds = 0;  // within the minute
    uint8_t seconds = 0;
    uint8_t minutes = 0;
    uint32_t summerTime = 0;
    uint8_t hour = 0;
    uint8_t weekday = 0;
    uint8_t day = 0;
    uint8_t month = 0;
    uint8_t year = 0;  // two digits, 0-99

    bool operator==(const SignatureDate&) const = default;

    // From the 7 octets of the device's date: milliseconds big-endian in octets 0-1, minutes,
    // hour with the summer-time bit, weekday and day, month, year (above 99 taken as 0).
    static SignatureDate FromDeviceDate(const uint8_t octets[7]);
    // "MM/DD/YY hh:mm:ss".
    std::string Text() const;
};

struct CalendarDate {
    int year = 2000;  // four digits
    int month = 1;
    int day = 1;
};
// Today's local date.
CalendarDate Today();

// The four-digit year of a two-digit one: the current century plus the two digits, less 100
// when that year lies in the future.
int FourDigitYear(int twoDigitYear, const CalendarDate& today);

}  // namespace diagnostics
