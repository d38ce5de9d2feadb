// What a device answers about an object (name, type, attributes, description text), built
// from the description the way the device builds it from its own dictionary.
#include "nifb/dd/DeviceDescription.h"

namespace nifb::dd {

namespace {
const Member* MemberOf(const Resolved& r) {
    if (!r.object || r.member < 0 || static_cast<size_t>(r.member) >= r.object->members.size()) return nullptr;
    return &r.object->members[static_cast<size_t>(r.member)];
}
}  // namespace

std::string NameOf(const Resolved& r) {
    if (const Member* m = MemberOf(r)) return m->name;
    return r.object ? r.object->name : std::string();
}

nifb::TypeInfo TypeOf(const Resolved& r) {
    nifb::TypeInfo t;
    if (!r.object) return t;
    const Object& o = *r.object;
    const Member* m = MemberOf(r);
    t.index = static_cast<uint16_t>(r.blockStart + o.index);
    t.objectCode = m ? NIF_OC_SIMPLE : o.objectCode;
    t.dataType = m ? m->dataType : o.dataType;
    t.size = r.size;
    if (m) return t;
    if (o.objectCode == NIF_OC_VARLIST) {
        if (!r.blockType) return t;
        for (uint16_t rel : o.viewMembers)
            for (const Object& p : r.blockType->parameters)
                if (p.index == rel) {
                    t.members.push_back({static_cast<uint16_t>(r.blockStart + rel), p.objectCode, p.dataType, p.size});
                    break;
                }
        return t;
    }
    for (const Member& mem : o.members) t.members.push_back({0, NIF_OC_SIMPLE, mem.dataType, mem.size});
    return t;
}

nifb::AttributeInfo AttributesOf(const Resolved& r) {
    nifb::AttributeInfo a;
    if (!r.object) return a;
    const Object& o = *r.object;
    const Member* m = MemberOf(r);
    a.label = m ? m->name : (o.label.empty() ? o.name : o.label);
    a.help = o.help;
    a.objectCode = m ? NIF_OC_SIMPLE : o.objectCode;
    a.dataType = m ? m->dataType : o.dataType;
    a.size = r.size;
    const std::vector<Item>& items = m ? m->items : o.items;
    const bool bits = m ? m->bitItems : o.bitItems;
    for (const Item& it : items)
        a.items.push_back({static_cast<uint8_t>(bits ? NIF_ITEM_BIT : NIF_ITEM_ENUM), it.value, it.text});
    return a;
}

std::string DescriptionTextOf(const Resolved& r) {
    if (!r.object) return std::string();
    return r.object->help.empty() ? NameOf(r) : r.object->help;
}

}  // namespace nifb::dd
