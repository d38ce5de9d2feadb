#include "simulator/tests/SegmentDescriptions.h"

#include "simulator/Block.h"

namespace simulator::testing {
namespace {

nifb::dd::Object ObjectOf(const DeviceObject& o, uint16_t index) {
    nifb::dd::Object d;
    d.index = index;
    d.name = o.name;
    d.objectCode = o.objectCode;
    d.dataType = o.dataType;
    d.size = o.Size();
    for (const Member& m : o.members) {
        nifb::dd::Member dm{m.name, m.dataType, m.size, m.offset, {}, m.bitItems};
        for (const EnumItem& it : m.items) dm.items.push_back({it.value, it.text});
        d.members.push_back(dm);
    }
    for (const EnumItem& it : o.items) d.items.push_back({it.value, it.text});
    d.bitItems = o.bitItems;
    d.label = o.name;
    d.help = o.help;
    return d;
}

}  // namespace

nifb::dd::Description DescriptionOf(const Device& device) {
    nifb::dd::Description d;
    d.manufacturerId = device.manufacturerId;
    d.deviceType = device.deviceType;
    d.deviceRevision = device.deviceRevision;
    for (const Block& b : device.blocks) {
        nifb::dd::BlockType t;
        t.ddItem = b.ddItem;
        for (size_t i = 0; i < b.objects.size(); ++i) t.parameters.push_back(ObjectOf(b.objects[i], static_cast<uint16_t>(i)));
        d.blocks.push_back(t);
    }
    for (const DeviceObject& o : device.mib) d.mib.push_back(ObjectOf(o, o.index));
    return d;
}

}  // namespace simulator::testing
