#pragma once
// Process-wide block numbers of the opened device: the index of each kind of block in the
// device's block list, -1 when the device has no such block. Set while a device is opened.
#include <string>

namespace fieldbus {

enum class BlockKind { RB, TB, AO, DI1, DI2, PID, PID2, SPLT, IS, AR, Count };
inline constexpr int kBlockKindCount = static_cast<int>(BlockKind::Count);

int BlockId(BlockKind kind);
void SetBlockId(BlockKind kind, int blockNumber);
void ResetBlockIds();
// "RB", "TB", "AO", ... for messages and tests.
const char* BlockKindName(BlockKind kind);

}  // namespace fieldbus
