// The function block schedule in the management information base: four entries
// "FB_START_ENTRY.1" to ".4" of 10 bytes (start offset u32, object index u16, VFD reference
// u32, big-endian).
#include "fieldbus/FieldbusDevice.h"
#include "platform/Ui.h"

namespace fieldbus {

namespace {
constexpr int kScheduleEntries = 4;
constexpr uint16_t kEntrySize = 10;
constexpr uint32_t kDisabled = 0xFFFFFFFFu;
// Object-dictionary start indices of the function blocks in this device family.
constexpr uint16_t kAoIndex = 5000;
constexpr uint16_t kDi1Index = 6000;
constexpr uint16_t kDi2Index = 6100;
constexpr uint16_t kPidIndex = 8000;

std::string EntryName(int number) { return platform::Format("FB_START_ENTRY.%d", number); }

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

void PutBigEndian32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

ScheduleEntry DecodeEntry(const uint8_t* p) {
    ScheduleEntry e;
    e.startOffset = BigEndian32(p);
    e.objectIndex = static_cast<uint16_t>((p[4] << 8) | p[5]);
    e.vfdReference = BigEndian32(p + 6);
    return e;
}

void EncodeEntry(const ScheduleEntry& e, uint8_t* p) {
    PutBigEndian32(p, e.startOffset);
    p[4] = static_cast<uint8_t>(e.objectIndex >> 8);
    p[5] = static_cast<uint8_t>(e.objectIndex);
    PutBigEndian32(p + 6, e.vfdReference);
}
}  // namespace

int FieldbusDevice::FindScheduleEntry(uint16_t objectIndex, int& entryNumber, ScheduleEntry& entry) {
    entryNumber = 0;
    entry = {};
    for (int number = 1; number <= kScheduleEntries; ++number) {
        uint8_t bytes[kEntrySize] = {};
        uint16_t size = kEntrySize;
        if (ReadManagementObject(EntryName(number), bytes, size) != 0 || size != kEntrySize) return 1;
        ScheduleEntry read = DecodeEntry(bytes);
        if (read.objectIndex == objectIndex) {
            entryNumber = number;
            entry = read;
            return 0;
        }
    }
    return 0;
}

// Disables the discrete-input and PID entries and schedules the AO block alone at offset 0.
int FieldbusDevice::ResetBlockSchedule() {
    for (uint16_t index : {kDi1Index, kDi2Index, kPidIndex}) {
        int number = 0;
        ScheduleEntry entry;
        if (FindScheduleEntry(index, number, entry) != 0) return 1;
        if (number == 0 || entry.startOffset == kDisabled) continue;
        entry.startOffset = kDisabled;
        uint8_t bytes[kEntrySize] = {};
        EncodeEntry(entry, bytes);
        if (WriteManagementObject(EntryName(number), bytes, kEntrySize) != 0) return 1;
    }
    int number = 0;
    ScheduleEntry entry;
    if (FindScheduleEntry(kAoIndex, number, entry) != 0) return 1;
    if (number == 0) number = 1;
    uint8_t bytes[kEntrySize] = {};
    EncodeEntry(ScheduleEntry{0, kAoIndex, 0}, bytes);
    return WriteManagementObject(EntryName(number), bytes, kEntrySize) != 0 ? 1 : 0;
}

}  // namespace fieldbus
