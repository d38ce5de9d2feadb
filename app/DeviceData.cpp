#include "app/DeviceData.h"

#include "firmware/FirmwareDevice.h"
#include "platform/Ui.h"

namespace app {

namespace {
// The description text of an enumerated unit, or "" when it cannot be had.
std::string UnitText(fieldbus::FieldbusDevice& device, fieldbus::BlockKind kind, const std::string& name,
                     uint16_t value) {
    std::string text;
    if (device.GetEnumText(device.BlockOf(kind), name, text, value) != 0) text.clear();
    return text;
}
}  // namespace

ScheduleRead ReadSchedule(fieldbus::FieldbusDevice& device, uint16_t startIndex) {
    ScheduleRead read;
    fieldbus::ScheduleEntry entry;
    read.read = device.FindScheduleEntry(startIndex, read.entry, entry) == 0;
    read.startOffset = entry.startOffset;
    return read;
}

DeviceData ReadDeviceData(fieldbus::FieldbusDevice& device) {
    DeviceData data;
    data.ok = device.ReadRbDevType(data.deviceType) == 0 && device.ReadRbDevRev(data.deviceRevision) == 0;
    if (!data.ok) return data;
    uint16_t unit = 0;
    if (device.ReadTbFinalValueRangeUnitsText(unit, data.positionUnit) != 0) data.positionUnit.clear();
    if (device.ReadTbSpringRangeUnitsIndex(unit) == 0)
        data.pressureUnit = UnitText(device, fieldbus::BlockKind::TB, "SPRING_RANGE.UNITS_INDEX", unit);
    if (device.ReadTbTemperatureUnit(unit) == 0)
        data.temperatureUnit = UnitText(device, fieldbus::BlockKind::TB, "TEMPERATURE_UNIT", unit);
    data.firmwareRevision = firmware::FirmwareDevice(device).RunningRevision();
    data.ao = ReadSchedule(device, kAoStartIndex);
    data.pid = ReadSchedule(device, kPidStartIndex);
    return data;
}

std::string IdentityLine(const DeviceData& data, uint8_t address, const std::string& deviceId) {
    std::string line = platform::Format("Type 0x%04x  Revision %u  Address 0x%02x  ID %s", unsigned{data.deviceType},
                                        unsigned{data.deviceRevision}, unsigned{address}, deviceId.c_str());
    if (!data.firmwareRevision.empty()) line += "  Firmware " + data.firmwareRevision;
    return line;
}

}  // namespace app
