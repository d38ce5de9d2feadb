#pragma once
// The parameter list of one block for the query window: the layout (names, types and sizes
// of every parameter and of the members of records and arrays) learned once from the
// device's object dictionary, then the values read afresh as often as the window asks.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "fieldbus/DeviceAccess.h"

namespace query {

// One shown line: a simple parameter, or one member of a record or an array.
struct ParameterField {
    std::string name;       // "MODE_BLK.TARGET", "POSITION_CHAR[3]", "GAIN"
    uint16_t offset = 0;    // within the parameter's bytes
    uint16_t size = 0;
    uint16_t dataType = 0;  // Fieldbus data-type number
};

struct ParameterLayout {
    int relativeIndex = 0;
    uint16_t size = 0;  // bytes of the whole parameter
    std::vector<ParameterField> fields;
};

struct BlockLayout {
    int block = -1;
    std::vector<ParameterLayout> parameters;
    size_t FieldCount() const;
};

struct ParameterRow {
    std::string name;
    std::string value;  // empty when the parameter could not be read
};

// Learns the layout of `block`. `stop`, when set by another thread, ends the work early
// (result 1). 0 when every parameter was described.
int ReadBlockLayout(fieldbus::DeviceAccess& device, int block, BlockLayout& layout,
                    const std::atomic<bool>* stop = nullptr);
// One row per field, in layout order, each value formatted by its data type.
int ReadBlockValues(fieldbus::DeviceAccess& device, const BlockLayout& layout, std::vector<ParameterRow>& rows,
                    const std::atomic<bool>* stop = nullptr);
// The text of one field of a parameter's bytes (empty when the bytes are too short).
std::string FormatField(const std::vector<uint8_t>& bytes, const ParameterField& field);

}  // namespace query
