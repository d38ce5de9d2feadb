#pragma once
// The six configuration groups read from and downloaded to a device, one operation per group
// and direction. Each opens parameter streams on the group's blocks with its name table,
// moves the members in table order and tests the streams once at the end: 0 success, 1
// failure (also when no device is open). The bus work runs through the context's runner;
// the few questions and notes of a group are shown between two pieces of bus work, on the
// caller's thread.
//
// A read fills the record it is given; ConfigTransfer hands it a scratch copy and takes the
// group over only when the read completed.
#include <string>

#include "config/BusRunner.h"
#include "config/CConfigData.h"

namespace fieldbus {
class DeviceAccess;
}

namespace config {

enum class ConfigGroup { General, Position, Actuator, AoBlock, PidBlock, Option };
inline constexpr int kConfigGroupCount = 6;

// "General Data", "Position Data", ... (progress window lines).
const char* GroupProgressName(ConfigGroup group);
// The group's index in CConfigData::groupStaleFlags.
int StaleIndex(ConfigGroup group);
// Copies the members that a read of `group` fills from `from` into `to`.
void CommitGroup(ConfigGroup group, const CConfigData& from, CConfigData& to);

struct GroupContext {
    fieldbus::DeviceAccess* device = nullptr;
    BusRunner runBus;  // empty: in place
    // A read leaves the device untouched: the AO block's unsupported IO_OPTS bits stay in the
    // device and in the record instead of being removed (reading verbs of the command line).
    bool readOnly = false;
    // The Position group was read into the record just before in the same run: the Actuator
    // read takes INTERNAL_GAIN from it instead of reading it a second time.
    bool internalGainRead = false;
    // Lines a download adds to its progress (members of the record the target has no room for).
    std::string* notes = nullptr;
};

// The IO_OPTS bits the AO block may have set (bit k of the bit string as bit k).
inline constexpr uint16_t kAoIoOptsMask = 0xBFFE;

int ReadGroup(ConfigGroup group, CConfigData& data, const GroupContext& context);
int DownloadGroup(ConfigGroup group, CConfigData& data, const GroupContext& context);

// Whether the device has the group's block (a positioner without the PID option has no PID
// block: its PID group is neither read nor downloaded).
bool DeviceHasGroupBlock(ConfigGroup group, const fieldbus::DeviceAccess& device);
// Whether the record holds the group: a record read from a positioner without a PID block
// has no PID block tag, and its PID members are placeholders that must never reach a device.
bool RecordHoldsGroup(ConfigGroup group, const CConfigData& data);

}  // namespace config
