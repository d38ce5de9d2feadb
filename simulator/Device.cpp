#include "simulator/Device.h"

#include <algorithm>
#include <cmath>

#include "nifb/IndexName.h"
#include "simulator/ProcessModel.h"

namespace simulator {

double DeviceFaults::NextRandom() {
    // xorshift64*: the same sequence on every run.
    randomState ^= randomState >> 12;
    randomState ^= randomState << 25;
    randomState ^= randomState >> 27;
    uint64_t x = randomState * 0x2545F4914F6CDD1Dull;
    return static_cast<double>(x >> 11) / 9007199254740992.0;
}

bool IsValidTarget(uint8_t target, uint8_t permitted) {
    if (target == 0 || (target & ~permitted) != 0) return false;
    if (target & (MODE_IMAN | MODE_LO)) return false;
    uint8_t remote = target & (MODE_CAS | MODE_RCAS | MODE_ROUT);
    if (remote) return (target & ~(remote | MODE_AUTO)) == 0;
    return target == MODE_OOS || target == MODE_MAN || target == MODE_AUTO;
}

bool Device::Layout(std::string& error) {
    for (Block& b : blocks)
        if (!b.Layout(error)) return false;
    for (size_t i = 0; i < mib.size(); ++i)
        if (mib[i].index == 0) mib[i].index = static_cast<uint16_t>(260 + i);
    RefreshDerived();
    return true;
}

bool Device::IsAnswering(uint64_t nowMs) const {
    if (restarting && nowMs < restartUntilMs) return false;
    if (nowMs >= faults.silentFromMs && nowMs < faults.silentUntilMs) return false;
    return true;
}

bool Device::ConfiguredAsLinkMaster() const {
    for (const DeviceObject& o : mib)
        if (o.name == "DLME_BASIC_CHARACTERISTICS" && o.value.size() >= 3) return (o.value[2] & 0x03) == 2;
    return false;
}

uint32_t Device::ClassFlags() const {
    if (classFlagsOverride) return classFlagsOverride;
    return ConfiguredAsLinkMaster() ? NIF_CLASS_LINK_MASTER : NIF_CLASS_BASIC;
}

Block* Device::BlockByTag(const std::string& tag) {
    for (Block& b : blocks)
        if (b.tag == tag) return &b;
    return nullptr;
}

Block* Device::BlockByKind(const std::string& kind, int nth) {
    for (Block& b : blocks)
        if (b.kind == kind && nth-- == 0) return &b;
    return nullptr;
}

DeviceObject* Device::MibObject(const std::string& name) {
    for (DeviceObject& o : mib)
        if (o.name == name) return &o;
    return nullptr;
}

namespace {

// Member by name or by number (1 = first).
int MemberPosition(const DeviceObject& o, const std::string& member) {
    if (o.IsView()) {
        char* end = nullptr;
        long n = std::strtol(member.c_str(), &end, 10);
        if (!member.empty() && *end == '\0' && n >= 1 && static_cast<size_t>(n) <= o.viewMembers.size())
            return static_cast<int>(n - 1);
        return -1;
    }
    for (size_t i = 0; i < o.members.size(); ++i)
        if (!o.members[i].name.empty() && o.members[i].name == member) return static_cast<int>(i);
    char* end = nullptr;
    long n = std::strtol(member.c_str(), &end, 10);
    if (!member.empty() && *end == '\0' && n >= 1 && static_cast<size_t>(n) <= o.members.size())
        return static_cast<int>(n - 1);
    return -1;
}

// Position of an object by exact name: a block's objects through its name index, the
// short MIB and link-object lists by search.
int Position(Block* block, std::vector<DeviceObject>& list, const std::string& name) {
    if (block) return block->Find(name);
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].name == name) return static_cast<int>(i);
    return -1;
}

}  // namespace

