// Changing a device's PD tag and node address, and the checks made before.
#include "fieldbus/FieldbusLink.h"
#include "fieldbus/StatusLog.h"
#include "platform/Ui.h"

using platform::ShowMessage;

namespace fieldbus {

int FieldbusLink::ChangeTagAddress(int slot, const std::string& newTag, uint8_t newAddress) {
    if (!IsPresent(slot)) {
        ShowMessage("Error: Device is not present for Tag/Address change.");
        return 1;
    }
    std::string deviceId;
    bool tagChanged, addressChanged;
    {
        std::lock_guard<std::recursive_mutex> lock(listLock_);
        const DeviceListSlot& s = slots_[static_cast<size_t>(slot)];
        deviceId = s.deviceId;
        tagChanged = newTag != s.pdTag;
        addressChanged = newAddress != s.nodeAddress;
        CloseSlotDevice(slot);
    }
    nifDesc_t device = 0;
    auto fail = [&](int status, const char* message) {
        if (message) ShowMessage(message);
        if (status != E_OK) Log(status);
        if (device) nifClose(device);
        return 1;
    };
    int status = nifOpenPhysicalDevice(link_, NIF_BY_DEVICE_ID, deviceId.c_str(), &device);
    if (status != E_OK) {
        device = 0;
        return fail(status, "Failed to get descriptor for address change.");
    }
    if (tagChanged) {
        status = nifSetAddress(device, kDefaultAddress);
        if (status == E_OK) {
            status = nifClear(device, NIF_CLEAR_TAG_AND_ADDRESS);
            if (status != E_OK) return fail(status, "Error: Failed to clear the device tag/address.");
        } else if (status != E_SM_NOT_OPERATIONAL && status != E_SM_NOT_INITIALIZED) {
            return fail(status, "Error: Failed to change to default address 248 temporary for tag change.");
        }
        status = nifSetTag(device, newTag.c_str());
        if (status != E_OK) return fail(status, "Error: Failed to set the device tag.");
        nifClose(device);
        device = 0;
        status = nifOpenPhysicalDevice(link_, NIF_BY_DEVICE_ID, deviceId.c_str(), &device);
        if (status != E_OK) {
            device = 0;
            return fail(status, "Failed to get descriptor for address change.");
        }
    }
    if (!tagChanged && addressChanged && newAddress < kDefaultAddress) {
        // A device takes an operational address only from a default address.
        status = nifSetAddress(device, kDefaultAddress);
        if (status != E_OK) return fail(status, "Error: Failed to set the device address.");
    }
    if (tagChanged || addressChanged) {
        status = nifSetAddress(device, newAddress);
        if (status != E_OK) return fail(status, "Error: Failed to set the device address.");
    }
    nifClose(device);
    return 0;
}

}  // namespace fieldbus
