#pragma once
// What saving a configuration needs from the open device: the valve historian totals and the
// self-check measurements are refreshed into the record just before a file is written.
// The device layer implements it; no device open means no source.
#include <cstdint>

namespace config {

class ActuatorDiagnosticsSource {
public:
    virtual ~ActuatorDiagnosticsSource() = default;
    // Whether the device answers on the link at the moment.
    virtual bool IsPresent() = 0;
    // TOTAL_TRAVEL, TOTAL_CYCLE_COUNT, TOTAL_OPEN_TIME, TOTAL_CLOSE_TIME, TOTAL_NEAR_CLOSE_TIM.
    // Returns 0 on success.
    virtual int ReadTotals(uint32_t totals[5]) = 0;
    // INTERNAL_GAIN, MEAS_GAIN, VALVE_TC, VALVE_HYS, VALVE_SLIP_WIDTH, MEAS_PRESS_AIR,
    // MEAS_PRESS_SUPPLY, MEAS_SPRING_RANGE/1, /2. Returns 0 on success.
    virtual int ReadMeasuredValues(float values[9]) = 0;
};

}  // namespace config
