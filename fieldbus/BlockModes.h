#pragma once
// The target modes of a positioner's blocks, kept before a download takes them out of service
// so they can be given back afterwards, and the blocks that are out of service now.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fieldbus/BlockKind.h"

namespace fieldbus {

class DeviceAccess;

using BlockModeList = std::vector<std::pair<BlockKind, uint8_t>>;

// The target modes of the blocks the device has (RB, TB, AO, DI1, DI2, PID, SPLT in that
// order); a block whose mode cannot be read is left out.
BlockModeList ReadTargetModes(DeviceAccess& device);
// The blocks whose actual mode is out of service.
std::vector<BlockKind> BlocksOutOfService(DeviceAccess& device);
// Gives each block its target mode back, resource block first, and waits at most `limitMs`
// for the blocks to leave out of service. 0 when every block took its mode.
int SetTargetModes(DeviceAccess& device, const BlockModeList& modes, uint32_t limitMs = 10000);

// "RB AUTO, TB AUTO, AO CAS+AUTO" and "DI1, DI2, PID".
std::string ModeListText(const BlockModeList& modes);
std::string BlockListText(const std::vector<BlockKind>& blocks);
// The question at the end of a download: "Put the blocks of TAG back into the modes they had
// before the download (RB AUTO, ...) ?"
std::string PriorModesQuestion(const std::string& tag, const BlockModeList& modes);

}  // namespace fieldbus
