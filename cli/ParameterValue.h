#pragma once
// Any parameter of an open device by its dotted name: reading it and formatting it with the
// value codec and the device description's texts, and turning a typed text into the bytes
// to write. Records are shown member by member.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/JsonValue.h"
#include "fieldbus/DeviceRecords.h"
#include "fieldbus/FieldbusDevice.h"

namespace cli {

// "TB.SERVO_GAIN", "AO.XD_SCALE.EU_100", "FV101_AO.MODE_BLK": a block (its kind, or its
// block tag) and a parameter name, optionally with a member.
struct ParameterAddress {
    int block = -1;
    fieldbus::BlockKind kind = fieldbus::BlockKind::Count;  // Count: a block of no known kind
    std::string blockName;  // as the answer names it: the kind ("TB") or the block tag
    std::string name;       // "SERVO_GAIN", "XD_SCALE.EU_100"
    std::string Text() const { return blockName + "." + name; }
};

// 0 with `address` filled; 1 with `error` saying what is wrong with `spec`.
int ResolveParameter(fieldbus::FieldbusDevice& device, const std::string& spec, ParameterAddress& address,
                     std::string& error);

// One value as shown: its text, its JSON form, and for a record its members.
struct ShownValue {
    std::string name;  // member name (empty for the parameter itself)
    std::string text;
    JsonValue json;
    std::vector<ShownValue> members;
};

// The description of a simple value that formatting and parsing need.
struct ValueType {
    uint16_t dataType = 0;
    uint16_t size = 0;
    std::vector<fieldbus::AttributeItem> items;  // enumeration values or bits
    // A member of MODE_BLK: one octet with the program's mode bits (OOS 0x01 ... ROUT 0x80),
    // shown and taken by the mode names the program shows ("CAS AUTO (0x30)").
    bool blockMode = false;
};

// Whether the parameter or member `name` ("MODE_BLK.TARGET") holds block modes.
bool IsBlockModeName(const std::string& name);

// Formats wire bytes of a simple value: block modes by their names, enumerations as "text (value)", bit strings as their
// value and the texts of the set bits, floats with infinities as the program writes them,
// unsigned numbers as the codec shows them with their decimal value.
ShownValue FormatSimple(const ValueType& type, const uint8_t* bytes, size_t size);

// Parses a typed value into wire bytes: a number (decimal, or hex with 0x), an enumeration
// text, bit texts joined by "+" ("none" for no bit), a float with the infinity texts, or a
// visible string. 0 with `bytes` filled; 1 with `error` set.
int ParseSimple(const ValueType& type, const std::string& text, std::vector<uint8_t>& bytes, std::string& error);

// Reads and formats the parameter. 0 on success; 1 after the device or the program said why.
int ReadShownValue(fieldbus::FieldbusDevice& device, const ParameterAddress& address, ShownValue& value);

// The type of a simple parameter or member; 1 when it is a record or array (`error` says
// which members it has) or its attributes cannot be had.
int SimpleTypeOf(fieldbus::FieldbusDevice& device, const ParameterAddress& address, ValueType& type,
                 std::string& error);

}  // namespace cli
