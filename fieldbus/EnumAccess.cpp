// Enumeration and bit-string texts from the device description: each item of a parameter's
// attributes carries a value and a description whose shown text is its English part.
#include <cstring>

#include "fieldbus/DeviceMessages.h"
#include "fieldbus/FieldbusDevice.h"
#include "values/ValueCodec.h"

namespace fieldbus {

namespace {
std::string ShownText(const AttributeItem& item) {
    return values::ValueCodec::Instance().PickEnglishText(item.description.data(), item.description.size());
}
}  // namespace

int FieldbusDevice::GetObjectAttributes(int block, const std::string& name, ObjectAttributes& attributes) {
    attributes = {};
    if (!open_) {
        ShowError("Error: Device not open.");
        return 1;
    }
    std::string error;
    {
        std::lock_guard<std::recursive_mutex> lock(accessLock_);
        nifDesc_t desc = 0;
        std::string wire;
        if (!WireAddress(block, name, desc, wire)) wire = name;
        nifAttributes* raw = nullptr;
        const int status = desc != 0 ? nifGetObjectAttributes(desc, wire.c_str(), &raw) : E_INVALID_DESCRIPTOR;
        SetLastStatus(status);
        if (status != E_OK || raw == nullptr) {
            error = platform::Format("Error: Failed to get the attribute for %s .", wire.c_str());
        } else {
            attributes.label = FieldText(raw->label, sizeof raw->label);
            attributes.help = FieldText(raw->help, sizeof raw->help);
            attributes.objectCode = raw->objectCode;
            attributes.dataType = raw->dataType;
            attributes.size = raw->size;
            for (uint16_t i = 0; i < raw->numItems && raw->items != nullptr; ++i) {
                const nifEnumItem& item = raw->items[i];
                attributes.items.push_back(
                    {item.kind, item.value, FieldText(item.description, sizeof item.description)});
            }
            if (nifFreeObjectAttributes(raw) != E_OK) error = "Error: Failed to free the object attribute.";
        }
    }
    // Messages are shown after the lock is released so other threads are not held up.
    if (!error.empty()) {
        ShowError(error);
        return 1;
    }
    return 0;
}

int FieldbusDevice::LoadItems(int block, const std::string& name, uint8_t kind, std::vector<AttributeItem>& items,
                              std::string& wire) {
    items.clear();
    nifDesc_t desc = 0;
    if (!WireAddress(block, name, desc, wire)) wire = name;
    ObjectAttributes attributes;
    if (GetObjectAttributes(block, name, attributes) != 0) return 1;
    if (attributes.items.empty()) {
        ShowError(platform::Format("Error: Failed to find enum list in DD for %s .", wire.c_str()));
        return 1;
    }
    for (const AttributeItem& item : attributes.items) {
        if (item.kind != kind) {
            ShowError(platform::Format("Error: Unexpected attribute enum item type for %s .", wire.c_str()));
            return 1;
        }
    }
    items = std::move(attributes.items);
    return 0;
}

int FieldbusDevice::GetEnumText(int block, const std::string& name, std::string& text, uint32_t value) {
    text.clear();
    std::vector<AttributeItem> items;
    std::string wire;
    if (LoadItems(block, name, NIF_ITEM_ENUM, items, wire) != 0) return 1;
    for (const AttributeItem& item : items) {
        if (item.value == value) {
            text = ShownText(item);
            return 0;
        }
    }
    ShowError(platform::Format("Error: Failed to find enum match in DD for %s .", wire.c_str()));
    return 1;
}

int FieldbusDevice::GetEnumTexts(int block, const std::string& name, std::vector<std::string>& texts) {
    texts.clear();
    std::vector<AttributeItem> items;
    std::string wire;
    if (LoadItems(block, name, NIF_ITEM_ENUM, items, wire) != 0) return 1;
    for (const AttributeItem& item : items) texts.push_back(ShownText(item));
    return 0;
}

int FieldbusDevice::FindItemValue(int block, const std::string& name, uint8_t kind, const std::string& text,
                                  uint32_t& value) {
    value = 0;
    std::vector<AttributeItem> items;
    std::string wire;
    if (LoadItems(block, name, kind, items, wire) != 0) return 1;
    for (const AttributeItem& item : items) {
        if (ShownText(item) == text) {
            value = item.value;
            return 0;
        }
    }
    ShowError(platform::Format("Error: Failed to find enum match in DD for %s .", wire.c_str()));
    return 1;
}

// The found value is returned in wire order (big-endian), ready to be written.
int FieldbusDevice::FindEnumValue(int block, const std::string& name, const std::string& text, uint8_t& value) {
    uint32_t found = 0;
    value = 0;
    if (FindItemValue(block, name, NIF_ITEM_ENUM, text, found) != 0) return 1;
    value = static_cast<uint8_t>(found);
    return 0;
}

int FieldbusDevice::FindEnumValue(int block, const std::string& name, const std::string& text, uint16_t& value) {
    uint32_t found = 0;
    value = 0;
    if (FindItemValue(block, name, NIF_ITEM_ENUM, text, found) != 0) return 1;
    const uint8_t wire[2] = {static_cast<uint8_t>(found >> 8), static_cast<uint8_t>(found)};
    std::memcpy(&value, wire, sizeof wire);
    return 0;
}

int FieldbusDevice::FindEnumValue(int block, const std::string& name, const std::string& text, uint32_t& value) {
    uint32_t found = 0;
    value = 0;
    if (FindItemValue(block, name, NIF_ITEM_ENUM, text, found) != 0) return 1;
    const uint8_t wire[4] = {static_cast<uint8_t>(found >> 24), static_cast<uint8_t>(found >> 16),
                             static_cast<uint8_t>(found >> 8), static_cast<uint8_t>(found)};
    std::memcpy(&value, wire, sizeof wire);
    return 0;
}

int FieldbusDevice::GetBitTexts(int block, const std::string& name, std::vector<std::string>& texts) {
    texts.clear();
    std::vector<AttributeItem> items;
    std::string wire;
    if (LoadItems(block, name, NIF_ITEM_BIT, items, wire) != 0) return 1;
    for (const AttributeItem& item : items) texts.push_back(ShownText(item));
    return 0;
}

int FieldbusDevice::GetBitTexts(int block, const std::string& name, uint32_t value, std::vector<std::string>& texts) {
    texts.clear();
    std::vector<AttributeItem> items;
    std::string wire;
    if (LoadItems(block, name, NIF_ITEM_BIT, items, wire) != 0) return 1;
    for (const AttributeItem& item : items)
        if ((item.value & value) != 0) texts.push_back(ShownText(item));
    return 0;
}

int FieldbusDevice::FindBitValue(int block, const std::string& name, const std::string& text, uint32_t& value) {
    return FindItemValue(block, name, NIF_ITEM_BIT, text, value);
}

}  // namespace fieldbus