int Device::Resolve(Space space, Block* onlyBlock, const std::string& name, ObjectRef& out) {
    out = ObjectRef();
    out.space = space;
    uint32_t index = 0, sub = 0;
    auto selectMember = [&](uint32_t subindex) -> int {
        if (subindex == 0) return E_OK;
        DeviceObject& o = *out.object;
        size_t count = o.IsView() ? o.viewMembers.size() : o.members.size();
        if (subindex > count) return E_ACC_ELEM_UNSUPPORTED;
        if (o.IsView()) {
            out.object = &out.block->objects[o.viewMembers[subindex - 1]];
            return E_OK;
        }
        out.member = static_cast<int>(subindex - 1);
        return E_OK;
    };
    if (nifb::ParseIndexName(name, index, sub)) {
        if (space == Space::Mib) {
            for (DeviceObject& o : mib)
                if (o.index == index) {
                    out.object = &o;
                    return selectMember(sub);
                }
            return E_OBJECT_UNDEFINED;
        }
        for (Block& b : blocks) {
            if (onlyBlock && &b != onlyBlock) continue;
            if (index < b.startIndex || index >= b.startIndex + b.objects.size()) continue;
            out.block = &b;
            out.object = &b.objects[index - b.startIndex];
            if (out.object == &b.objects[0]) b.RefreshHeader();
            return selectMember(sub);
        }
        if (!onlyBlock)
            for (DeviceObject& o : vfdObjects)
                if (o.index == index) {
                    out.object = &o;
                    return selectMember(sub);
                }
        return E_OBJECT_UNDEFINED;
    }

    // Name forms.
    auto inList = [&](Block* block, std::vector<DeviceObject>& list, const std::string& n) -> int {
        int pos = Position(block, list, n);
        if (pos >= 0) {
            out.object = &list[static_cast<size_t>(pos)];
            return E_OK;
        }
        size_t dot = n.rfind('.');
        if (dot == std::string::npos) return E_NOT_FOUND;
        pos = Position(block, list, n.substr(0, dot));
        if (pos < 0) return E_NOT_FOUND;
        DeviceObject& o = list[static_cast<size_t>(pos)];
        int member = MemberPosition(o, n.substr(dot + 1));
        if (member < 0) return E_NOT_FOUND;
        out.object = &o;
        return selectMember(static_cast<uint32_t>(member + 1));
    };
    if (space == Space::Mib) return inList(nullptr, mib, name);

    Block* block = onlyBlock;
    std::string rest = name;
    if (!block) {
        size_t dot = name.find('.');
        if (dot == std::string::npos) return inList(nullptr, vfdObjects, name);
        block = BlockByTag(name.substr(0, dot));
        if (!block) return inList(nullptr, vfdObjects, name);
        rest = name.substr(dot + 1);
    }
    out.block = block;
    int st = inList(block, block->objects, rest);
    if (st == E_OK && out.object == &block->objects[0]) block->RefreshHeader();
    return st;
}

uint16_t Device::SizeOf(const ObjectRef& ref) const {
    if (ref.member >= 0) return ref.object->members[static_cast<size_t>(ref.member)].size;
    if (ref.object->IsView()) {
        size_t n = 0;
        for (uint16_t pos : ref.object->viewMembers) n += ref.block->objects[pos].value.size();
        return static_cast<uint16_t>(n);
    }
    return ref.object->Size();
}

std::string Device::NameOf(const ObjectRef& ref) const {
    if (ref.member >= 0) return ref.object->members[static_cast<size_t>(ref.member)].name;
    return ref.object->name;
}

int Device::Read(const ObjectRef& ref, std::vector<uint8_t>& out) {
    RefreshDerived();
    const DeviceObject& o = *ref.object;
    if (ref.member >= 0) {
        const Member& m = o.members[static_cast<size_t>(ref.member)];
        out.assign(o.value.begin() + m.offset, o.value.begin() + m.offset + m.size);
        return E_OK;
    }
    out = o.value;
    return E_OK;
}

int Device::CheckValue(const ObjectRef& ref, const DeviceObject& o, const Member* m, const std::vector<uint8_t>& v,
                       size_t offset) const {
    uint16_t type = m ? m->dataType : o.dataType;
    uint16_t size = m ? m->size : static_cast<uint16_t>(v.size());
    const std::vector<EnumItem>& items = (m && !m->items.empty()) ? m->items : o.items;
    bool bits = (m && !m->items.empty()) ? m->bitItems : o.bitItems;
    if (type == NIF_DT_FLOAT && size == 4) {
        float f = GetFloatBE(v, offset);
        if (std::isnan(f)) return E_PARAMETER_CHECK;
        if (o.hasRange && (f < o.minValue || f > o.maxValue)) return E_EXCEED_LIMIT;
        return E_OK;
    }
    bool integer = type == NIF_DT_UINT8 || type == NIF_DT_UINT16 || type == NIF_DT_UINT32 || type == NIF_DT_BOOLEAN;
    if (integer && size <= 4) {
        uint32_t x = GetUnsignedBE(v, offset, size);
        if (!items.empty() && !bits) {
            bool found = false;
            for (const EnumItem& it : items) found = found || it.value == x;
            if (!found) return E_PARAMETER_CHECK;
        }
        if (o.hasRange && (static_cast<double>(x) < o.minValue || static_cast<double>(x) > o.maxValue))
            return E_EXCEED_LIMIT;
        return E_OK;
    }
    if (type == NIF_DT_BSTRING && size <= 4) {
        if (ref.block && o.name == "MODE_BLK" && m) {
            uint8_t permitted = ref.block->GetByte("MODE_BLK", 2);
            if (m->name == "TARGET" && !IsValidTarget(v[offset], permitted)) return E_PARAMETER_CHECK;
            if (m->name == "NORMAL" && !IsValidTarget(v[offset], permitted)) return E_PARAMETER_CHECK;
            if (m->name == "PERMITTED" && (v[offset] & MODE_OOS) == 0) return E_PARAMETER_CHECK;
            return E_OK;
        }
        if (bits && !items.empty()) {
            uint32_t all = 0;
            for (const EnumItem& it : items) all |= it.value;
            if (BitsFromWire(v, offset, size) & ~all) return E_PARAMETER_CHECK;
        }
    }
    return E_OK;
}

