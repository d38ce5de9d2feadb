#include "config/ConfigPageWriters.h"
#include "platform/Ui.h"

namespace config {

using fieldbus::BlockKind;
using fieldbus::DeviceAccess;

namespace {
constexpr BlockKind kTaggedBlocks[BlockTagCount] = {BlockKind::RB,  BlockKind::TB,  BlockKind::AO,  BlockKind::DI1,
                                                    BlockKind::DI2, BlockKind::PID, BlockKind::SPLT};
}  // namespace

void GeneralPageWriter::Run(const SheetEdits& edits, ChangeWriter& w, bool interactive) {
    request_ = {};
    const GeneralGroup& e = edits.data.general;
    GeneralGroup& r = w.Record().general;
    w.Field(e.resourceDescription, r.resourceDescription, &DeviceAccess::WriteRbTagDesc);
    for (int i = 0; i < BlockTagCount; ++i) {
        const size_t at = static_cast<size_t>(i);
        w.Field(e.blockTags[at], r.blockTags[at], [kind = kTaggedBlocks[at], tag = e.blockTags[at]](DeviceAccess& d) {
            const int block = d.BlockOf(kind);
            return block < 0 ? 1 : d.SetBlockTag(block, tag);
        });
    }
    if (w.Failed()) return;

    // The PD tag and node address.
    const bool addressChanged = edits.choices.addressChosen && e.nodeAddress != r.nodeAddress;
    if (e.pdTag == r.pdTag && !addressChanged) return;
    if (!edits.choices.addressChosen) {
        if (interactive)
            platform::ShowMessage(
                "Error: The device address is not selected. No Tag/Address change will take into effect.");
        w.Fail();
        return;
    }
    if (w.Device() == nullptr) {
        // Without a device the record alone takes them.
        w.Step(true, {}, [&r, &e] {
            r.pdTag = e.pdTag;
            r.nodeAddress = e.nodeAddress;
        });
        return;
    }
    if (w.Target().isTagUnique && !w.Target().isTagUnique(e.pdTag)) {
        if (interactive)
            platform::ShowMessage("Error: The device tag is not unique. No Tag/Address change will take into effect.");
        w.Fail();
        return;
    }
    // The view changes them once the sheet has closed, and the record takes them then.
    request_ = {true, e.pdTag, e.nodeAddress};
}

}  // namespace config
