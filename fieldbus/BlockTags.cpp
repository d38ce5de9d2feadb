// Block tags: read back from the block's own object-dictionary entry, and set after the
// device and the block were taken out of service.
#include <algorithm>
#include <cstring>

#include "fieldbus/DeviceMessages.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/ModeControl.h"
#include "fieldbus/OperationState.h"

namespace fieldbus {

namespace {
// Object sizes of 240 and more are not taken as the length of the tag text.
constexpr uint16_t kLongObject = 240;
constexpr uint16_t kTagCapacity = 255;
}  // namespace

// Member 1 of the block's first object-dictionary entry holds the block tag.
int FieldbusDevice::ReadBackBlockTag(int block) {
    if (CheckAccess(Access::Read) != 0) return 1;
    std::string error;
    {
        std::lock_guard<std::recursive_mutex> lock(accessLock_);
        uint32_t start = 0;
        if (!StartIndex(block, start) || !LinkHealthy()) return 1;
        const std::string object = makeIndexSubindex(start, 1);
        char buffer[kTagCapacity + 1] = {};
        uint16_t size = kTagCapacity;
        if (ReadObject(At(FirstVfd(), object), buffer, size, kTagCapacity) != 0) return 1;
        uint16_t objectSize = 0;
        const int status = nifGetObjectSize(FirstVfd(), object.c_str(), &objectSize);
        SetLastStatus(status);
        if (status != E_OK) {
            error = "Error: Failed to get the object size.";
        } else {
            size_t length = std::min<size_t>(size, kTagCapacity);
            if (objectSize < kLongObject) length = std::min<size_t>(length, objectSize);
            blockRecords_[static_cast<size_t>(block)].tag = TrimRight(FieldText(buffer, length));
        }
    }
    if (!error.empty()) {
        ShowError(error);
        return 1;
    }
    return 0;
}

int FieldbusDevice::ReadBackBlockTags() {
    int result = 0;
    const int count = GetBlockCount();
    for (int block = 0; block < count; ++block)
        if (ReadBackBlockTag(block) != 0) result = 1;
    return result;
}

int FieldbusDevice::ReadBackMissingBlockTags() {
    int result = 0;
    const int count = GetBlockCount();
    for (int block = 0; block < count; ++block) {
        bool known = false;
        {
            std::lock_guard<std::recursive_mutex> lock(accessLock_);
            known = static_cast<size_t>(block) < blockRecords_.size() &&
                    !blockRecords_[static_cast<size_t>(block)].tag.empty();
        }
        if (!known && ReadBackBlockTag(block) != 0) result = 1;
    }
    return result;
}

int FieldbusDevice::SetBlockTag(int block, const std::string& tag) {
    if (CheckAccess(Access::Write) != 0) return 1;
    const int prepared = PrepareConfigurationChange();
    if (prepared != 0) return prepared;

    // The tag field is 32 characters: longer tags are cut, shorter ones padded with blanks.
    {
        std::lock_guard<std::recursive_mutex> lock(accessLock_);
        std::memset(tagBuffer_, ' ', kTagLength);
        std::memcpy(tagBuffer_, tag.data(), std::min<size_t>(tag.size(), kTagLength));
        tagBuffer_[kTagLength] = '\0';
    }
    if (SetBlockMode(block, kModeOos) != 0) return 1;
    // Function blocks other than AO are not waited for by a mode change, but the device
    // takes a new tag only from a block that is actually out of service.
    if (ModeControl(*this).WaitForActualMode(block, kModeOos) != 0) return 1;

    int status = E_INVALID_DESCRIPTOR;
    {
        std::lock_guard<std::recursive_mutex> lock(accessLock_);
        if (block < 0 || block >= static_cast<int>(blocks_.size())) return 1;
        if (!LinkHealthy()) return 1;
        status = nifSetTag(blocks_[static_cast<size_t>(block)], tagBuffer_);
        SetLastStatus(status);
    }
    int result = 0;
    if (status != E_OK) {
        ReportStatus(status);
        ShowError("Error: Failed to set block tag.");
        result = 1;
    }
    if (ReadBackBlockTag(block) != 0) result = 1;
    return result;
}

}  // namespace fieldbus
