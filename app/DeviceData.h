#pragma once
// What the main view reads of a device once it is open, before it shows it: the device's
// identity, the units of its values and the schedule entries of its AO and PID blocks. The
// reads run on a helper thread (ReadDeviceData shows no window); the view then decides.
#include <cstdint>
#include <string>

#include "fieldbus/DeviceRecords.h"
#include "fieldbus/FieldbusDevice.h"

namespace app {

struct ScheduleRead {
    bool read = false;   // the entries could be read
    int entry = 0;       // 1 to 4, 0 when no entry names the block
    uint32_t startOffset = 0;
};

struct DeviceData {
    bool ok = false;  // the identity could be read: the device answers
    uint16_t deviceType = 0;
    uint8_t deviceRevision = 0;
    std::string positionUnit;
    std::string pressureUnit;
    std::string temperatureUnit;
    std::string firmwareRevision;  // of the firmware the device runs; empty when unknown
    ScheduleRead ao, pid;
};

// Object-dictionary start indices of the scheduled blocks.
inline constexpr uint16_t kAoStartIndex = 5000;
inline constexpr uint16_t kPidStartIndex = 8000;

DeviceData ReadDeviceData(fieldbus::FieldbusDevice& device);
ScheduleRead ReadSchedule(fieldbus::FieldbusDevice& device, uint16_t startIndex);

// "Type 0x0001  Revision 2  Address 0x14  ID 42524B0001...  Firmware 2.10.00": the identity
// line of the view (without the firmware when its revision cannot be read).
std::string IdentityLine(const DeviceData& data, uint8_t address, const std::string& deviceId);

}  // namespace app
