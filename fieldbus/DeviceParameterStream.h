#pragma once
// The parameter stream over the generic operations of a DeviceAccess: every back-end of the
// device interface gets the same stream behaviour.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fieldbus/ParameterStream.h"

namespace fieldbus {

class DeviceParameterStream : public ParameterStream {
public:
    // `names` in path form; each is converted to the dotted form once, here.
    DeviceParameterStream(DeviceAccess* device, int block, std::vector<std::string> names);

    int ReadFloat5(float (&values)[5]) override { return ReadFloats(values, 5); }
    int ReadFloat4(float (&values)[4]) override { return ReadFloats(values, 4); }
    int ReadFloat6(float (&values)[6]) override { return ReadFloats(values, 6); }
    int ReadFloat3(float (&values)[3]) override { return ReadFloats(values, 3); }
    int ReadBitString(BitStringValue& bits) override;
    int ReadEnum(EnumValue& value) override;
    int ReadFloat9(float (&values)[9]) override { return ReadFloats(values, 9); }
    int ReadFloat2(float (&values)[2]) override { return ReadFloats(values, 2); }
    int ReadRaw2(uint8_t (&bytes)[2]) override { return ReadOctets(bytes, 2); }
    int ReadStatusValue(StatusValue& record) override;
    int ReadDate(values::FieldbusDate& date) override;
    int ReadText(std::string& text) override;
    int Skip() override;
    int ReadU32(uint32_t& value) override;
    int ReadRaw1(uint8_t& byte) override { return ReadOctets(&byte, 1); }
    int ReadU16(uint16_t& value) override;
    int ReadFloat(float& value) override { return ReadFloats(&value, 1); }

    int WriteEnumU16(uint16_t value, const std::string& text) override;
    int WriteEnum(const EnumValue& value) override;
    int WriteStatusValue(float value) override;
    int WriteFloat2(const float (&values)[2]) override { return WriteFloats(values, 2); }
    int WriteDate(const values::FieldbusDate& date) override;
    int WriteText(const std::string& text) override;
    int WriteFloat9(const float (&values)[9]) override { return WriteFloats(values, 9); }
    int WriteRaw4(const uint8_t (&bytes)[4]) override { return WriteOctets(bytes, 4); }
    int WriteRaw1(uint8_t byte) override { return WriteOctets(&byte, 1); }
    int WriteU16(uint16_t value) override;
    int WriteFloat(float value) override { return WriteFloats(&value, 1); }

    void SkipForward(int count) override;
    void SkipBack(int count) override;
    int IsGood() const override { return good_; }

    int GetEnumText(const std::string& name, uint32_t value, std::string& text) override;
    int GetEnumTexts(const std::string& name, std::vector<std::string>& texts) override;
    int GetBitTexts(const std::string& name, std::vector<std::string>& texts) override;

    int ReadAll(const std::vector<uint16_t>& sizes) override;
    void Reset() override { cursor_ = -1; }

    int WriteU32(uint32_t value) override;
    int WriteBitString(const BitStringValue& bits) override;

    int ReadRecord(uint8_t* bytes, uint16_t size, int names) override;
    int WriteRecord(const uint8_t* bytes, uint16_t size, int names) override;
    int DescribeEnum(const std::string& name, EnumValue& value) override;
    int EnumWire(const std::string& name, const EnumValue& value, uint8_t (&wire)[4]) override;

    int Cursor() const override { return cursor_; }
    int NameCount() const override { return static_cast<int>(names_.size()); }
    std::string Name(int index) const override;
    const std::vector<uint8_t>& Record() const override { return record_; }
    const std::vector<std::string>& Texts() const override { return texts_; }

private:
    // Starts an access: moves the cursor to the next name and returns that name, or null
    // when the access is skipped (failed state) or cannot be made (no device, no block, past
    // the end of the table; these put the stream into the failed state).
    const std::string* BeginAccess();
    // Records the outcome of a device call and returns 0 or 1.
    int Finish(int status);
    // Moves the cursor further by `count` names (never past one behind the table's end).
    void Advance(long long count);

    // The enumeration texts, the text of value.value and the values of the dotted `name`.
    int DescribeEnumOf(const std::string& name, EnumValue& value);

    // Reads exactly `size` octets of `name`; a shorter answer is a failure.
    int ReadExactly(const std::string& name, uint8_t* buffer, uint16_t size);
    int ReadOctets(uint8_t* bytes, uint16_t size);
    int WriteOctets(const uint8_t* bytes, uint16_t size);
    int ReadFloats(float* values, int count);
    int WriteFloats(const float* values, int count);
    // A text through the device's string read, cut and trimmed.
    int ReadTextOf(const std::string& name, std::string& text);
    // The device-description values of a parameter's items of one kind, in description
    // order; empty when the description has none or cannot be had.
    std::vector<uint32_t> ItemValues(const std::string& name, uint8_t kind, size_t expected);
    // The value in wire order for an enumeration write of `size` octets.
    int EnumWireValue(const std::string& name, int size, uint32_t value, const std::string& text,
                      uint8_t (&wire)[4]);

    DeviceAccess* device_;
    int block_;
    std::vector<std::string> names_;
    int good_ = 1;
    int cursor_ = -1;
    std::vector<uint8_t> record_;
    std::vector<std::string> texts_;
};

}  // namespace fieldbus
