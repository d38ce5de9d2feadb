// Names resolved through a description exactly as a device resolves them in its own
// object dictionary: an exact object name first, else "OBJECT.MEMBER" split at the last dot
// with the member by name or number; index names by absolute index; on a VFD, "TAG.NAME"
// split at the first dot, falling back to the VFD's own objects when no block has the tag.
#include <algorithm>
#include <cstdlib>

#include "nifb/IndexName.h"
#include "nifb/dd/DeviceDescription.h"

namespace nifb::dd {

namespace {

// A list of objects and where its indexes start: a block's parameters (relative indexes
// from the block's start) or the MIB or VFD objects (absolute, start 0).
struct Scope {
    const std::vector<Object>* objects = nullptr;
    const BlockType* block = nullptr;
    uint16_t start = 0;
};

const Object* ByName(const Scope& s, const std::string& name) {
    for (const Object& o : *s.objects)
        if (o.name == name) return &o;
    return nullptr;
}

const Object* ByRelative(const Scope& s, uint32_t rel) {
    for (const Object& o : *s.objects)
        if (o.index == rel) return &o;
    return nullptr;
}

// One past the highest relative index of a block: the block covers [start, start + span).
uint32_t Span(const BlockType& b) {
    uint32_t span = 0;
    for (const Object& o : b.parameters) span = std::max<uint32_t>(span, o.index + 1u);
    return span;
}

// Member by name or by number (1 = first); a view's members by number only.
int MemberPosition(const Object& o, const std::string& member) {
    char* end = nullptr;
    const long n = std::strtol(member.c_str(), &end, 10);
    const bool number = !member.empty() && *end == '\0';
    if (o.objectCode == NIF_OC_VARLIST)
        return number && n >= 1 && static_cast<size_t>(n) <= o.viewMembers.size() ? static_cast<int>(n - 1) : -1;
    for (size_t i = 0; i < o.members.size(); ++i)
        if (!o.members[i].name.empty() && o.members[i].name == member) return static_cast<int>(i);
    return number && n >= 1 && static_cast<size_t>(n) <= o.members.size() ? static_cast<int>(n - 1) : -1;
}

void Whole(const Scope& s, const Object& o, Resolved& out) {
    out = Resolved();
    out.object = &o;
    out.index = static_cast<uint16_t>(s.start + o.index);
    out.size = o.size;
    out.blockType = s.block;
    out.blockStart = s.start;
}

// Subindex 0: the whole object; n: member n, or a view's n-th member object.
int Select(const Scope& s, const Object& o, uint32_t subindex, Resolved& out) {
    Whole(s, o, out);
    if (subindex == 0) return E_OK;
    if (o.objectCode == NIF_OC_VARLIST) {
        if (subindex > o.viewMembers.size()) return E_ACC_ELEM_UNSUPPORTED;
        const Object* m = ByRelative(s, o.viewMembers[subindex - 1]);
        if (!m) return E_OBJECT_UNDEFINED;  // a read description never has this
        Whole(s, *m, out);
        return E_OK;
    }
    if (subindex > o.members.size()) return E_ACC_ELEM_UNSUPPORTED;
    const Member& m = o.members[subindex - 1];
    out.member = static_cast<int>(subindex - 1);
    out.subindex = static_cast<uint8_t>(subindex);
    out.size = m.size;
    return E_OK;
}

int ByNameForm(const Scope& s, const std::string& name, Resolved& out) {
    if (const Object* o = ByName(s, name)) {
        Whole(s, *o, out);
        return E_OK;
    }
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return E_NOT_FOUND;
    const Object* o = ByName(s, name.substr(0, dot));
    if (!o) return E_NOT_FOUND;
    const int member = MemberPosition(*o, name.substr(dot + 1));
    if (member < 0) return E_NOT_FOUND;
    return Select(s, *o, static_cast<uint32_t>(member + 1), out);
}

// A block of the device with its type; E_DD_LOOKUP_FAILED when the description lacks it.
int BlockScope(const Description& d, const BlockPlace& place, Scope& out) {
    const BlockType* type = FindBlockType(d, place.ddItem);
    if (!type) return E_DD_LOOKUP_FAILED;
    out.objects = &type->parameters;
    out.block = type;
    out.start = place.startIndex;
    return E_OK;
}

}  // namespace

const BlockType* FindBlockType(const Description& d, uint32_t ddItem) {
    for (const BlockType& b : d.blocks)
        if (b.ddItem == ddItem) return &b;
    return nullptr;
}

int ResolveOnBlock(const Description& d, const BlockPlace& block, const std::string& name, Resolved& out) {
    out = Resolved();
    Scope s;
    const int st = BlockScope(d, block, s);
    if (st != E_OK) return st;
    uint32_t index = 0, sub = 0;
    if (nifb::ParseIndexName(name, index, sub)) {
        if (index < s.start || index >= s.start + Span(*s.block)) return E_OBJECT_UNDEFINED;
        const Object* o = ByRelative(s, index - s.start);
        return o ? Select(s, *o, sub, out) : E_OBJECT_UNDEFINED;
    }
    return ByNameForm(s, name, out);
}

int ResolveOnVfd(const Description& d, const std::vector<BlockPlace>& blocks, const std::string& name,
                 Resolved& out) {
    out = Resolved();
    const Scope vfd{&d.vfd, nullptr, 0};
    uint32_t index = 0, sub = 0;
    if (nifb::ParseIndexName(name, index, sub)) {
        for (size_t i = 0; i < blocks.size(); ++i) {
            Scope s;
            if (BlockScope(d, blocks[i], s) != E_OK) {
                // A block the description does not know: its extent is unknown, so an index
                // from its start up to the next block or VFD object may be its own.
                uint32_t limit = 0x10000;
                for (const BlockPlace& other : blocks)
                    if (other.startIndex > blocks[i].startIndex) limit = std::min<uint32_t>(limit, other.startIndex);
                for (const Object& o : d.vfd)
                    if (o.index > blocks[i].startIndex) limit = std::min<uint32_t>(limit, o.index);
                if (index >= blocks[i].startIndex && index < limit) return E_DD_LOOKUP_FAILED;
                continue;
            }
            if (index < s.start || index >= s.start + Span(*s.block)) continue;
            const Object* o = ByRelative(s, index - s.start);
            return o ? Select(s, *o, sub, out) : E_OBJECT_UNDEFINED;
        }
        for (const Object& o : d.vfd)
            if (o.index == index) return Select(vfd, o, sub, out);
        return E_OBJECT_UNDEFINED;
    }
    const size_t dot = name.find('.');
    if (dot == std::string::npos) return ByNameForm(vfd, name, out);
    const std::string tag = name.substr(0, dot);
    for (const BlockPlace& place : blocks) {
        if (place.tag != tag) continue;
        Scope s;
        const int st = BlockScope(d, place, s);
        if (st != E_OK) return st;
        return ByNameForm(s, name.substr(dot + 1), out);
    }
    return ByNameForm(vfd, name, out);
}

int ResolveOnMib(const Description& d, const std::string& name, Resolved& out) {
    out = Resolved();
    const Scope mib{&d.mib, nullptr, 0};
    uint32_t index = 0, sub = 0;
    if (nifb::ParseIndexName(name, index, sub)) {
        for (const Object& o : d.mib)
            if (o.index == index) return Select(mib, o, sub, out);
        return E_OBJECT_UNDEFINED;
    }
    return ByNameForm(mib, name, out);
}

}  // namespace nifb::dd
