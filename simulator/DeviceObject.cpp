#include "simulator/DeviceObject.h"

#include <cstring>

namespace simulator {

DeviceObject& DeviceObject::MemberModes(const std::string& member, uint8_t modes) {
    if (Member* m = FindMember(member)) m->writeModes = modes;
    return *this;
}

DeviceObject& DeviceObject::MemberEnum(const std::string& member, std::vector<EnumItem> list) {
    if (Member* m = FindMember(member)) m->items = std::move(list);
    return *this;
}

DeviceObject& DeviceObject::MemberRO(const std::string& member) {
    if (Member* m = FindMember(member)) m->readOnly = true;
    return *this;
}

Member* DeviceObject::FindMember(const std::string& member) {
    for (Member& m : members)
        if (m.name == member) return &m;
    return nullptr;
}

float GetFloatBE(const std::vector<uint8_t>& v, size_t offset) {
    uint32_t bits = GetU32BE(v, offset);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

void PutFloatBE(std::vector<uint8_t>& v, size_t offset, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    PutU32BE(v, offset, bits);
}

uint16_t GetU16BE(const std::vector<uint8_t>& v, size_t offset) {
    return static_cast<uint16_t>(GetUnsignedBE(v, offset, 2));
}

void PutU16BE(std::vector<uint8_t>& v, size_t offset, uint16_t x) {
    if (offset + 2 > v.size()) return;
    v[offset] = static_cast<uint8_t>(x >> 8);
    v[offset + 1] = static_cast<uint8_t>(x);
}

uint32_t GetU32BE(const std::vector<uint8_t>& v, size_t offset) { return GetUnsignedBE(v, offset, 4); }

void PutU32BE(std::vector<uint8_t>& v, size_t offset, uint32_t x) {
    if (offset + 4 > v.size()) return;
    for (int i = 0; i < 4; ++i) v[offset + static_cast<size_t>(i)] = static_cast<uint8_t>(x >> (24 - 8 * i));
}

uint32_t GetUnsignedBE(const std::vector<uint8_t>& v, size_t offset, size_t size) {
    if (size > 4 || offset + size > v.size()) return 0;
    uint32_t x = 0;
    for (size_t i = 0; i < size; ++i) x = (x << 8) | v[offset + i];
    return x;
}

std::vector<uint8_t> PaddedText(const std::string& text, size_t size) {
    std::vector<uint8_t> v(size, ' ');
    for (size_t i = 0; i < size && i < text.size(); ++i) v[i] = static_cast<uint8_t>(text[i]);
    return v;
}

std::string TrimmedText(const std::vector<uint8_t>& v, size_t offset, size_t size) {
    std::string s;
    for (size_t i = offset; i < offset + size && i < v.size(); ++i) {
        if (v[i] == 0) break;
        s += static_cast<char>(v[i]);
    }
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

uint32_t BitsFromWire(const std::vector<uint8_t>& v, size_t offset, size_t size) {
    uint32_t bits = 0;
    for (size_t k = 0; k < size * 8 && k < 32; ++k) {
        size_t byte = offset + k / 8;
        if (byte < v.size() && (v[byte] & (0x80u >> (k % 8)))) bits |= 1u << k;
    }
    return bits;
}

void BitsToWire(std::vector<uint8_t>& v, size_t offset, size_t size, uint32_t bits) {
    for (size_t k = 0; k < size * 8 && k < 32; ++k) {
        size_t byte = offset + k / 8;
        if (byte >= v.size()) return;
        uint8_t mask = static_cast<uint8_t>(0x80u >> (k % 8));
        if (bits & (1u << k))
            v[byte] |= mask;
        else
            v[byte] &= static_cast<uint8_t>(~mask);
    }
}

DeviceObject Simple(const std::string& name, uint16_t dataType, uint16_t size) {
    DeviceObject o;
    o.name = name;
    o.objectCode = NIF_OC_SIMPLE;
    o.dataType = dataType;
    o.value.assign(size, 0);
    return o;
}

DeviceObject FloatParam(const std::string& name, float v) {
    DeviceObject o = Simple(name, NIF_DT_FLOAT, 4);
    PutFloatBE(o.value, 0, v);
    return o;
}

DeviceObject U8Param(const std::string& name, uint8_t v) {
    DeviceObject o = Simple(name, NIF_DT_UINT8, 1);
    o.value[0] = v;
    return o;
}

DeviceObject U16Param(const std::string& name, uint16_t v) {
    DeviceObject o = Simple(name, NIF_DT_UINT16, 2);
    PutU16BE(o.value, 0, v);
    return o;
}

DeviceObject U32Param(const std::string& name, uint32_t v) {
    DeviceObject o = Simple(name, NIF_DT_UINT32, 4);
    PutU32BE(o.value, 0, v);
    return o;
}

DeviceObject TextParam(const std::string& name, const std::string& text, uint16_t size, uint16_t dataType) {
    DeviceObject o = Simple(name, dataType, size);
    o.value = PaddedText(text, size);
    return o;
}

DeviceObject BitStringParam(const std::string& name, uint16_t size, uint32_t bits) {
    DeviceObject o = Simple(name, NIF_DT_BSTRING, size);
    BitsToWire(o.value, 0, size, bits);
    return o;
}

DeviceObject DateParam(const std::string& name) {
    DeviceObject o = Simple(name, NIF_DT_DATE, 7);
    return o;
}

DeviceObject FloatArray(const std::string& name, const std::vector<float>& values) {
    DeviceObject o;
    o.name = name;
    o.objectCode = NIF_OC_ARRAY;
    o.dataType = NIF_DT_FLOAT;
    o.value.assign(values.size() * 4, 0);
    for (size_t i = 0; i < values.size(); ++i) {
        PutFloatBE(o.value, i * 4, values[i]);
        Member m;
        m.dataType = NIF_DT_FLOAT;
        m.size = 4;
        m.offset = static_cast<uint16_t>(i * 4);
        o.members.push_back(m);
    }
    return o;
}

DeviceObject RecordParam(const std::string& name, uint16_t structure, const std::vector<Member>& members) {
    DeviceObject o;
    o.name = name;
    o.objectCode = NIF_OC_RECORD;
    o.dataType = structure;
    uint16_t offset = 0;
    for (Member m : members) {
        m.offset = offset;
        offset = static_cast<uint16_t>(offset + m.size);
        o.members.push_back(m);
    }
    o.value.assign(offset, 0);
    return o;
}

Member MakeMember(const std::string& name, uint16_t dataType, uint16_t size) {
    Member m;
    m.name = name;
    m.dataType = dataType;
    m.size = size;
    return m;
}

DeviceObject ValueStatus(const std::string& name, uint8_t status, float value) {
    DeviceObject o = RecordParam(name, DS_VALUE_STATUS,
                                 {MakeMember("STATUS", NIF_DT_UINT8, 1), MakeMember("VALUE", NIF_DT_FLOAT, 4)});
    o.value[0] = status;
    PutFloatBE(o.value, 1, value);
    return o;
}

DeviceObject DiscreteStatus(const std::string& name, uint8_t status, uint8_t value) {
    DeviceObject o = RecordParam(name, DS_DISCRETE_STATUS,
                                 {MakeMember("STATUS", NIF_DT_UINT8, 1), MakeMember("VALUE", NIF_DT_UINT8, 1)});
    o.value[0] = status;
    o.value[1] = value;
    return o;
}

DeviceObject Scaling(const std::string& name, float eu100, float eu0, uint16_t units, int8_t decimals) {
    DeviceObject o = RecordParam(name, DS_SCALING,
                                 {MakeMember("EU_100", NIF_DT_FLOAT, 4), MakeMember("EU_0", NIF_DT_FLOAT, 4),
                                  MakeMember("UNITS_INDEX", NIF_DT_UINT16, 2), MakeMember("DECIMAL", NIF_DT_INT8, 1)});
    PutFloatBE(o.value, 0, eu100);
    PutFloatBE(o.value, 4, eu0);
    PutU16BE(o.value, 8, units);
    o.value[10] = static_cast<uint8_t>(decimals);
    // A block changes its scales only out of service.
    o.writeModes = MODE_OOS;
    return o;
}

DeviceObject ModeRecord(const std::string& name, uint8_t target, uint8_t permitted, uint8_t normal) {
    DeviceObject o = RecordParam(name, DS_MODE,
                                 {MakeMember("TARGET", NIF_DT_BSTRING, 1), MakeMember("ACTUAL", NIF_DT_BSTRING, 1),
                                  MakeMember("PERMITTED", NIF_DT_BSTRING, 1), MakeMember("NORMAL", NIF_DT_BSTRING, 1)});
    o.value = {target, target, permitted, normal};
    o.MemberRO("ACTUAL");
    o.Dyn();
    return o;
}

DeviceObject AlarmSummary(const std::string& name) {
    return RecordParam(name, DS_ALARM_SUMMARY,
                       {MakeMember("CURRENT", NIF_DT_BSTRING, 2), MakeMember("UNACKNOWLEDGED", NIF_DT_BSTRING, 2),
                        MakeMember("UNREPORTED", NIF_DT_BSTRING, 2), MakeMember("DISABLED", NIF_DT_BSTRING, 2)});
}

DeviceObject EventUpdate(const std::string& name) {
    DeviceObject o =
        RecordParam(name, DS_EVENT_UPDATE,
                    {MakeMember("UNACKNOWLEDGED", NIF_DT_UINT8, 1), MakeMember("UPDATE_STATE", NIF_DT_UINT8, 1),
                     MakeMember("TIME_STAMP", NIF_DT_TVALUE, 8), MakeMember("STATIC_REVISION", NIF_DT_UINT16, 2),
                     MakeMember("RELATIVE_INDEX", NIF_DT_UINT16, 2)});
    return o.RO();
}

DeviceObject AlarmDiscrete(const std::string& name) {
    DeviceObject o =
        RecordParam(name, DS_ALARM_DISCRETE,
                    {MakeMember("UNACKNOWLEDGED", NIF_DT_UINT8, 1), MakeMember("ALARM_STATE", NIF_DT_UINT8, 1),
                     MakeMember("TIME_STAMP", NIF_DT_TVALUE, 8), MakeMember("SUBCODE", NIF_DT_UINT16, 2),
                     MakeMember("VALUE", NIF_DT_UINT8, 1)});
    return o.RO();
}

DeviceObject View(const std::string& name, const std::vector<std::string>& members) {
    DeviceObject o;
    o.name = name;
    o.objectCode = NIF_OC_VARLIST;
    o.dataType = 0;
    o.readOnly = true;
    o.isStatic = false;
    o.viewMemberNames = members;
    return o;
}

}  // namespace simulator
