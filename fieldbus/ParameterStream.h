#pragma once
// Sequential typed access to a fixed table of parameter names on one block of a device.
//
// A dialog describes what it needs as a table of names in path form ("SERVO_GAIN",
// "MODE_BLK/TARGET", "SP/VALUE", "POSITION_CHAR/1", "ACTUATOR_TYPE/ValueAsString"), opens a
// stream on the device and block with that table, and reads or writes the values in table
// order: each access consumes the next name (array accesses consume one name per element)
// and moves the cursor. The first failed access puts the stream into the failed state, in
// which every later access is skipped without touching the device, so a dialog runs its
// whole sequence and tests IsGood() once at the end.
//
// A stream shows no messages; the device operations report their own errors. Reads leave
// the caller's variables unchanged when they fail or are skipped.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fieldbus/DeviceRecords.h"
#include "values/ValueCodec.h"

namespace fieldbus {

class DeviceAccess;

// An enumerated parameter together with its device-description texts.
struct EnumValue {
    int size = 1;                    // octets on the wire: 1, 2 or 4
    uint32_t value = 0;              // host order
    std::vector<std::string> texts;  // every text the device offers, in description order
    std::string text;                // the text of `value`
    // The value of each entry of `texts` (same order); empty when the device description
    // does not list them.
    std::vector<uint32_t> values;
};

// A 2-octet bit string together with its texts. Bit k of `value` is bit k of the Fieldbus
// bit string (bit 0 = most significant bit of the first octet).
struct BitStringValue {
    uint16_t value = 0;
    std::vector<std::string> texts;     // the text of every defined bit, in description order
    std::vector<std::string> setTexts;  // the texts of the bits set in `value`
    // 1 << k for each entry of `texts` (same order); empty when the device description does
    // not list them.
    std::vector<uint32_t> bitValues;
};

// Converts a table name from path form to the dotted form of the device operations:
// everything from the last "/ValueAsString" is cut, otherwise from the last "/VALUE",
// otherwise from the last "/1"; every remaining "/" becomes ".".
// "SP/VALUE" -> "SP", "BOOST_VALUE/1" -> "BOOST_VALUE", "MODE_BLK/TARGET" -> "MODE_BLK.TARGET".
std::string ToDottedName(const std::string& pathName);

// The stream interface. All operations return 0 on success and nonzero on failure (also
// when the access was skipped because the stream had already failed).
class ParameterStream {
public:
    virtual ~ParameterStream() = default;

    // ---- Float arrays: one access of 4 octets per element, consuming one name each --------
    virtual int ReadFloat5(float (&values)[5]) = 0;
    virtual int ReadFloat4(float (&values)[4]) = 0;
    virtual int ReadFloat6(float (&values)[6]) = 0;
    virtual int ReadFloat3(float (&values)[3]) = 0;
    // 2 octets; the bit texts come from the device.
    virtual int ReadBitString(BitStringValue& bits) = 0;
    // value.size octets; consumes the value name and its "/ValueAsString" name.
    virtual int ReadEnum(EnumValue& value) = 0;
    virtual int ReadFloat9(float (&values)[9]) = 0;
    virtual int ReadFloat2(float (&values)[2]) = 0;
    virtual int ReadRaw2(uint8_t (&bytes)[2]) = 0;
    // 5 octets: status octet, then the float.
    virtual int ReadStatusValue(StatusValue& record) = 0;
    // 7 octets: a Fieldbus DATE.
    virtual int ReadDate(values::FieldbusDate& date) = 0;
    // A visible string as long as the device reports it, cut at 239 characters and trimmed.
    virtual int ReadText(std::string& text) = 0;
    // Consumes one name without touching the device.
    virtual int Skip() = 0;
    virtual int ReadU32(uint32_t& value) = 0;
    virtual int ReadRaw1(uint8_t& byte) = 0;
    virtual int ReadU16(uint16_t& value) = 0;
    virtual int ReadFloat(float& value) = 0;

