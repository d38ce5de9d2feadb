#pragma once
// One object of a simulated device's object dictionary: a simple variable, a record or
// array with its members, or a view (a variable list of other objects). The value is kept
// as the device sends it (big-endian). Builders below make the common Fieldbus types.
#include <cstdint>
#include <string>
#include <vector>

#include "nifb/nifb.h"

namespace simulator {

struct EnumItem {
    uint32_t value = 0;
    std::string text;  // device-description text with its language marker ("|en|Linear")
};

// Structure numbers of the standard Fieldbus records.
enum StructureType : uint16_t {
    DS_BLOCK = 64,
    DS_VALUE_STATUS = 65,
    DS_DISCRETE_STATUS = 66,
    DS_SCALING = 68,
    DS_MODE = 69,
    DS_ALARM_DISCRETE = 72,
    DS_EVENT_UPDATE = 73,
    DS_ALARM_SUMMARY = 74,
    DS_LINK = 256,
    DS_FB_START = 257,
    DS_DLME_BASIC = 258,
    DS_LINK_SETTING = 259,
};

// Mode bits of MODE_BLK.
enum ModeBits : uint8_t {
    MODE_OOS = 0x01,
    MODE_IMAN = 0x02,
    MODE_LO = 0x04,
    MODE_MAN = 0x08,
    MODE_AUTO = 0x10,
    MODE_CAS = 0x20,
    MODE_RCAS = 0x40,
    MODE_ROUT = 0x80,
};

struct Member {
    std::string name;  // empty for array elements
    uint16_t dataType = NIF_DT_UINT8;
    uint16_t size = 1;
    uint16_t offset = 0;
    std::vector<EnumItem> items;
    bool bitItems = false;
    bool readOnly = false;
    int writeModes = -1;  // -1: as the object
};

// A member with its name, data type and size; the rest as above.
Member MakeMember(const std::string& name, uint16_t dataType, uint16_t size);

struct DeviceObject {
    uint16_t index = 0;  // absolute index, set when the dictionary is laid out
    std::string name;
    uint8_t objectCode = NIF_OC_SIMPLE;
    uint16_t dataType = NIF_DT_UINT8;  // simple type, array element type, or structure number
    std::vector<Member> members;       // records and arrays
    std::vector<uint8_t> value;        // big-endian bytes (empty for views)
    bool readOnly = false;
    bool isStatic = true;   // a write raises the block's static revision
    uint8_t writeModes = 0; // 0: any mode; otherwise the actual modes that allow a write
    bool hasRange = false;
    float minValue = 0;
    float maxValue = 0;
    std::vector<EnumItem> items;
    bool bitItems = false;
    std::string help;
    std::vector<std::string> viewMemberNames;  // views: member objects, in order
    std::vector<uint16_t> viewMembers;         // views: their positions in the block

    bool IsView() const { return objectCode == NIF_OC_VARLIST; }
    uint16_t Size() const { return static_cast<uint16_t>(value.size()); }

    DeviceObject& RO() { readOnly = true; isStatic = false; return *this; }
    DeviceObject& Dyn() { isStatic = false; return *this; }
    DeviceObject& Modes(uint8_t m) { writeModes = m; return *this; }
    DeviceObject& Range(float lo, float hi) { hasRange = true; minValue = lo; maxValue = hi; return *this; }
    DeviceObject& Enum(std::vector<EnumItem> list) { items = std::move(list); bitItems = false; return *this; }
    DeviceObject& Bits(std::vector<EnumItem> list) { items = std::move(list); bitItems = true; return *this; }
    DeviceObject& Help(const std::string& h) { help = h; return *this; }
    // Per-member rules of a record.
    DeviceObject& MemberModes(const std::string& member, uint8_t modes);
    DeviceObject& MemberEnum(const std::string& member, std::vector<EnumItem> list);
    DeviceObject& MemberRO(const std::string& member);
    Member* FindMember(const std::string& member);
};

// Big-endian access to value bytes (out-of-range offsets read 0 and write nothing).
float GetFloatBE(const std::vector<uint8_t>& v, size_t offset);
void PutFloatBE(std::vector<uint8_t>& v, size_t offset, float f);
uint16_t GetU16BE(const std::vector<uint8_t>& v, size_t offset);
void PutU16BE(std::vector<uint8_t>& v, size_t offset, uint16_t x);
uint32_t GetU32BE(const std::vector<uint8_t>& v, size_t offset);
void PutU32BE(std::vector<uint8_t>& v, size_t offset, uint32_t x);
uint32_t GetUnsignedBE(const std::vector<uint8_t>& v, size_t offset, size_t size);
// Fixed-length text, blank padded.
std::vector<uint8_t> PaddedText(const std::string& text, size_t size);
std::string TrimmedText(const std::vector<uint8_t>& v, size_t offset, size_t size);

// Builders.
DeviceObject Simple(const std::string& name, uint16_t dataType, uint16_t size);
DeviceObject FloatParam(const std::string& name, float v);
DeviceObject U8Param(const std::string& name, uint8_t v);
DeviceObject U16Param(const std::string& name, uint16_t v);
DeviceObject U32Param(const std::string& name, uint32_t v);
DeviceObject TextParam(const std::string& name, const std::string& text, uint16_t size = 32,
                       uint16_t dataType = NIF_DT_VSTRING);
DeviceObject BitStringParam(const std::string& name, uint16_t size, uint32_t bitsHostNumbering);
DeviceObject DateParam(const std::string& name);
DeviceObject FloatArray(const std::string& name, const std::vector<float>& values);
DeviceObject ValueStatus(const std::string& name, uint8_t status, float value);
DeviceObject DiscreteStatus(const std::string& name, uint8_t status, uint8_t value);
// Scaling records are written out of service only, whatever the block.
DeviceObject Scaling(const std::string& name, float eu100, float eu0, uint16_t units, int8_t decimals);
DeviceObject ModeRecord(const std::string& name, uint8_t target, uint8_t permitted, uint8_t normal);
DeviceObject AlarmSummary(const std::string& name);
DeviceObject EventUpdate(const std::string& name);
DeviceObject AlarmDiscrete(const std::string& name);
DeviceObject RecordParam(const std::string& name, uint16_t structure, const std::vector<Member>& members);
DeviceObject View(const std::string& name, const std::vector<std::string>& members);

// Bit strings: the device sends bit 0 as the most significant bit of the first byte.
// These convert between that layout and the value 1 << k for bit k.
uint32_t BitsFromWire(const std::vector<uint8_t>& v, size_t offset, size_t size);
void BitsToWire(std::vector<uint8_t>& v, size_t offset, size_t size, uint32_t bits);

}  // namespace simulator