int Device::CheckWrite(const ObjectRef& ref, const std::vector<uint8_t>& bytes) const {
    const DeviceObject& o = *ref.object;
    if (o.IsView()) return E_OBJECT_ACCESS_UNSUPPORTED;
    if (o.readOnly) return E_DATA_NEVER_WRITABLE;
    const Member* m = ref.member >= 0 ? &o.members[static_cast<size_t>(ref.member)] : nullptr;
    if (m && m->readOnly) return E_DATA_NEVER_WRITABLE;
    if (bytes.size() != SizeOf(ref)) return E_BAD_ARGUMENT;

    // The resource block's write lock stops every write but the lock itself.
    if (o.name != "WRITE_LOCK" && !blocks.empty()) {
        const Block& rb = blocks.front();
        if (rb.kind == "RB" && rb.GetByte("WRITE_LOCK") == 2) return E_WRITE_IS_PROHIBITED;
    }

    if (ref.block) {
        const uint8_t actual = ref.block->Actual();
        int modes = (m && m->writeModes >= 0) ? m->writeModes : o.writeModes;
        if (modes != 0 && (actual & modes) == 0) return E_WRONG_MODE_FOR_REQUEST;
        // A whole-record write also changes the members that have a rule of their own.
        if (!m)
            for (const Member& mem : o.members)
                if (!mem.readOnly && mem.writeModes > 0 && (actual & mem.writeModes) == 0)
                    return E_WRONG_MODE_FOR_REQUEST;
    }

    if (m) return CheckValue(ref, o, m, bytes, 0);
    if (o.members.empty()) return CheckValue(ref, o, nullptr, bytes, 0);
    // Whole record: ACTUAL is read-only, so a record write keeps it; check the others.
    for (const Member& mem : o.members) {
        std::vector<uint8_t> part(bytes.begin() + mem.offset, bytes.begin() + mem.offset + mem.size);
        if (mem.readOnly) continue;
        int st = CheckValue(ref, o, &mem, part, 0);
        if (st != E_OK) return st;
    }
    return E_OK;
}

int Device::Write(const ObjectRef& ref, const std::vector<uint8_t>& bytes, uint64_t nowMs) {
    RefreshDerived();
    int st = CheckWrite(ref, bytes);
    if (st != E_OK) return st;
    DeviceObject& o = *ref.object;
    bool handled = false;
    if (extension) {
        st = extension->OnWrite(*this, ref.block, o, ref.member, bytes, nowMs, handled);
        if (st != E_OK) return st;
    }
    if (!handled) {
        if (ref.member >= 0) {
            const Member& m = o.members[static_cast<size_t>(ref.member)];
            std::copy(bytes.begin(), bytes.end(), o.value.begin() + m.offset);
        } else {
            for (size_t i = 0; i < bytes.size(); ++i) {
                bool keep = false;
                for (const Member& m : o.members)
                    if (m.readOnly && i >= m.offset && i < static_cast<size_t>(m.offset + m.size)) keep = true;
                if (!keep) o.value[i] = bytes[i];
            }
        }
    }
    AfterWrite(ref, nowMs);
    return E_OK;
}

void Device::AfterWrite(const ObjectRef& ref, uint64_t nowMs) {
    DeviceObject& o = *ref.object;
    if (ref.block) {
        Block& b = *ref.block;
        if (o.isStatic) {
            DeviceObject* st = b.Obj("ST_REV");
            if (st) PutU16BE(st->value, 0, static_cast<uint16_t>(GetU16BE(st->value, 0) + 1));
        }
        if (o.name == "MODE_BLK") {
            b.pendingTarget = b.Target();
            b.pendingAt = nowMs;
            b.pending = true;
        }
        if (b.kind == "RB" && o.name == "RESTART") {
            uint8_t v = o.value[0];
            if (v >= 2) Restart(nowMs);
        }
        if (b.kind == "TB" && o.name == "RELEASE_FAILSAFE" && o.value[0] == 4) o.value[0] = 1;
    }
}

