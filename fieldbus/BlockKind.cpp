#include "fieldbus/BlockKind.h"

#include <atomic>

namespace fieldbus {
namespace {
std::atomic<int> g_ids[kBlockKindCount] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
}

int BlockId(BlockKind kind) { return g_ids[static_cast<int>(kind)].load(); }
void SetBlockId(BlockKind kind, int blockNumber) { g_ids[static_cast<int>(kind)].store(blockNumber); }

BlockIds NoBlockIds() {
    BlockIds ids;
    ids.fill(-1);
    return ids;
}

void SetBlockIds(const BlockIds& ids) {
    for (int i = 0; i < kBlockKindCount; ++i) g_ids[i].store(ids[static_cast<size_t>(i)]);
}

void ResetBlockIds() {
    for (auto& id : g_ids) id.store(-1);
}

const char* BlockKindName(BlockKind kind) {
    static const char* names[] = {"RB", "TB", "AO", "DI1", "DI2", "PID", "PID2", "SPLT", "IS", "AR"};
    int i = static_cast<int>(kind);
    return i >= 0 && i < kBlockKindCount ? names[i] : "";
}

}  // namespace fieldbus
