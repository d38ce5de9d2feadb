#include "fieldbus/FieldbusLink.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "fieldbus/BoundedClose.h"
#include "fieldbus/DeviceMessages.h"
#include "fieldbus/StatusLog.h"
#include "fieldbus/WorkerNotice.h"
#include "platform/Ui.h"


namespace fieldbus {

FieldbusLink& FieldbusLink::Instance() {
    static FieldbusLink link;
    return link;
}

FieldbusLink::FieldbusLink() {
    itemMap_.fill(-1);
    itemMap_[0] = 0;
    for (auto& device : devices_) {
        device = std::make_unique<FieldbusDevice>();
        device->SetLink(this);
    }
}

// Poll threads left waiting for a server that stopped answering are waited for here, while
// the object is still whole (a program that must not wait ends without destroying the link).
FieldbusLink::~FieldbusLink() {
    CloseLink();
    std::lock_guard<std::mutex> guard(pollThreadLock_);
    for (AbandonedPoll& poll : abandonedPolls_)
        if (poll.thread.joinable()) poll.thread.join();
}

bool FieldbusLink::IsServerAvailable() {
    nifDesc_t session = 0;
    nifError_t status = nifOpenSession(nullptr, &session);
    if (status == E_OK) {
        nifClose(session);
        return true;
    }
    if (status != E_SERVER_NOT_RESPONDING)
        ShowNotice("Error: a serious resource problem exists with NI-FBUS server. \nExit the program and ask for help.");
    return false;
}

int FieldbusLink::Log(int status, bool quiet) {
    lastStatus_ = status;
    return LogLinkStatus(status, quiet, notify_.load());
}

void FieldbusLink::ResetDeviceLists() {
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    linkHealthy_ = false;
    linkOpen_ = false;
    itemCount_ = 1;
    liveCount_ = 0;
    presentCount_ = 0;
    fullListNoted_ = false;
    currentSlot_ = -1;
    companionSlot_ = -1;
    for (auto& slot : slots_) slot.present = false;
}

void FieldbusLink::CountPresent() {
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    int count = 0;
    for (int item = 1; item < itemCount_; ++item) {
        int slot = itemMap_[static_cast<size_t>(item)];
        if (ValidSlot(slot) && slots_[static_cast<size_t>(slot)].present) ++count;
    }
    presentCount_ = count;
}

void FieldbusLink::CloseSlotDevice(int slot) {
    FieldbusDevice& device = Device(slot);
    if (device.IsOpen()) device.CloseDevice();
}

void FieldbusLink::Tell(const std::string& text, bool) { ShowNotice(text); }

// A device marked absent here keeps its open descriptors until the window closes it
// (CloseAbsentDevices); the poll thread must not stop a device's workers while it holds the
// list lock.
int FieldbusLink::AddEntryLocked(const LiveListEntry& entry, bool fromPoll) {
    if (entry.classFlags == NIF_CLASS_INTERFACE || (entry.classFlags & NIF_CLASS_BRIDGED)) return 0;
    for (int item = 1; item < itemCount_; ++item) {
        int slot = itemMap_[static_cast<size_t>(item)];
        if (!ValidSlot(slot)) {
            Tell("Error: Invalid device index obtained.", fromPoll);
            return 1;
        }
        DeviceListSlot& s = slots_[static_cast<size_t>(slot)];
        if (s.deviceId != entry.deviceId) continue;
        if (entry.classFlags != NIF_CLASS_NOT_PRESENT) {
            s.present = true;
        } else if (s.present) {
            if (!fromPoll) CloseSlotDevice(slot);
            s.present = false;
        }
        return 0;
    }
    if (entry.classFlags == NIF_CLASS_NOT_PRESENT) return 0;
    if (itemCount_ >= kDeviceSlots) {
        // Said once per scan: the poll meets the same new device every few seconds.
        if (!fullListNoted_)
            Tell("NOTE: The device list display is full. To add new device(s), remove unresponsive/unconnected "
                 "devices from the list, \nthen re-scan the link for all the devices.",
                 fromPoll);
        fullListNoted_ = true;
        return 1;
    }
    int freeSlot = -1;
    for (int slot = 1; slot < kDeviceSlots && freeSlot < 0; ++slot) {
        bool used = false;
        for (int item = 1; item < itemCount_; ++item) used = used || itemMap_[static_cast<size_t>(item)] == slot;
        if (!used) freeSlot = slot;
    }
    if (!ValidSlot(freeSlot)) {
        Tell("Error: Invalid new device index obtained.", fromPoll);
        return 1;
    }
    DeviceListSlot& s = slots_[static_cast<size_t>(freeSlot)];
    s.deviceId = entry.deviceId;
    s.pdTag = entry.pdTag;
    s.nodeAddress = entry.nodeAddress;
    s.classFlags = entry.classFlags;
    s.present = true;
    // The slot's device object learns its identity now, so that it can be asked about the
    // device (link-master flags) before it is opened.
    if (!devices_[static_cast<size_t>(freeSlot)]->IsOpen())
        devices_[static_cast<size_t>(freeSlot)]->BindSlot(freeSlot, s.deviceId, s.pdTag);
    itemMap_[static_cast<size_t>(itemCount_)] = freeSlot;
    ++itemCount_;
    return 0;
}

int FieldbusLink::AddDevice(int liveIndex) {
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    if (liveIndex < 0 || liveIndex >= static_cast<int>(live_.size())) return 1;
    return AddEntryLocked(live_[static_cast<size_t>(liveIndex)], false);
}

void FieldbusLink::InitialFill() {
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    itemCount_ = 1;
    for (size_t i = 0; i < live_.size(); ++i)
        if (AddEntryLocked(live_[i], false) != 0) break;
}

void FieldbusLink::MergeAfterPoll(const std::vector<LiveListEntry>& live) {
    if (pauseFlag_.load()) return;
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    live_ = live;
    for (int item = 1; item < itemCount_; ++item) {
        int slot = itemMap_[static_cast<size_t>(item)];
        if (!ValidSlot(slot)) continue;
        DeviceListSlot& s = slots_[static_cast<size_t>(slot)];
        bool stillLive = std::any_of(live.begin(), live.end(),
                                     [&](const LiveListEntry& e) { return e.deviceId == s.deviceId; });
        if (!stillLive && s.present) s.present = false;
    }
    for (const auto& entry : live)
        if (AddEntryLocked(entry, true) != 0) break;
    CountPresent();
}

void FieldbusLink::CloseAbsentDevices() {
    std::vector<int> absent;
    {
        std::lock_guard<std::recursive_mutex> lock(listLock_);
        for (int slot = 1; slot < kDeviceSlots; ++slot)
            if (!slots_[static_cast<size_t>(slot)].present && devices_[static_cast<size_t>(slot)]->IsOpen())
                absent.push_back(slot);
    }
    for (int slot : absent) CloseSlotDevice(slot);
}

int FieldbusLink::RemoveDevice(int slot) {
    if (!ValidSlot(slot)) {
        ShowNotice("Error: Invalid device index for removal encountered.");
        return 1;
    }
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    if (slots_[static_cast<size_t>(slot)].present) {
        ShowNotice("Error: Cannot remove a live device.");
        return 1;
    }
    int item = -1;
    for (int i = 1; i < itemCount_; ++i)
        if (itemMap_[static_cast<size_t>(i)] == slot) item = i;
    if (item < 0) {
        ShowNotice("Error: Invalid list item number for the remove device obtained.");
        return 1;
    }
    for (int i = item; i < itemCount_ - 1; ++i) itemMap_[static_cast<size_t>(i)] = itemMap_[static_cast<size_t>(i + 1)];
    --itemCount_;
    itemMap_[static_cast<size_t>(itemCount_)] = -1;
    fullListNoted_ = false;  // room again: a device that did not fit may be added now
    return 0;
}

int FieldbusLink::OpenDevice(int slot) {
    if (!ValidSlot(slot) || !IsPresent(slot)) {
        ShowNotice("Error: The device is not present.");
        return 1;
    }
    FieldbusDevice& device = Device(slot);
    {
        std::lock_guard<std::recursive_mutex> lock(listLock_);
        if (!device.IsOpen()) {
            const DeviceListSlot& s = slots_[static_cast<size_t>(slot)];
            device.BindSlot(slot, s.deviceId, s.pdTag);
            if (device.OpenDevice() != 0) return 1;
        }
    }
    // The process-wide block numbers follow the current device only; a companion device
    // keeps its numbers to itself.
    if (slot == currentSlot_.load()) SetBlockIds(device.GetBlockIds());
    return device.ReadBackMissingBlockTags() == 0 ? 0 : 1;
}

bool FieldbusLink::IsPresent(int slot) {
    if (!ValidSlot(slot)) return false;
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    return slots_[static_cast<size_t>(slot)].present;
}

std::string FieldbusLink::GetDeviceId(int slot) {
    if (!ValidSlot(slot)) {
        ShowNotice("Invalid device index encountered.");
        return {};
    }
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    return slots_[static_cast<size_t>(slot)].deviceId;
}

std::string FieldbusLink::GetTag(int slot) {
    if (!ValidSlot(slot)) {
        ShowNotice("Invalid device index encountered.");
        return {};
    }
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    return slots_[static_cast<size_t>(slot)].pdTag;
}

uint8_t FieldbusLink::GetNodeAddress(int slot) {
    if (!ValidSlot(slot)) {
        ShowNotice("Invalid device index encountered.");
        return 0;
    }
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    return slots_[static_cast<size_t>(slot)].nodeAddress;
}

uint32_t FieldbusLink::GetClassFlags(int slot) {
    if (!ValidSlot(slot)) return 0;
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    return slots_[static_cast<size_t>(slot)].classFlags;
}

int FieldbusLink::ItemDevIndexMap(int item) {
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    if (item < 1 || item >= kDeviceSlots || itemMap_[static_cast<size_t>(item)] < 0) {
        ShowNotice("Error: Invalid index in GetItemDevIndexMap() encountered.");
        return 0;
    }
    return itemMap_[static_cast<size_t>(item)];
}

int FieldbusLink::DevIndexItemMap(int slot) {
    if (!ValidSlot(slot)) {
        ShowNotice("Error: Invalid index in GetDevIndexItemMap() encountered.");
        return 0;
    }
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    for (int item = 1; item < itemCount_; ++item)
        if (itemMap_[static_cast<size_t>(item)] == slot) return item;
    ShowNotice("Error: Failed to find a match to the device index in GetDevIndexItemMap() encountered.");
    return 0;
}

bool FieldbusLink::IsPositionerId(const std::string& deviceId) {
    size_t start = deviceId.find_first_not_of(' ');
    if (start == std::string::npos) return false;
    std::string id = deviceId.substr(start, 10);
    for (char& c : id) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (id.size() < 10) return false;
    const std::string maker = id.substr(0, 6), type = id.substr(6, 4);
    return (maker == "42524B" || maker == "4B5445") && (type == "0001" || type == "0007");
}

bool FieldbusLink::IsPositioner(int slot) { return ValidSlot(slot) && IsPositionerId(GetDeviceId(slot)); }

bool FieldbusLink::IsTagUnique(int slot, const std::string& tag) {
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    const std::string& id = slots_[static_cast<size_t>(ValidSlot(slot) ? slot : 0)].deviceId;
    return std::none_of(live_.begin(), live_.end(),
                        [&](const LiveListEntry& e) { return e.deviceId != id && e.pdTag == tag; });
}

bool FieldbusLink::IsAddressValid(int slot, uint8_t address) {
    if (address < 16 || address > 247) return false;
    if (address >= firstUnpolled_ && address < firstUnpolled_ + numUnpolled_) return false;
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    const std::string& id = slots_[static_cast<size_t>(ValidSlot(slot) ? slot : 0)].deviceId;
    return std::none_of(live_.begin(), live_.end(),
                        [&](const LiveListEntry& e) { return e.deviceId != id && e.nodeAddress == address; });
}

int FieldbusLink::DisplayItemCount() {
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    return itemCount_;
}

int FieldbusLink::PresentCount() {
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    return presentCount_;
}

// The devices that really are open, counted afresh (a device can close on many paths).
int FieldbusLink::OpenedCount() {
    int count = 0;
    for (int slot = 1; slot < kDeviceSlots; ++slot)
        if (devices_[static_cast<size_t>(slot)]->IsOpen()) ++count;
    return count;
}

int FieldbusLink::LiveEntryCount() {
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    return liveCount_;
}

std::string FieldbusLink::InterfaceName() const {
    return std::string(interface_.interfaceName, strnlen(interface_.interfaceName, sizeof interface_.interfaceName - 1));
}

void FieldbusLink::SetPollPause(bool pause) {
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    pauseFlag_ = pause ? 1 : 0;
}

void FieldbusLink::CloseLink() {
    StopLivePoll();
    for (int slot = 1; slot < kDeviceSlots; ++slot) CloseSlotDevice(slot);
    CloseDescriptors({link_, session_});
    link_ = 0;
    session_ = 0;
    ResetDeviceLists();
    std::lock_guard<std::recursive_mutex> lock(listLock_);
    live_.clear();
}

}  // namespace fieldbus
