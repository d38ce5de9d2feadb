// Software download access of a device: objects of its function-block VFD by index and the
// domain download. The calls are made outside the access lock; failures are reported by the
// device log rule.
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
    const nifDesc_t vfd = FirstVfd();
    if (capacity == 0 || vfd == 0 || !LinkHealthy()) return 1;
    return ReadObject(At(vfd, IndexObject(index, subindex)), buffer, size, capacity);
}

int FieldbusDevice::WriteVfdObject(uint32_t index, uint32_t subindex, const void* buffer, uint16_t size) {
    if (CheckAccess(Access::Write) != 0) return 1;
    const nifDesc_t vfd = FirstVfd();
    if (vfd == 0 || !LinkHealthy()) return 1;
    return WriteObject(At(vfd, IndexObject(index, subindex)), buffer, size);
}

int FieldbusDevice::DownloadDomain(uint32_t index, const std::string& filePath) {
    if (CheckAccess(Access::Write) != 0) return 1;
    const nifDesc_t vfd = FirstVfd();
    if (vfd == 0 || !LinkHealthy()) return 1;
    const BusAddress at = At(vfd, makeIndex(index));
    const int status = nifDownloadDomain(at.desc, at.wire.c_str(), filePath.c_str());
    SetLastStatus(status);
    if (status != E_OK) {
        ReportCallFailure(status, at.generation);
        return 1;
    }
    return 0;
}

}  // namespace fieldbus
