#include "simulator/Block.h"

#include <cctype>

namespace simulator {

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

int Block::Find(const std::string& name) const {
    if (!positions.empty()) {
        auto it = positions.find(name);
        return it == positions.end() ? -1 : it->second;
    }
    for (size_t i = 0; i < objects.size(); ++i)
        if (objects[i].name == name) return static_cast<int>(i);
    return -1;
}

void Block::IndexNames() {
    positions.clear();
    // The first of two equal names wins, as a search from the start would find it.
    for (size_t i = 0; i < objects.size(); ++i) positions.emplace(objects[i].name, static_cast<int>(i));
}

DeviceObject* Block::Obj(const std::string& name) {
    int i = Find(name);
    return i < 0 ? nullptr : &objects[static_cast<size_t>(i)];
}

const DeviceObject* Block::Obj(const std::string& name) const {
    int i = Find(name);
    return i < 0 ? nullptr : &objects[static_cast<size_t>(i)];
}

bool Block::Layout(std::string& error) {
    IndexNames();
    for (size_t i = 0; i < objects.size(); ++i) objects[i].index = static_cast<uint16_t>(startIndex + i);
    for (DeviceObject& o : objects) {
        if (!o.IsView()) continue;
        o.viewMembers.clear();
        for (const std::string& m : o.viewMemberNames) {
            int pos = Find(m);
            if (pos <= 0 || objects[static_cast<size_t>(pos)].IsView()) {
                error = "view " + o.name + " of block " + tag + " names unknown parameter " + m;
                return false;
            }
            o.viewMembers.push_back(static_cast<uint16_t>(pos));
        }
        RefreshView(o);
    }
    RefreshHeader();
    return true;
}

void Block::RefreshHeader() {
    DeviceObject& h = objects[0];
    std::vector<uint8_t>& v = h.value;
    std::vector<uint8_t> t = PaddedText(tag, 32);
    std::copy(t.begin(), t.end(), v.begin());
    PutU32BE(v, 32, ddMember);
    PutU32BE(v, 36, ddItem);
    PutU16BE(v, 40, ddRevision);
    PutU16BE(v, 42, profile);
    PutU16BE(v, 44, profileRevision);
    PutU32BE(v, 46, executionTime);
    PutU32BE(v, 50, period);
    PutU16BE(v, 54, numParams);
    PutU16BE(v, 56, 0);
    PutU16BE(v, 58, static_cast<uint16_t>(startIndex + firstView));
    v[60] = numView3;
    v[61] = numView4;
}

void Block::RefreshView(DeviceObject& view) const {
    view.value.clear();
    for (uint16_t pos : view.viewMembers) {
        const std::vector<uint8_t>& part = objects[pos].value;
        view.value.insert(view.value.end(), part.begin(), part.end());
    }
}

uint8_t Block::Target() const { return GetByte("MODE_BLK", 0); }
uint8_t Block::Actual() const { return GetByte("MODE_BLK", 1); }
void Block::SetActual(uint8_t mode) { SetByte("MODE_BLK", mode, 1); }

float Block::GetFloat(const std::string& name, size_t offset) const {
    const DeviceObject* o = Obj(name);
    return o ? GetFloatBE(o->value, offset) : 0.0f;
}

void Block::SetFloat(const std::string& name, float v, size_t offset) {
    if (DeviceObject* o = Obj(name)) PutFloatBE(o->value, offset, v);
}

uint8_t Block::GetByte(const std::string& name, size_t offset) const {
    const DeviceObject* o = Obj(name);
    return (o && offset < o->value.size()) ? o->value[offset] : 0;
}

void Block::SetByte(const std::string& name, uint8_t v, size_t offset) {
    DeviceObject* o = Obj(name);
    if (o && offset < o->value.size()) o->value[offset] = v;
}

Block MakeBlock(const std::string& kind, const std::string& tag, uint8_t blockType, uint16_t profile,
                uint16_t startIndex, uint8_t permittedModes, uint8_t normalMode, std::vector<DeviceObject> params,
                std::vector<DeviceObject> views) {
    Block b;
    b.kind = kind;
    b.tag = tag;
    b.blockType = blockType;
    b.profile = profile;
    b.startIndex = startIndex;
    b.ddMember = 0x80020000u + profile;
    b.ddItem = 0x800201D0u + profile;
    DeviceObject header = RecordParam(
        "BLOCK", DS_BLOCK,
        {MakeMember("BLOCK_TAG", NIF_DT_VSTRING, 32), MakeMember("DD_MEMBER", NIF_DT_UINT32, 4),
         MakeMember("DD_ITEM", NIF_DT_UINT32, 4), MakeMember("DD_REVIS", NIF_DT_UINT16, 2),
         MakeMember("PROFILE", NIF_DT_UINT16, 2), MakeMember("PROFILE_REVISION", NIF_DT_UINT16, 2),
         MakeMember("EXECUTION_TIME", NIF_DT_UINT32, 4), MakeMember("PERIOD_OF_EXECUTION", NIF_DT_UINT32, 4),
         MakeMember("NUM_OF_PARAMS", NIF_DT_UINT16, 2), MakeMember("NEXT_FB_TO_EXECUTE", NIF_DT_UINT16, 2),
         MakeMember("START_OF_VIEW_1", NIF_DT_UINT16, 2), MakeMember("N_OF_VIEW_3", NIF_DT_UINT8, 1),
         MakeMember("N_OF_VIEW_4", NIF_DT_UINT8, 1)});
    header.RO();
    b.objects.push_back(header);
    std::vector<DeviceObject> leading = {
        U16Param("ST_REV", 0).RO(),
        TextParam("TAG_DESC", "", 32, NIF_DT_OCTSTRING),
        U16Param("STRATEGY", 0),
        U8Param("ALERT_KEY", 1).Range(1, 255),
        ModeRecord("MODE_BLK", normalMode, permittedModes, normalMode),
        BitStringParam("BLOCK_ERR", 2, 0).RO(),
    };
    for (DeviceObject& o : leading) b.objects.push_back(std::move(o));
    for (DeviceObject& o : params) b.objects.push_back(std::move(o));
    b.numParams = static_cast<uint16_t>(b.objects.size() - 1);
    b.firstView = static_cast<uint16_t>(b.objects.size());
    for (DeviceObject& v : views) {
        if (v.name == "VIEW_3") ++b.numView3;
        if (v.name == "VIEW_4") ++b.numView4;
        b.objects.push_back(std::move(v));
    }
    b.effectiveTarget = normalMode;
    b.pendingTarget = normalMode;
    b.IndexNames();
    return b;
}

}  // namespace simulator
