// The transducer view read by member name: the layout of the device's own VIEW_3 is learned
// from its object description (member names and sizes), so the record does not depend on
// where the device places each member.
#include <memory>
#include <new>

#include "fieldbus/BlockKind.h"
#include "fieldbus/DeviceMessages.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/StatusLog.h"

namespace fieldbus {

namespace {
constexpr uint16_t kNameCapacity = 256;
}  // namespace

int FieldbusDevice::ReadTbView3(TbView3Record& record, std::string& error) {
    std::lock_guard<std::mutex> tbLock(tbViewLock_);
    if (tbLayoutStale_.exchange(false)) tbLayout_ = {};
    if (!tbLayout_.known && LearnTbView3Layout(error) != 0) return 1;
    const int tb = BlockOf(BlockKind::TB);
    uint32_t start = 0;
    if (!StartIndex(tb, start) || tbLayout_.viewIndex < start) return 1;
    std::unique_ptr<uint8_t[]> image(new (std::nothrow) uint8_t[tbLayout_.size]);
    if (!image) {
        error = "Error: Failed to allocate memory for View buffer";
        return 1;
    }
    uint16_t size = tbLayout_.size;
    if (ReadParameterByIndex(tb, static_cast<int>(tbLayout_.viewIndex - start), image.get(), size) != 0 ||
        size != tbLayout_.size)
        return 1;
    UnpackTbView3(image.get(), tbLayout_.offsets, record);
    return 0;
}

// The view object's index comes from the block header: a device of link-master type (as found
// when it was opened) keeps VIEW_3 in the first view position, the others after VIEW_1 and
// VIEW_2. Its size and member
// sizes come from the description of "VIEW_3", the member names from the view's entries.
int FieldbusDevice::LearnTbView3Layout(std::string& error) {
    if (CheckAccess(Access::Read) != 0) return 1;
    const int tb = BlockOf(BlockKind::TB);
    uint32_t start = 0;
    if (!StartIndex(tb, start)) return 1;
    const BlockRecord block = GetBlockRecord(tb);
    const uint32_t viewIndex = GetLinkMasterFlags().linkMasterType ? block.startOfView1 : block.startOfView1 + 2u;
    if (viewIndex > 0xFFFF) return 1;

    std::vector<std::string> names;
    std::vector<uint16_t> sizes;
    uint16_t viewSize = 0;
    // The descriptors are looked up under the access lock; the calls run without it.
    BusAddress view;
    if (!ResolveName(tb, "VIEW_3", view) || !LinkHealthy()) return 1;
    const nifDesc_t vfd = FirstVfd();
    nifObjectType* type = nullptr;
    const int status = nifGetObjectType(view.desc, view.wire.c_str(), &type);
    SetLastStatus(status);
    if (status != E_OK || type == nullptr) {
        // A device that does not answer, or was closed meanwhile, is no failure of the
        // device's description: the reader reports its own text and tries again.
        if (!IsCommunicationStatus(status) && open_.load() && openGeneration_.load() == view.generation)
            error = platform::Format("Error: Failed to get parameter object code for device %s !", Tag().c_str());
        return 1;
    }
    viewSize = type->size;
    for (uint16_t i = 0; i < type->numMembers && type->members != nullptr; ++i) sizes.push_back(type->members[i].size);
    if (nifFreeObjectType(type) != E_OK) {
        error = "Error: Failed to free the object type.";
        return 1;
    }
    for (size_t i = 1; i <= sizes.size(); ++i) {
        char buffer[kNameCapacity] = {};
        const std::string member = makeIndexSubindex(viewIndex, static_cast<uint32_t>(i));
        if (nifGetObjectName(vfd, member.c_str(), buffer, sizeof buffer) != E_OK) return 1;
        names.push_back(FieldText(buffer, sizeof buffer));
    }
    TbView3Layout layout;
    if (!LocateTbView3Members(names, sizes, viewSize, layout.offsets)) {
        error = "Error: Failed to locate parameter name in TB_VIEW3.";
        return 1;
    }
    layout.known = true;
    layout.viewIndex = static_cast<uint16_t>(viewIndex);
    layout.size = viewSize;
    tbLayout_ = layout;
    return 0;
}

}  // namespace fieldbus
