#include "diagnostics/SignatureDate.h"

#include <ctime>

#include "platform/Ui.h"

namespace diagnostics {

SignatureDate SignatureDate::FromDeviceDate(const uint8_t octets[7]) {
    SignatureDate d;
    d.milliseconds = static_cast<uint16_t>((octets[0] << 8) | octets[1]);
    d.seconds = static_cast<uint8_t>(d.milliseconds / 1000);
    d.minutes = octets[2] & 0x3F;
    d.hour = octets[3] & 0x1F;
    d.summerTime = (octets[3] & 0x80) ? 1 : 0;
    d.day = octets[4] & 0x1F;
    d.weekday = static_cast<uint8_t>(octets[4] >> 5);
    d.month = octets[5] & 0x3F;
    d.year = octets[6] & 0x7F;
    if (d.year > 99) d.year = 0;
    return d;
}

std::string SignatureDate::Text() const {
    return platform::Format("%02u/%02u/%02u %02u:%02u:%02u", unsigned{month}, unsigned{day}, unsigned{year},
                            unsigned{hour}, unsigned{minutes}, unsigned{seconds});
}

CalendarDate Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

int FourDigitYear(int twoDigitYear, const CalendarDate& today) {
    const int year = today.year / 100 * 100 + twoDigitYear;
    return year > today.year ? year - 100 : year;
}

}  // namespace diagnostics
