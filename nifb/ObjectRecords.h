#pragma once
// The type and attribute descriptions of an object as they travel from the segment to the
// library, which turns them into the caller's nifObjectType / nifAttributes records.
#include <cstdint>
#include <string>
#include <vector>

#include "nifb/nifb.h"

namespace nifb {

struct TypeInfo {
    uint16_t index = 0;
    uint8_t objectCode = 0;
    uint16_t dataType = 0;
    uint16_t size = 0;
    std::vector<nifTypeMember> members;
};

struct ItemInfo {
    uint8_t kind = NIF_ITEM_ENUM;
    uint32_t value = 0;
    std::string description;
};

struct AttributeInfo {
    std::string label;
    std::string help;
    uint8_t objectCode = 0;
    uint16_t dataType = 0;
    uint16_t size = 0;
    std::vector<ItemInfo> items;
};

std::vector<uint8_t> EncodeTypeInfo(const TypeInfo& t);
bool DecodeTypeInfo(const std::vector<uint8_t>& bytes, TypeInfo& out);
std::vector<uint8_t> EncodeAttributeInfo(const AttributeInfo& a);
bool DecodeAttributeInfo(const std::vector<uint8_t>& bytes, AttributeInfo& out);

// Caller records in one allocation each, released by nifFreeObjectType /
// nifFreeObjectAttributes.
nifObjectType* NewObjectType(const TypeInfo& t);
nifAttributes* NewAttributes(const AttributeInfo& a);

}  // namespace nifb
