#include "fieldbus/TypedValues.h"

#include <cstring>

#include "values/ValueCodec.h"

namespace fieldbus {

namespace {
values::ValueCodec& Codec() { return values::ValueCodec::Instance(); }

int ReadExactly(DeviceAccess& device, int block, const std::string& name, uint8_t* bytes, uint16_t size) {
    uint16_t got = size;
    if (device.ReadParameter(block, name, bytes, got) != 0) return 1;
    return got == size ? 0 : 1;
}

// Host value to big-endian wire bytes.
void ToWire(const void* host, uint8_t* wire, size_t size) {
    std::memcpy(wire, host, size);
    Codec().ReverseBytes(wire, size);
}
}  // namespace

int ReadRawValue(DeviceAccess& device, int block, const std::string& name, uint8_t* bytes, uint16_t size) {
    return ReadExactly(device, block, name, bytes, size);
}

int ReadTypedValue(DeviceAccess& device, int block, const std::string& name, uint8_t& value, Wire wire) {
    uint8_t bytes[1] = {};
    if (ReadExactly(device, block, name, bytes, 1) != 0) return 1;
    value = wire == Wire::Bits16 ? Codec().ReadBits8(bytes) : bytes[0];
    return 0;
}

int ReadTypedValue(DeviceAccess& device, int block, const std::string& name, uint16_t& value, Wire wire) {
    uint8_t bytes[2] = {};
    if (ReadExactly(device, block, name, bytes, 2) != 0) return 1;
    value = wire == Wire::Bits16 ? Codec().ReadBits16(bytes) : Codec().ReadU16(bytes);
    return 0;
}

int ReadTypedValue(DeviceAccess& device, int block, const std::string& name, uint32_t& value, Wire) {
    uint8_t bytes[4] = {};
    if (ReadExactly(device, block, name, bytes, 4) != 0) return 1;
    value = Codec().ReadU32(bytes);
    return 0;
}

int ReadTypedValue(DeviceAccess& device, int block, const std::string& name, float& value, Wire) {
    uint8_t bytes[4] = {};
    if (ReadExactly(device, block, name, bytes, 4) != 0) return 1;
    value = Codec().ReadFloat(bytes);
    return 0;
}

int ReadTypedValue(DeviceAccess& device, int block, const std::string& name, StatusValue& value, Wire) {
    uint8_t bytes[5] = {};
    if (ReadExactly(device, block, name, bytes, 5) != 0) return 1;
    value.status = bytes[0];
    value.value = Codec().ReadFloat(bytes + 1);
    return 0;
}

int ReadTypedValue(DeviceAccess& device, int block, const std::string& name, DiscreteValue& value, Wire) {
    uint8_t bytes[2] = {};
    if (ReadExactly(device, block, name, bytes, 2) != 0) return 1;
    value.status = bytes[0];
    value.value = bytes[1];
    return 0;
}

int ReadTypedValue(DeviceAccess& device, int block, const std::string& name, ScalingRecord& value, Wire) {
    uint8_t bytes[11] = {};
    if (ReadExactly(device, block, name, bytes, 11) != 0) return 1;
    value.eu100 = Codec().ReadFloat(bytes);
    value.eu0 = Codec().ReadFloat(bytes + 4);
    value.unitsIndex = Codec().ReadU16(bytes + 8);
    value.decimals = static_cast<int8_t>(bytes[10]);
    return 0;
}

int ReadTypedValue(DeviceAccess& device, int block, const std::string& name, std::string& value, Wire) {
    return device.ReadString(block, name, value);
}

int WriteTypedValue(DeviceAccess& device, int block, const std::string& name, const uint8_t& value, Wire wire) {
    uint8_t bytes[1] = {value};
    if (wire == Wire::Bits16) Codec().MirrorBits(bytes, 1);
    return device.WriteParameter(block, name, bytes, 1);
}

int WriteTypedValue(DeviceAccess& device, int block, const std::string& name, const uint16_t& value, Wire wire) {
    uint8_t bytes[2] = {};
    if (wire == Wire::Bits16) {
        // Bit k of the value is bit k of the parameter: the bits of each byte are reversed,
        // the bytes stay in host order (the inverse of ReadBits16).
        std::memcpy(bytes, &value, 2);
        Codec().MirrorBits(bytes, 2);
    } else {
        ToWire(&value, bytes, 2);
    }
    return device.WriteParameter(block, name, bytes, 2);
}

int WriteTypedValue(DeviceAccess& device, int block, const std::string& name, const uint32_t& value, Wire) {
    uint8_t bytes[4] = {};
    ToWire(&value, bytes, 4);
    return device.WriteParameter(block, name, bytes, 4);
}

int WriteTypedValue(DeviceAccess& device, int block, const std::string& name, const float& value, Wire) {
    uint8_t bytes[4] = {};
    ToWire(&value, bytes, 4);
    return device.WriteParameter(block, name, bytes, 4);
}

int WriteTypedValue(DeviceAccess& device, int block, const std::string& name, const ScalingRecord& value, Wire) {
    uint8_t bytes[11] = {};
    ToWire(&value.eu100, bytes, 4);
    ToWire(&value.eu0, bytes + 4, 4);
    ToWire(&value.unitsIndex, bytes + 8, 2);
    bytes[10] = static_cast<uint8_t>(value.decimals);
    return device.WriteParameter(block, name, bytes, 11);
}

int WriteTypedValue(DeviceAccess& device, int block, const std::string& name, const std::string& value, Wire) {
    return device.WriteString(block, name, value);
}

}  // namespace fieldbus