int Device::SetBlockTag(Block& block, const std::string& tag) {
    if (tag.size() > 32) return E_BAD_ARGUMENT;
    if (block.Actual() != MODE_OOS) return E_WRONG_MODE_FOR_REQUEST;
    std::string t = tag;
    while (!t.empty() && t.back() == ' ') t.pop_back();
    block.tag = t;
    block.RefreshHeader();
    DeviceObject* st = block.Obj("ST_REV");
    if (st) PutU16BE(st->value, 0, static_cast<uint16_t>(GetU16BE(st->value, 0) + 1));
    return E_OK;
}

void Device::Restart(uint64_t nowMs) {
    restartUntilMs = nowMs + restartMs;
    restarting = true;
}

bool Device::CascadeFed(const Block& block, const std::string& input) const {
    const DeviceObject* in = block.Obj(input);
    if (!in) return false;
    for (const DeviceObject& link : vfdObjects) {
        if (link.dataType != DS_LINK || link.value.size() < 8) continue;
        if (GetU16BE(link.value, 0) != in->index) continue;
        uint16_t remote = GetU16BE(link.value, 4);
        for (const Block& b : blocks)
            if (remote >= b.startIndex && remote < b.startIndex + b.objects.size())
                return b.Actual() != MODE_OOS;
        return GetU16BE(link.value, 2) != 0;  // published by another device over a VCR
    }
    return false;
}

bool Device::RemotelyFed(const Block& block, const std::string& input) const {
    const DeviceObject* in = block.Obj(input);
    if (!in) return false;
    for (const DeviceObject& link : vfdObjects) {
        if (link.dataType != DS_LINK || link.value.size() < 8) continue;
        if (GetU16BE(link.value, 0) != in->index || GetU16BE(link.value, 2) == 0) continue;
        const uint16_t remote = GetU16BE(link.value, 4);
        bool local = false;
        for (const Block& b : blocks) local = local || (remote >= b.startIndex && remote < b.startIndex + b.objects.size());
        if (!local) return true;
    }
    return false;
}

uint8_t Device::ComputeActual(const Block& b) const {
    uint8_t t = b.effectiveTarget;
    if (b.kind == "RB") return (t & MODE_OOS) ? MODE_OOS : MODE_AUTO;
    if (!blocks.empty() && blocks.front().kind == "RB" && blocks.front().Actual() == MODE_OOS) return MODE_OOS;
    if (t & MODE_OOS) return MODE_OOS;
    if (b.kind == "AO" || b.kind == "PID" || b.kind == "SPLT") {
        if (t & MODE_ROUT) return MODE_ROUT;
        if (t & MODE_RCAS) return MODE_RCAS;
        if (t & MODE_CAS) {
            if (CascadeFed(b, "CAS_IN")) return MODE_CAS;
            return MODE_AUTO;
        }
    }
    if (t & MODE_MAN) return MODE_MAN;
    return MODE_AUTO;
}

void Device::RefreshDerived() {
    // Resource block first: the others follow its actual mode.
    for (Block& b : blocks) b.SetActual(ComputeActual(b));
    for (Block& b : blocks)
        for (DeviceObject& o : b.objects)
            if (o.IsView()) b.RefreshView(o);
}

void Device::Advance(uint64_t nowMs) {
    if (!advanced) {
        advanced = true;
        lastAdvanceMs = nowMs;
    }
    if (restarting && nowMs >= restartUntilMs) {
        restarting = false;
        if (!blocks.empty() && blocks.front().Obj("RESTART")) blocks.front().SetByte("RESTART", 1);
        DeviceObject* boot = MibObject("BOOT_OPERAT_FUNCTIONAL_CLASS");
        DeviceObject* dlme = MibObject("DLME_BASIC_CHARACTERISTICS");
        if (boot && dlme && dlme->value.size() >= 3)
            dlme->value[2] = static_cast<uint8_t>((dlme->value[2] & ~0x03) | (boot->value[0] & 0x03));
    }
    for (Block& b : blocks)
        if (b.pending && nowMs >= b.pendingAt + settleMs) {
            b.effectiveTarget = b.pendingTarget;
            b.pending = false;
        }
    RefreshDerived();
    if (nowMs > lastAdvanceMs) {
        // Steps of kProcessStepMs; a gap longer than kMaxCatchUpSteps of them (a segment left
        // idle) is covered by kMaxCatchUpSteps longer steps, so catching up costs the same
        // after a minute as after a day.
        const uint64_t gap = nowMs - lastAdvanceMs;
        const uint64_t steps = std::min<uint64_t>(kMaxCatchUpSteps, (gap + kProcessStepMs - 1) / kProcessStepMs);
        for (uint64_t i = 1; i <= steps; ++i) {
            const uint64_t from = lastAdvanceMs;
            const uint64_t to = i == steps ? nowMs : nowMs - gap + gap * i / steps;
            AdvanceProcess(*this, from, to);
            if (extension) extension->Advance(*this, from, to);
            lastAdvanceMs = to;
        }
        RefreshDerived();
    }
}

}  // namespace simulator
