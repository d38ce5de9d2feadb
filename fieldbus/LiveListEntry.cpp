#include "fieldbus/LiveListEntry.h"

#include <cstring>

namespace fieldbus {

std::string RecordText(const char* field, size_t capacity) {
    size_t n = 0;
    while (n < capacity && n < 32 && field[n] != '\0') ++n;
    std::string text(field, n);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

LiveListEntry ConvertLiveListRecord(const nifLiveListEntry& raw) {
    LiveListEntry e;
    e.deviceId = RecordText(raw.deviceId, sizeof raw.deviceId);
    e.pdTag = RecordText(raw.pdTag, sizeof raw.pdTag);
    e.nodeAddress = raw.nodeAddress;
    e.classFlags = raw.classFlags;
    return e;
}

}  // namespace fieldbus
