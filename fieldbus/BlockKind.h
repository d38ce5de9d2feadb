#pragma once
// Block numbers by kind: the index of each kind of block in a device's block list, -1 when
// the device has no such block. Every opened device keeps its own numbers (DeviceAccess::
// BlockOf); the process-wide copy below holds those of the current device, for code that
// has no device at hand.
#include <array>
#include <string>

namespace fieldbus {

enum class BlockKind { RB, TB, AO, DI1, DI2, PID, PID2, SPLT, IS, AR, Count };
inline constexpr int kBlockKindCount = static_cast<int>(BlockKind::Count);

using BlockIds = std::array<int, kBlockKindCount>;
// All kinds absent.
BlockIds NoBlockIds();

// The process-wide copy: the current device's block numbers.
int BlockId(BlockKind kind);
void SetBlockId(BlockKind kind, int blockNumber);
void SetBlockIds(const BlockIds& ids);
void ResetBlockIds();
// "RB", "TB", "AO", ... for messages and tests.
const char* BlockKindName(BlockKind kind);

}  // namespace fieldbus
