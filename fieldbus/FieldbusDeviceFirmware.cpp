// Software download access of a device: objects of its function-block VFD by index and the
// domain download. Failures are reported by the device log rule.
#include "fieldbus/FieldbusDevice.h"

#include "nifb/nifb.h"

namespace fieldbus {

namespace {
std::string IndexObject(uint32_t index, uint32_t subindex) {
    return subindex == 0 ? makeIndex(index) : makeIndexSubindex(index, subindex);
}
}  // namespace

int FieldbusDevice::ReadVfdObject(uint32_t index, uint32_t subindex, void* buffer, uint16_t& size) {
    if (CheckAccess(Access::Read) != 0) return 1;
    const uint16_t capacity = size;
    if (capacity == 0) return 1;
    return ReadObject(FirstVfd(), IndexObject(index, subindex), buffer, size, capacity);
}

int FieldbusDevice::WriteVfdObject(uint32_t index, uint32_t subindex, const void* buffer, uint16_t size) {
    if (CheckAccess(Access::Write) != 0) return 1;
    return WriteObject(FirstVfd(), IndexObject(index, subindex), buffer, size);
}

int FieldbusDevice::DownloadDomain(uint32_t index, const std::string& filePath) {
    if (CheckAccess(Access::Write) != 0) return 1;
    const int status = nifDownloadDomain(FirstVfd(), makeIndex(index), filePath.c_str());
    SetLastStatus(status);
    if (status != E_OK) {
        ReportStatus(status);
        return 1;
    }
    return 0;
}

}  // namespace fieldbus
