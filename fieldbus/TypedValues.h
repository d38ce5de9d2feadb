#pragma once
// Reading and writing one typed value through the generic operations of a device, with the
// byte-order conversion of its wire kind. Used by the typed accessors.
#include <array>
#include <cstdint>
#include <string>

#include "fieldbus/DeviceAccess.h"

namespace fieldbus {

enum class Wire { U8, U16, U32, F32, StatusValue, Discrete, Scaling, Bits16, Text, Raw };

// A read succeeds only when the device delivers exactly the size of the wire kind.
int ReadTypedValue(DeviceAccess& device, int block, const std::string& name, uint8_t& value, Wire wire);
int ReadTypedValue(DeviceAccess& device, int block, const std::string& name, uint16_t& value, Wire wire);
int ReadTypedValue(DeviceAccess& device, int block, const std::string& name, uint32_t& value, Wire wire);
int ReadTypedValue(DeviceAccess& device, int block, const std::string& name, float& value, Wire wire);
int ReadTypedValue(DeviceAccess& device, int block, const std::string& name, StatusValue& value, Wire wire);
int ReadTypedValue(DeviceAccess& device, int block, const std::string& name, DiscreteValue& value, Wire wire);
int ReadTypedValue(DeviceAccess& device, int block, const std::string& name, ScalingRecord& value, Wire wire);
int ReadTypedValue(DeviceAccess& device, int block, const std::string& name, std::string& value, Wire wire);
int ReadRawValue(DeviceAccess& device, int block, const std::string& name, uint8_t* bytes, uint16_t size);
template <size_t N>
int ReadTypedValue(DeviceAccess& device, int block, const std::string& name, std::array<uint8_t, N>& value, Wire) {
    return ReadRawValue(device, block, name, value.data(), static_cast<uint16_t>(N));
}

int WriteTypedValue(DeviceAccess& device, int block, const std::string& name, const uint8_t& value, Wire wire);
int WriteTypedValue(DeviceAccess& device, int block, const std::string& name, const uint16_t& value, Wire wire);
int WriteTypedValue(DeviceAccess& device, int block, const std::string& name, const uint32_t& value, Wire wire);
int WriteTypedValue(DeviceAccess& device, int block, const std::string& name, const float& value, Wire wire);
int WriteTypedValue(DeviceAccess& device, int block, const std::string& name, const ScalingRecord& value, Wire wire);
int WriteTypedValue(DeviceAccess& device, int block, const std::string& name, const std::string& value, Wire wire);
template <size_t N>
int WriteTypedValue(DeviceAccess& device, int block, const std::string& name, const std::array<uint8_t, N>& value,
                    Wire) {
    return device.WriteParameter(block, name, value.data(), static_cast<uint16_t>(N));
}

}  // namespace fieldbus
