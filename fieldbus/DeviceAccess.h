#pragma once
// The abstract device interface. Every dialog, procedure and thread reads and writes device
// parameters only through these operations. The defaults do nothing and report success or
// an empty value; FieldbusDevice implements them on the Fieldbus library and the host
// back-ends implement the same interface.
//
// Blocks are addressed by their block number in the opened device (BlockId(BlockKind::AO));
// names are the dotted form ("MODE_BLK.TARGET", "SP.VALUE", "FB_START_ENTRY.1").
// Sizes are in bytes. Every operation returns 0 on success and nonzero on failure.
#include <cstdint>
#include <string>
#include <vector>

#include "fieldbus/DeviceRecords.h"
#include "fieldbus/TypedAccessorTable.h"

namespace fieldbus {

class DeviceAccess {
public:
    virtual ~DeviceAccess() = default;

    // ---- State -------------------------------------------------------------------------
    virtual bool IsOpen() const { return false; }
    virtual int GetSlot() const { return -1; }
    virtual std::string GetBlockTag(int /*block*/) const { return {}; }
    virtual int GetBlockCount() const { return 0; }

    // ---- Generic access ----------------------------------------------------------------
    // size 0 on entry: the object's size is asked from the device first (the buffer must then
    // hold the whole object); on return `size` holds the number of bytes read.
    virtual int ReadParameter(int /*block*/, const std::string& /*name*/, void* /*buffer*/, uint16_t& /*size*/) {
        return 0;
    }
    // size 0: the object's size is asked from the device first.
    virtual int WriteParameter(int /*block*/, const std::string& /*name*/, const void* /*buffer*/, uint16_t /*size*/) {
        return 0;
    }
    // Relative index within the block (absolute index = block start index + relative index).
    virtual int ReadParameterByIndex(int /*block*/, int /*relativeIndex*/, void* /*buffer*/, uint16_t& /*size*/) {
        return 0;
    }
    virtual int WriteParameterByIndex(int /*block*/, int /*relativeIndex*/, const void* /*buffer*/, uint16_t /*size*/) {
        return 0;
    }
    virtual int WriteParameterBySubindex(int /*block*/, int /*relativeIndex*/, int /*subindex*/, const void* /*buffer*/,
                                         uint16_t /*size*/) {
        return 0;
    }
    // Management objects by name on the management information base.
    virtual int ReadManagementObject(const std::string& /*name*/, void* /*buffer*/, uint16_t& /*size*/) { return 0; }
    virtual int WriteManagementObject(const std::string& /*name*/, const void* /*buffer*/, uint16_t /*size*/) {
        return 0;
    }
    // A visible string: read with the size the device reports, blanks trimmed at both ends.
    virtual int ReadString(int /*block*/, const std::string& /*name*/, std::string& text) {
        text.clear();
        return 0;
    }
    // A visible string: the text (cut to 32 characters) in a 32-byte field.
    virtual int WriteString(int /*block*/, const std::string& /*name*/, const std::string& /*text*/) { return 0; }

    // ---- Enumerations and bit strings (device-description texts) ------------------------
    // Text of one enumeration value (the English part of the description).
    virtual int GetEnumText(int /*block*/, const std::string& /*name*/, std::string& text, uint32_t /*value*/) {
        text.clear();
        return 0;
    }
    // All texts of an enumerated parameter in device-description order.
    virtual int GetEnumTexts(int /*block*/, const std::string& /*name*/, std::vector<std::string>& texts) {
        texts.clear();
        return 0;
    }
    // The value whose text matches, in wire order (big-endian), ready for WriteParameter.
    virtual int FindEnumValue(int /*block*/, const std::string& /*name*/, const std::string& /*text*/,
                              uint8_t& value) {
        value = 0;
        return 0;
    }
    virtual int FindEnumValue(int /*block*/, const std::string& /*name*/, const std::string& /*text*/,
                              uint16_t& value) {
        value = 0;
        return 0;
    }
    virtual int FindEnumValue(int /*block*/, const std::string& /*name*/, const std::string& /*text*/,
                              uint32_t& value) {
        value = 0;
        return 0;
    }
    // Bit strings: `value` has bit k of the parameter as bit k (bit 0 = first bit on the wire).
    // With all texts: one per defined bit, in description order.
    virtual int GetBitTexts(int /*block*/, const std::string& /*name*/, std::vector<std::string>& texts) {
        texts.clear();
        return 0;
    }
    // One text per set bit of `value`.
    virtual int GetBitTexts(int /*block*/, const std::string& /*name*/, uint32_t /*value*/,
                            std::vector<std::string>& texts) {
        texts.clear();
        return 0;
    }
    // The bit (as 1 << k) whose text matches.
    virtual int FindBitValue(int /*block*/, const std::string& /*name*/, const std::string& /*text*/,
                             uint32_t& value) {
        value = 0;
        return 0;
    }

