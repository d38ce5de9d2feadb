#pragma once
// Conversions between the stream's enumeration and bit-string values and the record's fields.
#include "config/ConfigFields.h"
#include "fieldbus/ParameterStream.h"

namespace config {

template <typename V>
void FillEnumField(ConfigEnumField<V>& field, const fieldbus::EnumValue& read) {
    field.text = read.text;
    field.texts = read.texts;
    field.value = static_cast<V>(read.value);
    field.values = read.values;
}

template <typename V>
fieldbus::EnumValue EnumToWrite(const ConfigEnumField<V>& field, int size) {
    fieldbus::EnumValue value;
    value.size = size;
    value.value = field.value;
    value.text = field.text;
    return value;
}

inline void FillBitField(ConfigBitStringField& field, const fieldbus::BitStringValue& read) {
    field.names = read.texts;
    field.setNames = read.setTexts;
    field.value = read.value;
    field.bitValues = read.bitValues;
}

inline fieldbus::BitStringValue BitsToWrite(const ConfigBitStringField& field) {
    fieldbus::BitStringValue bits;
    bits.value = field.value;
    bits.setTexts = field.setNames;
    return bits;
}

}  // namespace config
