#include "fieldbus/FieldbusDevice.h"

#include "fieldbus/StatusLog.h"

namespace fieldbus {

FieldbusDevice::FieldbusDevice() {
    for (auto& id : blockIds_) id.store(-1);
}

// Workers still running after the close (abandoned on a slow read) are waited for here, while
// the object is still whole.
FieldbusDevice::~FieldbusDevice() {
    CloseDevice();
    EndDeviceThreads();
}

void FieldbusDevice::SetLink(LinkContext* link) { link_ = link; }

void FieldbusDevice::BindSlot(int slot, const std::string& deviceId, const std::string& pdTag) {
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    slot_ = slot;
    deviceId_ = deviceId;
    pdTag_ = pdTag;
}

int FieldbusDevice::GetSlot() const {
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    return slot_;
}

std::string FieldbusDevice::Tag() const {
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    return pdTag_;
}

bool FieldbusDevice::IsOpen() const { return open_.load(); }

int FieldbusDevice::LastStatus() const { return lastStatus_.load(); }

void FieldbusDevice::SetLastStatus(int status) { lastStatus_.store(status); }

platform::WindowHandle FieldbusDevice::NotifyWindow() const { return link_ ? link_->NotifyWindow() : 0; }

// Without a link there is nobody to say the bus is down, so traffic is allowed.
bool FieldbusDevice::LinkHealthy() const { return link_ == nullptr || link_->IsLinkHealthy(); }

void FieldbusDevice::ReportStatus(int status) { LogDeviceStatus(Tag(), GetSlot(), status, NotifyWindow()); }

std::string FieldbusDevice::GetBlockTag(int block) const {
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    if (block < 0 || block >= static_cast<int>(blockRecords_.size())) return {};
    return blockRecords_[static_cast<size_t>(block)].tag;
}

int FieldbusDevice::GetBlockCount() const {
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    return static_cast<int>(blockRecords_.size());
}

int FieldbusDevice::BlockOf(BlockKind kind) const {
    const int i = static_cast<int>(kind);
    return i >= 0 && i < kBlockKindCount ? blockIds_[static_cast<size_t>(i)].load() : -1;
}

BlockIds FieldbusDevice::GetBlockIds() const {
    BlockIds ids;
    for (int i = 0; i < kBlockKindCount; ++i) ids[static_cast<size_t>(i)] = blockIds_[static_cast<size_t>(i)].load();
    return ids;
}

BlockRecord FieldbusDevice::GetBlockRecord(int block) const {
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    if (block < 0 || block >= static_cast<int>(blockRecords_.size())) return {};
    return blockRecords_[static_cast<size_t>(block)];
}

std::vector<BlockRecord> FieldbusDevice::GetBlockRecords() const {
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    return blockRecords_;
}

void FieldbusDevice::GetIdentification(std::string& vendor, std::string& model, std::string& revision) const {
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    vendor = vendor_;
    model = model_;
    revision = revision_;
}

nifDesc_t FieldbusDevice::FirstVfd() const {
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    return vfds_.empty() ? 0 : vfds_.front();
}

bool FieldbusDevice::StartIndex(int block, uint32_t& index) const {
    std::lock_guard<std::recursive_mutex> lock(accessLock_);
    if (block < 0 || block >= static_cast<int>(blockRecords_.size())) return false;
    index = blockRecords_[static_cast<size_t>(block)].startIndex;
    return true;
}

}  // namespace fieldbus
