#pragma once
// Plain records exchanged through the device interface, in host byte order.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace fieldbus {

// A value-and-status parameter (5 bytes on the wire: status, float).
struct StatusValue {
    uint8_t status = 0;
    float value = 0.0f;
};

// A discrete value-and-status parameter (2 bytes on the wire: status, value).
struct DiscreteValue {
    uint8_t status = 0;
    uint8_t value = 0;
};

// A scaling record (11 bytes on the wire).
struct ScalingRecord {
    float eu100 = 0.0f;
    float eu0 = 0.0f;
    uint16_t unitsIndex = 0;
    int8_t decimals = 0;
};

// Records passed through as the device sends them (member layout belongs to their users).
using RawRecord7 = std::array<uint8_t, 7>;    // Fieldbus DATE (XD_CAL_DATE)
using RawRecord8 = std::array<uint8_t, 8>;    // the 8-byte transducer-block parameters
using RawRecord36 = std::array<uint8_t, 36>;  // POSITION_CHAR (nine floats)
// Block views as the device sends them.
using RawRecord22 = std::array<uint8_t, 22>;  // RB, DI1, DI2 VIEW_1
using RawRecord28 = std::array<uint8_t, 28>;  // SPLT VIEW_1
using RawRecord33 = std::array<uint8_t, 33>;  // AO VIEW_1
using RawRecord83 = std::array<uint8_t, 83>;  // PID VIEW_3

// A Fieldbus link object (8 bytes on the wire).
struct LinkObject {
    uint16_t localIndex = 0;
    uint16_t vcrNumber = 0;
    uint16_t remoteIndex = 0;
    uint8_t serviceOperation = 0;
    uint8_t staleCountLimit = 0;
};

// One item of a parameter's device-description attributes.
struct AttributeItem {
    uint8_t kind = 0;  // 1 enumeration value, 2 bit of a bit string
    uint32_t value = 0;
    std::string description;  // raw, with its language markers
};

struct ObjectAttributes {
    std::string label;
    std::string help;
    uint8_t objectCode = 0;
    uint16_t dataType = 0;
    uint16_t size = 0;
    std::vector<AttributeItem> items;
};

// The type description of an object.
struct ObjectTypeMember {
    uint16_t index = 0;
    uint8_t objectCode = 0;
    uint16_t dataType = 0;
    uint16_t size = 0;
};

struct ObjectTypeInfo {
    uint16_t index = 0;
    uint8_t objectCode = 0;
    uint16_t dataType = 0;
    uint16_t size = 0;
    std::vector<ObjectTypeMember> members;
};

// What the program keeps of one block as the library lists it.
struct BlockRecord {
    std::string tag;         // trailing blanks removed
    uint16_t startIndex = 0; // object-dictionary index of the block
    uint16_t profile = 0;
    uint16_t numParameters = 0;
    uint8_t blockType = 0;   // 1 function block, 2 transducer block, 4 resource block
    uint16_t startOfView1 = 0;
    uint8_t numView3 = 0;
};

// One function block schedule entry of the management information base (10 bytes).
struct ScheduleEntry {
    uint32_t startOffset = 0;
    uint16_t objectIndex = 0;
    uint32_t vfdReference = 0;
};

}  // namespace fieldbus
