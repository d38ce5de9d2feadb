#include "config/DeviceDiagnosticsSource.h"

#include "fieldbus/BlockKind.h"
#include "fieldbus/DeviceAccess.h"
#include "fieldbus/ParameterStream.h"

namespace config {

DeviceDiagnosticsSource::DeviceDiagnosticsSource(fieldbus::DeviceAccess& device, BusRunner runBus,
                                                 std::function<bool()> present)
    : device_(device), runBus_(OrInPlace(runBus)), present_(std::move(present)) {}

bool DeviceDiagnosticsSource::IsPresent() { return device_.IsOpen() && (!present_ || present_()); }

int DeviceDiagnosticsSource::ReadTotals(uint32_t totals[5]) {
    if (!device_.IsOpen()) return 1;
    uint32_t read[5] = {};
    const int result = runBus_([&] {
        auto s = fieldbus::OpenParameterStream(&device_, device_.BlockOf(fieldbus::BlockKind::TB),
                                               {"TOTAL_TRAVEL", "TOTAL_CYCLE_COUNT", "TOTAL_OPEN_TIME",
                                                "TOTAL_CLOSE_TIME", "TOTAL_NEAR_CLOSE_TIM"});
        for (uint32_t& value : read) s->ReadU32(value);
        return s->IsGood() != 0 ? 0 : 1;
    });
    if (result == 0)
        for (int i = 0; i < 5; ++i) totals[i] = read[i];
    return result;
}

int DeviceDiagnosticsSource::ReadMeasuredValues(float values[9]) {
    if (!device_.IsOpen()) return 1;
    float read[9] = {};
    const int result = runBus_([&] {
        auto s = fieldbus::OpenParameterStream(
            &device_, device_.BlockOf(fieldbus::BlockKind::TB),
            {"INTERNAL_GAIN", "MEAS_GAIN", "VALVE_TC", "VALVE_HYS", "VALVE_SLIP_WIDTH", "MEAS_PRESS_AIR",
             "MEAS_PRESS_SUPPLY", "MEAS_SPRING_RANGE/1", "MEAS_SPRING_RANGE/2"});
        for (int i = 0; i < 7; ++i) s->ReadFloat(read[i]);
        float pair[2] = {};
        if (s->ReadFloat2(pair) == 0) read[7] = pair[0], read[8] = pair[1];
        return s->IsGood() != 0 ? 0 : 1;
    });
    if (result == 0)
        for (int i = 0; i < 9; ++i) values[i] = read[i];
    return result;
}

}  // namespace config
