// Parameter access by name, by object-dictionary index and on the management information
// base. Every access takes the access lock for its bus traffic, does nothing while the live
// list reports the link unhealthy, keeps the library status as the device's last status and
// reports failures by the device log rule only.
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

int FieldbusDevice::ReadObject(nifDesc_t desc, const std::string& wire, void* buffer, uint16_t& size,
                               uint16_t capacity) {
    if (size == 0) {
        const int status = nifGetObjectSize(desc, wire.c_str(), &size);
        SetLastStatus(status);
        if (status != E_OK) {
            ReportStatus(status);
            return 1;
        }
        if (size > capacity) {
            SetLastStatus(E_BUF_TOO_SMALL);
            ReportStatus(E_BUF_TOO_SMALL);
            return 1;
        }
    }
    const int status = nifReadObject(desc, wire.c_str(), buffer, &size);
    SetLastStatus(status);
    if (status != E_OK) {
        ReportStatus(status);
        return 1;
    }
    return 0;
}

int FieldbusDevice::WriteObject(nifDesc_t desc, const std::string& wire, const void* buffer, uint16_t size) {
    if (size == 0) {
        const int status = nifGetObjectSize(desc, wire.c_str(), &size);
        SetLastStatus(status);
        if (status != E_OK) {
            ReportStatus(status);
            return 1;
        }
    }
    const int status = nifWriteObject(desc, wire.c_str(), buffer, size);
    SetLastStatus(status);
    if (status != E_OK) {
        ReportStatus(status);
        return 1;
    }
    return 0;
}

int FieldbusDevice::ReadParameter(int block, const std::string& name, void* buffer, uint16_t& size) {
    if (CheckAccess(Access::Read) != 0) return 1;
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    nifDesc_t desc = 0;
    std::string wire;
    if (!WireAddress(block, name, desc, wire)) return 1;
    if (!LinkHealthy()) return 1;
    return ReadObject(desc, wire, buffer, size, kUnknownCapacity);
}

int FieldbusDevice::WriteParameter(int block, const std::string& name, const void* buffer, uint16_t size) {
    if (CheckAccess(Access::Write) != 0) return 1;
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    nifDesc_t desc = 0;
    std::string wire;
    if (!WireAddress(block, name, desc, wire)) return 1;
    if (!LinkHealthy()) return 1;
    return WriteObject(desc, wire, buffer, size);
}

int FieldbusDevice::ReadParameterByIndex(int block, int relativeIndex, void* buffer, uint16_t& size) {
    if (CheckAccess(Access::Read) != 0) return 1;
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    uint32_t start = 0;
    if (!StartIndex(block, start) || !LinkHealthy()) return 1;
    return ReadObject(FirstVfd(), makeIndex(start + static_cast<uint32_t>(relativeIndex)), buffer, size,
                      kUnknownCapacity);
}

int FieldbusDevice::WriteParameterByIndex(int block, int relativeIndex, const void* buffer, uint16_t size) {
    if (CheckAccess(Access::Write) != 0) return 1;
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    uint32_t start = 0;
    if (!StartIndex(block, start) || !LinkHealthy()) return 1;
    return WriteObject(FirstVfd(), makeIndex(start + static_cast<uint32_t>(relativeIndex)), buffer, size);
}

int FieldbusDevice::WriteParameterBySubindex(int block, int relativeIndex, int subindex, const void* buffer,
                                             uint16_t size) {
    if (CheckAccess(Access::Write) != 0) return 1;
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    uint32_t start = 0;
    if (!StartIndex(block, start) || !LinkHealthy()) return 1;
    return WriteObject(FirstVfd(),
                       makeIndexSubindex(start + static_cast<uint32_t>(relativeIndex), static_cast<uint32_t>(subindex)),
                       buffer, size);
}

int FieldbusDevice::ReadManagementObject(const std::string& name, void* buffer, uint16_t& size) {
    if (CheckAccess(Access::Read) != 0) return 1;
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    if (!LinkHealthy()) return 1;
    return ReadObject(mib_, name, buffer, size, kUnknownCapacity);
}

int FieldbusDevice::WriteManagementObject(const std::string& name, const void* buffer, uint16_t size) {
    if (CheckAccess(Access::Write) != 0) return 1;
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    if (!LinkHealthy()) return 1;
    return WriteObject(mib_, name, buffer, size);
}

int FieldbusDevice::ReadTextObject(int block, const std::string& name, std::string& text, uint16_t capacity) {
    text.clear();
    if (CheckAccess(Access::Read) != 0) return 1;
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    nifDesc_t desc = 0;
    std::string wire;
    if (!WireAddress(block, name, desc, wire) || !LinkHealthy()) return 1;
    std::vector<char> buffer(static_cast<size_t>(capacity) + 1, '\0');
    uint16_t size = 0;
    if (ReadObject(desc, wire, buffer.data(), size, capacity) != 0) return 1;
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
