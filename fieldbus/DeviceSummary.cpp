// The device summary, block list and parameter names shown by the query window.
#include "fieldbus/BlockKind.h"
#include "fieldbus/DeviceMessages.h"
#include "fieldbus/FieldbusDevice.h"

namespace fieldbus {

namespace {
constexpr uint16_t kTextCapacity = 255;

// "RB", "TB", ... for a block that has a kind, else "Block <n>".
std::string BlockLabel(const FieldbusDevice& device, int block) {
    for (int k = 0; k < kBlockKindCount; ++k)
        if (device.BlockOf(static_cast<BlockKind>(k)) == block) return BlockKindName(static_cast<BlockKind>(k));
    return platform::Format("Block %d", block);
}
}  // namespace

int FieldbusDevice::GetDeviceSummary(std::string& text) {
    text.clear();
    if (!open_) return 1;
    auto line = [&text](const std::string& s) { text += s + "\r\n"; };

    uint32_t manufacturer = 0;
    if (ReadRbManufacId(manufacturer) == 0) line(platform::Format("RB.MANUFAC_ID=%x", manufacturer));
    uint16_t deviceType = 0;
    if (ReadRbDevType(deviceType) == 0) line(platform::Format("RB.DEV_TYPE=%x", unsigned{deviceType}));
    uint8_t deviceRevision = 0;
    if (ReadRbDevRev(deviceRevision) == 0) line(platform::Format("RB.DEV_REV=%x", unsigned{deviceRevision}));
    uint8_t ddRevision = 0;
    if (ReadRbDdRev(ddRevision) == 0) line(platform::Format("RB.DD_REV=%d", int{ddRevision}));

    {
        std::lock_guard<std::recursive_mutex> lock(accessLock_);
        char buffer[kTextCapacity + 1] = {};
        uint16_t size = 0;
        if (LinkHealthy() && ReadObject(At(mib_, "DEV_ID"), buffer, size, kTextCapacity) == 0)
            line(platform::Format("(MIB) DEV_ID=%s", Trim(FieldText(buffer, size)).c_str()));
    }

    std::string vendor, model, revision;
    GetIdentification(vendor, model, revision);
    line(platform::Format("(By FMS Identify) Vendor=%s", vendor.c_str()));
    line(platform::Format("(By FMS Identify) Model=%s", model.c_str()));
    line(platform::Format("(By FMS Identify) Revision=%s", revision.c_str()));

    const int count = GetBlockCount();
    for (int block = 0; block < count; ++block) {
        const std::string label = BlockLabel(*this, block);
        line(platform::Format("%s Tag=%s", label.c_str(), GetBlockTag(block).c_str()));
        std::string description;
        if (ReadString(block, "TAG_DESC", description) == 0)
            line(platform::Format("%s.TAG_DESC=%s", label.c_str(), description.c_str()));
    }
    return 0;
}

int FieldbusDevice::GetBlockList(std::vector<std::string>& entries) {
    entries.clear();
    const int count = GetBlockCount();
    for (int block = 0; block < count; ++block)
        entries.push_back(platform::Format("%s (%d)", GetBlockTag(block).c_str(), block));
    return 0;
}

// Relative index 0 is the block itself; its parameters follow from 1.
int FieldbusDevice::GetParameterNames(int block, std::vector<std::string>& names) {
    names.clear();
    bool failed = false;
    {
        std::lock_guard<std::recursive_mutex> lock(accessLock_);
        if (block < 0 || block >= static_cast<int>(blockRecords_.size())) {
            failed = true;
        } else {
            const BlockRecord& record = blockRecords_[static_cast<size_t>(block)];
            for (uint32_t relative = 1; relative <= record.numParameters && !failed; ++relative) {
                char buffer[256] = {};
                const int status =
                    nifGetObjectName(FirstVfd(), makeIndex(record.startIndex + relative), buffer, sizeof buffer);
                SetLastStatus(status);
                if (status != E_OK)
                    failed = true;
                else
                    names.push_back(Trim(FieldText(buffer, sizeof buffer)));
            }
        }
    }
    if (failed) {
        names.clear();
        ShowError("Error: Failed to get a list of the block parameter names.");
        return 1;
    }
    return 0;
}

}  // namespace fieldbus
