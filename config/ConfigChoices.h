#pragma once
// Choosing an enumerated value or the set bits of an options parameter from the choice lists
// a configuration record carries (the device's own lists, or the defaults while no device
// has been read).
#include <cstddef>
#include <string>
#include <vector>

#include "config/ConfigFields.h"

namespace config {

// Index of the field's current choice in its text list (unit texts compared in their ASCII
// form), else of its value in the value list; -1 when neither is found.
template <typename V>
int ChoiceIndex(const ConfigEnumField<V>& field) {
    for (size_t i = 0; i < field.texts.size(); ++i)
        if (SameUnitText(field.texts[i], field.text)) return static_cast<int>(i);
    if (field.value != 0)
        for (size_t i = 0; i < field.values.size(); ++i)
            if (field.values[i] == field.value) return static_cast<int>(i);
    return -1;
}

// Makes choice `index` the field's value. Without a value list the value becomes 0, which a
// write resolves through the device's text of that choice. Choosing the current choice
// changes nothing.
template <typename V>
void Choose(ConfigEnumField<V>& field, int index) {
    if (index < 0 || static_cast<size_t>(index) >= field.texts.size()) return;
    if (index == ChoiceIndex(field)) return;
    field.text = field.texts[static_cast<size_t>(index)];
    field.value = static_cast<size_t>(index) < field.values.size() ? static_cast<V>(field.values[static_cast<size_t>(index)])
                                                                    : V{};
}

template <typename V>
bool SameChoice(const ConfigEnumField<V>& a, const ConfigEnumField<V>& b) {
    return a.value == b.value && SameUnitText(a.text, b.text);
}

// Whether bit name `index` is set: by its bit value when the record has them, else by the
// set-name list.
bool BitChecked(const ConfigBitStringField& field, size_t index);
// Sets exactly the bits whose names are checked (`checked` parallel to field.names). Without
// bit values the value becomes 0 and the set names carry the choice, which a write resolves
// through the device's bit texts.
void SetCheckedBits(ConfigBitStringField& field, const std::vector<bool>& checked);

inline bool SameBits(const ConfigBitStringField& a, const ConfigBitStringField& b) {
    return a.value == b.value && SameUnitTexts(a.setNames, b.setNames);
}

}  // namespace config