    // 2 octets: `value`, or, when the value is 0 and a text is given, the value the device
    // assigns to that text.
    virtual int WriteEnumU16(uint16_t value, const std::string& text) = 0;
    // value.size octets (4, 2 or 1), with the same text rule as WriteEnumU16.
    virtual int WriteEnum(const EnumValue& value) = 0;
    // The float of a status-and-value record, written to the member "<name>.VALUE".
    virtual int WriteStatusValue(float value) = 0;
    virtual int WriteFloat2(const float (&values)[2]) = 0;
    virtual int WriteDate(const values::FieldbusDate& date) = 0;
    // The text (cut to 32 characters) in a 32-octet field filled up with blanks.
    virtual int WriteText(const std::string& text) = 0;
    virtual int WriteFloat9(const float (&values)[9]) = 0;
    virtual int WriteRaw4(const uint8_t (&bytes)[4]) = 0;
    virtual int WriteRaw1(uint8_t byte) = 0;
    virtual int WriteU16(uint16_t value) = 0;
    virtual int WriteFloat(float value) = 0;

    // ---- Cursor and state ---------------------------------------------------------------
    virtual void SkipForward(int count) = 0;
    // Moves the cursor back only when it stays above 0.
    virtual void SkipBack(int count) = 0;
    virtual int IsGood() const = 0;

    // ---- Device texts of a given name (path or dotted form); no cursor move --------------
    virtual int GetEnumText(const std::string& name, uint32_t value, std::string& text) = 0;
    virtual int GetEnumTexts(const std::string& name, std::vector<std::string>& texts) = 0;
    virtual int GetBitTexts(const std::string& name, std::vector<std::string>& texts) = 0;

    // Reads every name of the table from the first into one record: sizes[i] octets of name
    // i appended to Record(), or, for a size of 0, the name read as a text (cut at 239
    // characters, trimmed) appended to Texts(). `sizes` needs one entry per name. Stops at
    // the first failure.
    virtual int ReadAll(const std::vector<uint16_t>& sizes) = 0;
    virtual void Reset() = 0;

    // ---- Additions for values that need their own wire form ------------------------------
    // 4 octets: a u32 in big-endian order.
    virtual int WriteU32(uint32_t value) = 0;
    // 2 octets: a bit string in Fieldbus bit order, the inverse of ReadBitString. When the
    // value is 0 and set-bit texts are given, the value is built from the device's bits for
    // those texts.
    virtual int WriteBitString(const BitStringValue& bits) = 0;

    // ---- Whole records: one access instead of one per member ----------------------------
    // Reads exactly `size` octets of the record the next name belongs to (that name up to its
    // first "."), then consumes `names` names in all: the members the record stands for.
    virtual int ReadRecord(uint8_t* bytes, uint16_t size, int names) = 0;
    // Writes `size` octets to that record in one access, consuming `names` names.
    virtual int WriteRecord(const uint8_t* bytes, uint16_t size, int names) = 0;
    // The device-description side of an enumeration whose value is already known (a member
    // of a record read whole): the texts, the text of value.value and the values. No bus
    // access, no cursor move.
    virtual int DescribeEnum(const std::string& name, EnumValue& value) = 0;
    // The wire form of an enumeration value to write (value.size octets, with the text rule
    // of WriteEnum) for a member of a record written whole. No bus access, no cursor move.
    virtual int EnumWire(const std::string& name, const EnumValue& value, uint8_t (&wire)[4]) = 0;

    // ---- Inspection ---------------------------------------------------------------------
    // Index of the last name consumed; -1 after opening and after Reset.
    virtual int Cursor() const = 0;
    virtual int NameCount() const = 0;
    // The converted (dotted) name at `index`, "" outside the table.
    virtual std::string Name(int index) const = 0;
    virtual const std::vector<uint8_t>& Record() const = 0;
    virtual const std::vector<std::string>& Texts() const = 0;
};

// Opens a stream over `device` (may be null: every access then fails) on `block` (a block
// number; a negative number, an absent block, fails on the first access).
std::unique_ptr<ParameterStream> OpenParameterStream(DeviceAccess* device, int block, const char* const* names,
                                                     int count);
std::unique_ptr<ParameterStream> OpenParameterStream(DeviceAccess* device, int block,
                                                     const std::vector<std::string>& names);

}  // namespace fieldbus
