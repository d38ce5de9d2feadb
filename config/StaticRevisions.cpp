#include "config/StaticRevisions.h"

#include <array>

#include "config/ConfigGroupTransfer.h"
#include "fieldbus/DeviceAccess.h"
#include "fieldbus/TypedValues.h"
#include "platform/Ui.h"

namespace config {

namespace {

using fieldbus::BlockKind;

constexpr std::array<BlockKind, StaticRevisionCount> kBlocks = {BlockKind::RB,  BlockKind::TB,  BlockKind::AO,
                                                                BlockKind::DI1, BlockKind::DI2, BlockKind::PID};

// ST_REV of every present block, in block order; `present` tells which were read. Stops at the
// first failure (1).
int ReadRevisions(fieldbus::DeviceAccess& device, std::array<uint16_t, StaticRevisionCount>& revisions,
                  std::array<bool, StaticRevisionCount>& present) {
    for (size_t i = 0; i < kBlocks.size(); ++i) {
        const int block = device.BlockOf(kBlocks[i]);
        present[i] = block >= 0;
        if (!present[i]) continue;
        if (fieldbus::ReadTypedValue(device, block, "ST_REV", revisions[i], fieldbus::Wire::U16) != 0) return 1;
    }
    return 0;
}

// The groups a changed block makes stale.
std::vector<int> StaleGroupsOf(int revisionIndex) {
    switch (revisionIndex) {
        case RevRB: return {StaleGeneral};
        case RevTB: return {StaleGeneral, StalePosition, StaleActuator, StaleOption};
        case RevAO: return {StaleGeneral, StaleAoBlock};
        case RevPID: return {StaleGeneral, StalePidBlock};
        default: return {StaleGeneral};  // DI1, DI2
    }
}

}  // namespace

int RememberStaticRevisions(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& runBus) {
    std::array<uint16_t, StaticRevisionCount> revisions = data.blockStaticRevisions;
    std::array<bool, StaticRevisionCount> present{};
    const int result = OrInPlace(runBus)([&] { return ReadRevisions(device, revisions, present); });
    // What was read before a failure is kept, as the reads go in order.
    data.blockStaticRevisions = revisions;
    return result;
}

int RefreshIfChanged(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& runBus) {
    const BusRunner bus = OrInPlace(runBus);
    std::array<uint16_t, StaticRevisionCount> revisions{};
    std::array<bool, StaticRevisionCount> present{};
    if (bus([&] { return ReadRevisions(device, revisions, present); }) != 0) return 1;

    for (int i = 0; i < StaticRevisionCount; ++i) {
        if (!present[static_cast<size_t>(i)] || revisions[static_cast<size_t>(i)] == data.blockStaticRevisions[static_cast<size_t>(i)])
            continue;
        data.blockStaticRevisions[static_cast<size_t>(i)] = revisions[static_cast<size_t>(i)];
        for (int group : StaleGroupsOf(i)) data.groupStaleFlags[static_cast<size_t>(group)] = 1;
    }
    bool anyStale = false;
    for (uint32_t flag : data.groupStaleFlags) anyStale = anyStale || flag != 0;
    if (!anyStale) return 0;
    if (platform::ShowMessage("Some static parameter has changed since last update, update now ?",
                              platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) !=
        platform::IDYES)
        return 0;

    const GroupContext context{&device, bus};
    for (ConfigGroup group : {ConfigGroup::General, ConfigGroup::Position, ConfigGroup::AoBlock,
                              ConfigGroup::PidBlock, ConfigGroup::Actuator, ConfigGroup::Option}) {
        uint32_t& stale = data.groupStaleFlags[static_cast<size_t>(StaleIndex(group))];
        if (stale == 0) continue;
        if (DeviceHasGroupBlock(group, device)) {
            CConfigData scratch = data;
            if (ReadGroup(group, scratch, context) != 0) return 1;
            CommitGroup(group, scratch, data);
        }
        stale = 0;
    }
    return 0;
}

}  // namespace config
