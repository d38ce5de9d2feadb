#pragma once
// The program's copies of live-list records and of the 32 device slots.
#include <cstdint>
#include <string>

#include "nifb/nifb.h"

namespace fieldbus {

struct LiveListEntry {
    std::string deviceId;
    std::string pdTag;
    uint8_t nodeAddress = 0;
    uint32_t classFlags = 0;
};

struct DeviceListSlot {
    bool present = false;
    std::string deviceId;
    std::string pdTag;
    uint8_t nodeAddress = 0;
    uint32_t classFlags = 0;
};

// Copies a text field of at most 32 characters and removes trailing blanks.
std::string RecordText(const char* field, size_t capacity);
LiveListEntry ConvertLiveListRecord(const nifLiveListEntry& raw);

}  // namespace fieldbus
