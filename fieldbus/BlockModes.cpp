#include "fieldbus/BlockModes.h"

#include "fieldbus/DeviceAccess.h"
#include "fieldbus/OperationState.h"
#include "platform/Clock.h"

namespace fieldbus {


namespace {

constexpr BlockKind kBlocks[] = {BlockKind::RB,  BlockKind::TB,  BlockKind::AO,  BlockKind::DI1,
                                 BlockKind::DI2, BlockKind::PID, BlockKind::SPLT};

std::string ModeBitsText(uint8_t mode) {
    std::string text;
    for (int bit = 7; bit >= 0; --bit) {
        const uint8_t one = static_cast<uint8_t>(1u << bit);
        if (mode & one) text += (text.empty() ? "" : "+") + fieldbus::ModeName(one);
    }
    return text.empty() ? "none" : text;
}

}  // namespace

BlockModeList ReadTargetModes(fieldbus::DeviceAccess& device) {
    BlockModeList modes;
    for (BlockKind kind : kBlocks) {
        const int block = device.BlockOf(kind);
        uint8_t mode = 0;
        if (block >= 0 && device.ReadTargetMode(block, mode) == 0 && mode != 0) modes.emplace_back(kind, mode);
    }
    return modes;
}

std::vector<BlockKind> BlocksOutOfService(fieldbus::DeviceAccess& device) {
    std::vector<BlockKind> out;
    for (BlockKind kind : kBlocks) {
        const int block = device.BlockOf(kind);
        uint8_t mode = 0;
        if (block >= 0 && device.ReadActualMode(block, mode) == 0 && (mode & fieldbus::kModeOos) != 0)
            out.push_back(kind);
    }
    return out;
}

int SetTargetModes(fieldbus::DeviceAccess& device, const BlockModeList& modes, uint32_t limitMs) {
    int result = 0;
    for (const auto& [kind, mode] : modes)
        if (device.SetBlockMode(device.BlockOf(kind), mode) != 0) result = 1;
    // Some blocks take their mode without being waited for; they are given until the limit
    // to leave out of service.
    platform::Clock& clock = platform::GetClock();
    const uint64_t start = clock.NowMs();
    for (;;) {
        bool settled = true;
        for (BlockKind kind : BlocksOutOfService(device))
            for (const auto& [wanted, mode] : modes)
                if (wanted == kind && (mode & fieldbus::kModeOos) == 0) settled = false;
        if (settled) return result;
        if (clock.NowMs() - start >= limitMs) return 1;
        clock.SleepMs(100);
    }
}

std::string ModeListText(const BlockModeList& modes) {
    std::string text;
    for (const auto& [kind, mode] : modes)
        text += (text.empty() ? "" : ", ") + std::string(fieldbus::BlockKindName(kind)) + " " + ModeBitsText(mode);
    return text;
}

std::string BlockListText(const std::vector<BlockKind>& blocks) {
    std::string text;
    for (BlockKind kind : blocks) text += (text.empty() ? "" : ", ") + std::string(fieldbus::BlockKindName(kind));
    return text;
}

std::string PriorModesQuestion(const std::string& tag, const BlockModeList& modes) {
    return "Put the blocks of " + tag + " back into the modes they had before the download (" + ModeListText(modes) +
           ") ?";
}

}  // namespace fieldbus
