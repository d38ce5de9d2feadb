// Link mastership and restart of a Fieldbus device: the rules of DeviceManagement over this
// device's parameter access, and the link-master flags of a device that is not open.
#include <vector>

#include "fieldbus/BlockKind.h"
#include "fieldbus/DeviceManagement.h"
#include "fieldbus/FieldbusDevice.h"
#include "values/ValueCodec.h"

namespace fieldbus {

namespace {
constexpr uint16_t kBlockListCapacity = FieldbusDevice::kMaxBlocks;

// Descriptors opened for one query, closed again in reverse order.
class QueryDescriptors {
public:
    QueryDescriptors() = default;
    QueryDescriptors(const QueryDescriptors&) = delete;
    QueryDescriptors& operator=(const QueryDescriptors&) = delete;
    ~QueryDescriptors() {
        for (auto it = opened_.rbegin(); it != opened_.rend(); ++it) nifClose(*it);
    }
    void Keep(nifDesc_t desc) { opened_.push_back(desc); }

private:
    std::vector<nifDesc_t> opened_;
};

// Reads exactly `size` bytes of an object; false on any failure.
bool ReadExactly(nifDesc_t desc, const char* name, uint8_t* bytes, uint16_t size, int& status) {
    uint16_t got = size;
    status = nifReadObject(desc, name, bytes, &got);
    return status == E_OK && got == size;
}
}  // namespace

bool FieldbusDevice::HasMib() const {
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    return mib_ != 0;
}

void FieldbusDevice::ReadLinkMasterFlags() {
    LinkMasterFlags flags;
    DeviceManagement(*this).ReadLinkMasterFlags(flags, HasMib());
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    linkMasterFlags_ = flags;
}

LinkMasterFlags FieldbusDevice::GetLinkMasterFlags() const {
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    return linkMasterFlags_;
}

int FieldbusDevice::QueryLinkMasterFlags(LinkMasterFlags& flags) {
    int result = 0;
    if (IsOpen()) {
        result = DeviceManagement(*this).ReadLinkMasterFlags(flags, HasMib());
    } else {
        result = ReadLinkMasterFlagsById(flags);
    }
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    linkMasterFlags_ = flags;
    return result;
}

// The same reads as for an open device, on descriptors of this query only. The probe is
// quiet: it runs for every device the tree shows, so failures are not logged. It holds no
// lock of the device while it waits for the bus, so a probe of a device that does not
// answer never holds up the window.
int FieldbusDevice::ReadLinkMasterFlagsById(LinkMasterFlags& flags) {
    flags = {};
    if (link_ == nullptr || !LinkHealthy()) return 1;
    std::string deviceId;
    {
        std::lock_guard<std::recursive_mutex> lock(accessLock_);
        deviceId = deviceId_;
    }
    int status = E_OK;
    const int result = ProbeLinkMasterFlags(link_->LinkDescriptor(), deviceId, flags, status);
    SetLastStatus(status);
    return result;
}

int FieldbusDevice::ProbeLinkMasterFlags(nifDesc_t link, const std::string& deviceId, LinkMasterFlags& flags,
                                         int& status, const std::function<bool()>& cancelled) {
    flags = {};
    status = E_OK;
    QueryDescriptors descriptors;
    auto open = [&descriptors, &status](int result, nifDesc_t desc) {
        status = result;
        if (result != E_OK) return false;
        descriptors.Keep(desc);
        return true;
    };
    auto stop = [&cancelled] { return cancelled && cancelled(); };

    nifDesc_t physical = 0, vfd = 0;
    if (!open(nifOpenPhysicalDevice(link, NIF_BY_DEVICE_ID, deviceId.c_str(), &physical), physical) || stop() ||
        !open(nifOpenVfd(physical, makeIndex(0), &vfd), vfd) || stop())
        return 1;
    nifBlockInfo list[kBlockListCapacity] = {};
    uint16_t count = kBlockListCapacity;
    status = nifGetBlockList(vfd, NIF_FUNCTION_BLOCK | NIF_TRANSDUCER_BLOCK | NIF_RESOURCE_BLOCK, list, &count);
    if (status != E_OK || stop()) return 1;
    int rbNumber = -1, tbNumber = -1;
    for (int number = 0; number < count && number < kBlockListCapacity; ++number) {
        if (list[number].blockType == NIF_RESOURCE_BLOCK && rbNumber < 0) rbNumber = number;
        if (list[number].blockType == NIF_TRANSDUCER_BLOCK && tbNumber < 0) tbNumber = number;
    }
    nifDesc_t rb = 0;
    if (rbNumber < 0 || !open(nifOpenBlock(vfd, makeIndex(static_cast<uint32_t>(rbNumber)), &rb), rb) || stop())
        return 1;

    values::ValueCodec& codec = values::ValueCodec::Instance();
    uint8_t typeBytes[2] = {}, devRev = 0;
    if (!ReadExactly(rb, "DEV_TYPE", typeBytes, sizeof typeBytes, status) || stop() ||
        !ReadExactly(rb, "DEV_REV", &devRev, 1, status) || stop())
        return 1;
    const uint16_t devType = codec.ReadU16(typeBytes);

    bool optionsRead = false;
    uint16_t options = 0;
    nifDesc_t tb = 0;
    if (tbNumber >= 0 && open(nifOpenBlock(vfd, makeIndex(static_cast<uint32_t>(tbNumber)), &tb), tb)) {
        uint8_t optionBytes[2] = {};
        optionsRead = ReadExactly(tb, "DEV_OPTIONS", optionBytes, sizeof optionBytes, status);
        if (optionsRead) options = codec.ReadBits16(optionBytes);
    }
    if (stop()) return 1;

    bool dlmeRead = false;
    uint8_t dlmeClass = 0;
    nifDesc_t mib = 0;
    if (IsLinkMasterType(devType, devRev) && open(nifOpenVfd(physical, "MIB", &mib), mib)) {
        uint8_t dlme[kDlmeBasicCharacteristicsSize] = {};
        dlmeRead = ReadExactly(mib, kDlmeBasicCharacteristics, dlme, sizeof dlme, status);
        if (dlmeRead) dlmeClass = dlme[2];
    }
    flags = DeriveLinkMasterFlags(devType, devRev, optionsRead, options, dlmeRead, dlmeClass);
    return optionsRead && (dlmeRead || !flags.linkMasterType) ? 0 : 1;
}

bool FieldbusDevice::IsActiveScheduler() {
    return DeviceManagement(*this).IsActiveScheduler(GetLinkMasterFlags().configuredAsLinkMaster);
}

int FieldbusDevice::ReadDlmeClass(uint8_t& value) { return DeviceManagement(*this).ReadDlmeClass(value); }

int FieldbusDevice::SetBootClass(bool linkMaster) { return DeviceManagement(*this).SetBootClass(linkMaster); }

int FieldbusDevice::SetLinkMaster(bool linkMaster, bool silent) {
    return DeviceManagement(*this).SetLinkMaster(linkMaster, silent);
}

int FieldbusDevice::RestartDevice() { return DeviceManagement(*this).RestartDevice(); }

int FieldbusDevice::WaitRestart() { return DeviceManagement(*this).WaitRestart(); }

}  // namespace fieldbus