    // ---- Object dictionary -------------------------------------------------------------
    virtual std::string GetParameterName(int /*block*/, int /*relativeIndex*/) { return {}; }
    virtual std::string GetParameterName(int /*block*/, int /*relativeIndex*/, int /*subindex*/) { return {}; }
    virtual int GetObjectSize(int /*block*/, int /*relativeIndex*/, int /*subindex*/, uint16_t& size) {
        size = 0;
        return 0;
    }
    virtual int GetObjectCode(int /*block*/, int /*relativeIndex*/, std::string& name) {
        name.clear();
        return 0;
    }
    virtual int GetDataType(int /*block*/, int /*relativeIndex*/, std::string& name) {
        name.clear();
        return 0;
    }
    virtual int GetObjectAttributes(int /*block*/, const std::string& /*name*/, ObjectAttributes& attributes) {
        attributes = {};
        return 0;
    }
    virtual int SetBlockTag(int /*block*/, const std::string& /*tag*/) { return 0; }
    virtual int ReadLinkObject(int /*index*/, LinkObject& record) {
        record = {};
        return 0;
    }
    virtual int ClearLinkObject(int /*index*/) { return 0; }
    virtual int ResetBlockSchedule() { return 0; }

    // Device summary for the query window: the identification lines and one line per block.
    virtual int GetDeviceSummary(std::string& text) {
        text.clear();
        return 0;
    }
    // "<tag> (<block number>)" for every block, for a block choice.
    virtual int GetBlockList(std::vector<std::string>& entries) {
        entries.clear();
        return 0;
    }
    // The names of all parameters of a block, in object-dictionary order.
    virtual int GetParameterNames(int /*block*/, std::vector<std::string>& names) {
        names.clear();
        return 0;
    }

    // ---- Modes and configuration changes ---------------------------------------------
    // Writes the block's target mode and waits for it where the block needs that.
    virtual int SetBlockMode(int /*block*/, uint8_t /*mode*/) { return 0; }
    // Called before every prepared write: takes the device out of service after asking.
    // 0 ready, 1 failed, 2 declined by the user.
    virtual int PrepareConfigurationChange() { return 0; }

    // ---- Typed accessors ---------------------------------------------------------------
    // One read and, where the program changes it, one write per named parameter (the
    // table in TypedAccessorTable.h). Text forms give the description text of the value.
#define FIELDBUS_DECLARE_READ(fn, kind, name, type, wire) \
    virtual int fn(type& value) {                        \
        value = type{};                                  \
        return 0;                                        \
    }
#define FIELDBUS_DECLARE_TEXT(fn, kind, name, type, wire) \
    virtual int fn(type& value, std::string& text) {     \
        value = type{};                                  \
        text.clear();                                    \
        return 0;                                        \
    }
#define FIELDBUS_DECLARE_WRITE(fn, kind, name, type, wire, rule) \
    virtual int fn(const type& /*value*/) { return 0; }
#define FIELDBUS_DECLARE_MODE_WRITE(fn) \
    virtual int fn(float /*value*/) { return 0; }
    FIELDBUS_READ_ACCESSORS(FIELDBUS_DECLARE_READ)
    FIELDBUS_TEXT_ACCESSORS(FIELDBUS_DECLARE_TEXT)
    FIELDBUS_WRITE_ACCESSORS(FIELDBUS_DECLARE_WRITE)
    FIELDBUS_MODE_RULE_WRITES(FIELDBUS_DECLARE_MODE_WRITE)
#undef FIELDBUS_DECLARE_READ
#undef FIELDBUS_DECLARE_TEXT
#undef FIELDBUS_DECLARE_WRITE
#undef FIELDBUS_DECLARE_MODE_WRITE
    // BLOCK_ERR of any block (bit string).
    virtual int ReadBlockErr(int /*block*/, uint16_t& value) {
        value = 0;
        return 0;
    }
};

}  // namespace fieldbus
