#include "config/ConfigGroupTransfer.h"

#include "config/ConfigGroupOps.h"

namespace config {

const char* GroupProgressName(ConfigGroup group) {
    switch (group) {
        case ConfigGroup::General: return "General Data";
        case ConfigGroup::Position: return "Position Data";
        case ConfigGroup::Actuator: return "Actuator Data";
        case ConfigGroup::AoBlock: return "AO Block Data";
        case ConfigGroup::PidBlock: return "PID Block Data";
        case ConfigGroup::Option: return "Option Data";
    }
    return "";
}

int StaleIndex(ConfigGroup group) {
    switch (group) {
        case ConfigGroup::General: return StaleGeneral;
        case ConfigGroup::Position: return StalePosition;
        case ConfigGroup::Actuator: return StaleActuator;
        case ConfigGroup::AoBlock: return StaleAoBlock;
        case ConfigGroup::PidBlock: return StalePidBlock;
        case ConfigGroup::Option: return StaleOption;
    }
    return StaleGeneral;
}

void CommitGroup(ConfigGroup group, const CConfigData& from, CConfigData& to) {
    switch (group) {
        case ConfigGroup::General: to.general = from.general; break;
        case ConfigGroup::Position:
            to.position = from.position;
            to.actuator.internalGain = from.actuator.internalGain;  // read with the servo values
            break;
        case ConfigGroup::Actuator: to.actuator = from.actuator; break;
        case ConfigGroup::AoBlock: to.ao = from.ao; break;
        case ConfigGroup::PidBlock: to.pid = from.pid; break;
        case ConfigGroup::Option: to.option = from.option; break;
    }
}

bool DeviceHasGroupBlock(ConfigGroup group, const fieldbus::DeviceAccess& device) {
    using fieldbus::BlockKind;
    switch (group) {
        case ConfigGroup::General: return device.BlockOf(BlockKind::RB) >= 0 && device.BlockOf(BlockKind::TB) >= 0;
        case ConfigGroup::AoBlock: return device.BlockOf(BlockKind::AO) >= 0;
        case ConfigGroup::PidBlock: return device.BlockOf(BlockKind::PID) >= 0;
        default: return device.BlockOf(BlockKind::TB) >= 0;
    }
}

bool RecordHoldsGroup(ConfigGroup group, const CConfigData& data) {
    if (group == ConfigGroup::PidBlock) return !data.general.blockTags[TagPID].empty();
    return true;
}

int ReadGroup(ConfigGroup group, CConfigData& data, const GroupContext& context) {
    if (context.device == nullptr || !context.device->IsOpen()) return 1;
    fieldbus::DeviceAccess& device = *context.device;
    const BusRunner bus = OrInPlace(context.runBus);
    switch (group) {
        case ConfigGroup::General: return ops::ReadGeneral(data, device, bus);
        case ConfigGroup::Position: return ops::ReadPosition(data, device, bus);
        case ConfigGroup::Actuator: return ops::ReadActuator(data, device, bus, context.internalGainRead);
        case ConfigGroup::AoBlock: return ops::ReadAoBlock(data, device, bus, context.readOnly);
        case ConfigGroup::PidBlock: return ops::ReadPidBlock(data, device, bus);
        case ConfigGroup::Option: return ops::ReadOption(data, device, bus);
    }
    return 1;
}

int DownloadGroup(ConfigGroup group, CConfigData& data, const GroupContext& context) {
    if (context.device == nullptr || !context.device->IsOpen()) return 1;
    fieldbus::DeviceAccess& device = *context.device;
    const BusRunner bus = OrInPlace(context.runBus);
    switch (group) {
        case ConfigGroup::General: return ops::DownloadGeneral(data, device, bus);
        case ConfigGroup::Position: return ops::DownloadPosition(data, device, bus, context.notes);
        case ConfigGroup::Actuator: return ops::DownloadActuator(data, device, bus);
        case ConfigGroup::AoBlock: return ops::DownloadAoBlock(data, device, bus);
        case ConfigGroup::PidBlock: return ops::DownloadPidBlock(data, device, bus);
        case ConfigGroup::Option: return ops::DownloadOption(data, device, bus);
    }
    return 1;
}

namespace ops {

std::unique_ptr<fieldbus::ParameterStream> Stream(fieldbus::DeviceAccess& device, fieldbus::BlockKind kind,
                                                  const std::vector<std::string>& table) {
    return fieldbus::OpenParameterStream(&device, device.BlockOf(kind), table);
}

}  // namespace ops

}  // namespace config
