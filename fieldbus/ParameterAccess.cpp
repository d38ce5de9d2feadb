// Parameter access by name, by object-dictionary index and on the management information
// base. Every access looks up its descriptor under the access lock and makes the library
// call after releasing it: the library runs calls from several threads side by side, so the
// window's own reads never wait behind a view reader's read of a device that does not
// answer, and closing the device releases a call that is still waiting. An access does
// nothing while the live list reports the link unhealthy, keeps the library status as the
// device's last status and reports failures by the device log rule only; a call that fails
// because the device was closed meanwhile is not reported.
#include <algorithm>
#include <cstring>

#include "fieldbus/DeviceMessages.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/FieldbusMessages.h"

namespace fieldbus {

namespace {
constexpr uint16_t kUnknownCapacity = 0xFFFF;
constexpr uint16_t kTextCapacity = 255;
}  // namespace

int FieldbusDevice::CheckAccess(Access access) {
    if (open_) return 0;
    if (access == Access::Write) {
        ShowError("Error: Device not open.");
    } else if (LinkHealthy()) {
        platform::PostMessage(NotifyWindow(), WM_DEVICE_NOT_OPEN, static_cast<uintptr_t>(GetSlot()), 0);
    }
    return 1;
}

bool FieldbusDevice::WireAddress(int block, const std::string& name, nifDesc_t& desc, std::string& wire) const {
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    if (block < 0 || block >= static_cast<int>(blocks_.size()) || vfds_.empty()) return false;
    const std::string& tag = blockRecords_[static_cast<size_t>(block)].tag;
    if (tag.empty() || tag.find('.') != std::string::npos) {
        desc = blocks_[static_cast<size_t>(block)];
        wire = name;
    } else {
        desc = vfds_.front();
        wire = platform::Format("%s.%s", tag.c_str(), name.c_str());
    }
    return true;
}

void FieldbusDevice::ReportCallFailure(int status, uint64_t generation) {
    SetLastStatus(status);
    if (open_.load() && openGeneration_.load() == generation) ReportStatus(status);
}

int FieldbusDevice::ReadObject(const BusAddress& at, void* buffer, uint16_t& size, uint16_t capacity) {
    if (size == 0) {
        const int status = nifGetObjectSize(at.desc, at.wire.c_str(), &size);
        SetLastStatus(status);
        if (status != E_OK) {
            ReportCallFailure(status, at.generation);
            return 1;
        }
        if (size > capacity) {
            ReportCallFailure(E_BUF_TOO_SMALL, at.generation);
            return 1;
        }
    }
    const int status = nifReadObject(at.desc, at.wire.c_str(), buffer, &size);
    SetLastStatus(status);
    if (status != E_OK) {
        ReportCallFailure(status, at.generation);
        return 1;
    }
    return 0;
}

int FieldbusDevice::WriteObject(const BusAddress& at, const void* buffer, uint16_t size) {
    if (size == 0) {
        const int status = nifGetObjectSize(at.desc, at.wire.c_str(), &size);
        SetLastStatus(status);
        if (status != E_OK) {
            ReportCallFailure(status, at.generation);
            return 1;
        }
    }
    const int status = nifWriteObject(at.desc, at.wire.c_str(), buffer, size);
    SetLastStatus(status);
    if (status != E_OK) {
        ReportCallFailure(status, at.generation);
        return 1;
    }
    return 0;
}

bool FieldbusDevice::ResolveName(int block, const std::string& name, BusAddress& at) const {
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    at.generation = openGeneration_.load();
    return WireAddress(block, name, at.desc, at.wire);
}

bool FieldbusDevice::ResolveIndex(int block, int relativeIndex, int subindex, BusAddress& at) const {
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    at.generation = openGeneration_.load();
    uint32_t start = 0;
    if (!StartIndex(block, start)) return false;
    at.desc = FirstVfd();
    const uint32_t index = start + static_cast<uint32_t>(relativeIndex);
    at.wire = subindex < 0 ? makeIndex(index) : makeIndexSubindex(index, static_cast<uint32_t>(subindex));
    return at.desc != 0;
}

bool FieldbusDevice::ResolveManagement(const std::string& name, BusAddress& at) const {
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    at.generation = openGeneration_.load();
    at.desc = mib_;
    at.wire = name;
    return true;
}

int FieldbusDevice::ReadParameter(int block, const std::string& name, void* buffer, uint16_t& size) {
    if (CheckAccess(Access::Read) != 0) return 1;
    BusAddress at;
    if (!ResolveName(block, name, at) || !LinkHealthy()) return 1;
    return ReadObject(at, buffer, size, kUnknownCapacity);
}

int FieldbusDevice::WriteParameter(int block, const std::string& name, const void* buffer, uint16_t size) {
    if (CheckAccess(Access::Write) != 0) return 1;
    BusAddress at;
    if (!ResolveName(block, name, at) || !LinkHealthy()) return 1;
    return WriteObject(at, buffer, size);
}

int FieldbusDevice::ReadParameterByIndex(int block, int relativeIndex, void* buffer, uint16_t& size) {
    if (CheckAccess(Access::Read) != 0) return 1;
    BusAddress at;
    if (!ResolveIndex(block, relativeIndex, -1, at) || !LinkHealthy()) return 1;
    return ReadObject(at, buffer, size, kUnknownCapacity);
}

int FieldbusDevice::WriteParameterByIndex(int block, int relativeIndex, const void* buffer, uint16_t size) {
    if (CheckAccess(Access::Write) != 0) return 1;
    BusAddress at;
    if (!ResolveIndex(block, relativeIndex, -1, at) || !LinkHealthy()) return 1;
    return WriteObject(at, buffer, size);
}

int FieldbusDevice::WriteParameterBySubindex(int block, int relativeIndex, int subindex, const void* buffer,
                                             uint16_t size) {
    if (CheckAccess(Access::Write) != 0) return 1;
    BusAddress at;
    if (!ResolveIndex(block, relativeIndex, subindex, at) || !LinkHealthy()) return 1;
    return WriteObject(at, buffer, size);
}

int FieldbusDevice::ReadManagementObject(const std::string& name, void* buffer, uint16_t& size) {
    if (CheckAccess(Access::Read) != 0) return 1;
    BusAddress at;
    if (!ResolveManagement(name, at) || !LinkHealthy()) return 1;
    return ReadObject(at, buffer, size, kUnknownCapacity);
}

int FieldbusDevice::WriteManagementObject(const std::string& name, const void* buffer, uint16_t size) {
    if (CheckAccess(Access::Write) != 0) return 1;
    BusAddress at;
    if (!ResolveManagement(name, at) || !LinkHealthy()) return 1;
    return WriteObject(at, buffer, size);
}

int FieldbusDevice::ReadTextObject(int block, const std::string& name, std::string& text, uint16_t capacity) {
    text.clear();
    if (CheckAccess(Access::Read) != 0) return 1;
    BusAddress at;
    if (!ResolveName(block, name, at) || !LinkHealthy()) return 1;
    std::vector<char> buffer(static_cast<size_t>(capacity) + 1, '\0');
    uint16_t size = 0;
    if (ReadObject(at, buffer.data(), size, capacity) != 0) return 1;
    text = FieldText(buffer.data(), std::min<size_t>(size, capacity));
    return 0;
}

int FieldbusDevice::ReadString(int block, const std::string& name, std::string& text) {
    if (ReadTextObject(block, name, text, kTextCapacity) != 0) return 1;
    text = Trim(text);
    return 0;
}

// The text goes into a 32-byte field with its terminator; a longer text is cut to 32
// characters so the field never overflows.
int FieldbusDevice::WriteString(int block, const std::string& name, const std::string& text) {
    char field[kTagLength] = {};
    std::memcpy(field, text.data(), std::min<size_t>(text.size(), sizeof field));
    return WriteParameter(block, name, field, sizeof field);
}

int FieldbusDevice::ReadModeByte(int block, const char* member, uint8_t& mode) {
    uint16_t size = 1;
    return ReadParameter(block, member, &mode, size);
}

}  // namespace fieldbus
