#include "diagnostics/DiagnosticsValues.h"

#include <cstring>

#include "fieldbus/DeviceUnits.h"
#include "fieldbus/TypedValues.h"
#include "platform/Ui.h"

namespace diagnostics {

namespace {

std::string FloatText(int ok, float value) { return ok == 0 ? platform::Format("%.2f", value) : std::string(); }
std::string CountText(int ok, uint32_t value) { return ok == 0 ? platform::Format("%u", value) : std::string(); }

}  // namespace

DiagnosticsValues ReadDiagnosticsValues(fieldbus::DeviceAccess& device, bool deviceDiagnostics) {
    DiagnosticsValues v;
    // Pressures in the device's pressure unit, hysteresis and slip in % of travel, the time
    // constant in seconds; the gain has no unit.
    const std::string pressure = fieldbus::PressureUnit(device);
    using Reader = int (fieldbus::DeviceAccess::*)(float&);
    const struct {
        const char* label;
        Reader read;
        std::string unit;
    } measured[] = {
        {"Measured Exhaust Pressure", &fieldbus::DeviceAccess::ReadTbMeasPressAir, pressure},
        {"Measured Supply Pressure", &fieldbus::DeviceAccess::ReadTbMeasPressSupply, pressure},
        {"Valve Hysteresis", &fieldbus::DeviceAccess::ReadTbValveHys, "%"},
        {"Valve Slip Width", &fieldbus::DeviceAccess::ReadTbValveSlipWidth, "%"},
        {"Valve TC", &fieldbus::DeviceAccess::ReadTbValveTc, "s"},
        {"Measured Gain", &fieldbus::DeviceAccess::ReadTbMeasGain, ""},
    };
    for (const auto& m : measured) {
        float value = 0;
        const int ok = (device.*m.read)(value);
        v.selfCheck.push_back({m.label, fieldbus::WithUnit(FloatText(ok, value), m.unit), {}});
    }
    fieldbus::RawRecord8 spring{};
    const int springOk = device.ReadTbMeasSpringRange(spring);
    for (size_t k = 0; k < 2; ++k) {
        const uint32_t bits = (uint32_t(spring[4 * k]) << 24) | (uint32_t(spring[4 * k + 1]) << 16) |
                              (uint32_t(spring[4 * k + 2]) << 8) | spring[4 * k + 3];
        float value = 0;
        std::memcpy(&value, &bits, 4);
        v.selfCheck.push_back(
            {k == 0 ? "Measured Spring Range Upper" : "Measured Spring Range Lower",
             fieldbus::WithUnit(FloatText(springOk, value), pressure), {}});
    }

    using CountReader = int (fieldbus::DeviceAccess::*)(uint32_t&);
    const struct {
        const char* label;
        CountReader total, limit;
    } totals[] = {
        {"Total Travel (strokes)", &fieldbus::DeviceAccess::ReadTbTotalTravel, &fieldbus::DeviceAccess::ReadTbTravelLim},
        {"Total Cycle Count (times)", &fieldbus::DeviceAccess::ReadTbTotalCycleCount,
         &fieldbus::DeviceAccess::ReadTbCycleCountLim},
        {"Total Open Time (hours)", &fieldbus::DeviceAccess::ReadTbTotalOpenTime,
         &fieldbus::DeviceAccess::ReadTbOpenTimeLim},
        {"Total Close Time (hours)", &fieldbus::DeviceAccess::ReadTbTotalCloseTime,
         &fieldbus::DeviceAccess::ReadTbCloseTimeLim},
        {"Total Near Close Time (hours)", &fieldbus::DeviceAccess::ReadTbTotalNearCloseTime,
         &fieldbus::DeviceAccess::ReadTbNearCloseTimeLim},
    };
    for (const auto& t : totals) {
        uint32_t total = 0, limit = 0;
        const int totalOk = (device.*t.total)(total);
        const int limitOk = (device.*t.limit)(limit);
        v.historian.push_back({t.label, CountText(totalOk, total), CountText(limitOk, limit)});
    }
    if (deviceDiagnostics) {
        const int tb = device.BlockOf(fieldbus::BlockKind::TB);
        uint32_t count = 0;
        const int countOk = fieldbus::ReadTypedValue(device, tb, "SERVO_WARN_COUNT", count, fieldbus::Wire::U32);
        v.historian.push_back({"Servo Warning Count", CountText(countOk, count), {}});
    }
    return v;
}

}  // namespace diagnostics
