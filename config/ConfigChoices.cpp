#include "config/ConfigChoices.h"

#include <algorithm>

namespace config {

namespace {
bool HasBitValues(const ConfigBitStringField& field) {
    return !field.bitValues.empty() && field.bitValues.size() == field.names.size();
}
}  // namespace

bool BitChecked(const ConfigBitStringField& field, size_t index) {
    if (index >= field.names.size()) return false;
    if (HasBitValues(field)) return (field.value & field.bitValues[index]) != 0;
    return std::any_of(field.setNames.begin(), field.setNames.end(),
                       [&](const std::string& name) { return SameUnitText(name, field.names[index]); });
}

void SetCheckedBits(ConfigBitStringField& field, const std::vector<bool>& checked) {
    const bool haveValues = HasBitValues(field);
    uint32_t value = 0;
    field.setNames.clear();
    for (size_t i = 0; i < field.names.size() && i < checked.size(); ++i) {
        if (!checked[i]) continue;
        field.setNames.push_back(field.names[i]);
        if (haveValues) value |= field.bitValues[i];
    }
    field.value = static_cast<uint16_t>(value);
}

}  // namespace config
