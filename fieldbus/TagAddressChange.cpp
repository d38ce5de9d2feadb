// Changing a device's PD tag and node address, and the checks made before.
//
// A device takes a new operational address only from a default address, so every change
// passes through the temporary default address 248: a tag change clears the device there
// and sets the new tag, an address change moves it there first. When a step fails after the
// device left its address, the device is put back at its old address where it can be, and
// the caller learns in plain words where the device is left and what to do.
#include "fieldbus/DeviceMessages.h"
#include "fieldbus/FieldbusLink.h"
#include "fieldbus/StatusLog.h"
#include "platform/Ui.h"

using platform::Format;

namespace fieldbus {

namespace {

bool IsOperationalAddress(uint8_t address) { return address >= 16 && address <= 247; }

}  // namespace

int FieldbusLink::ChangeTagAddress(int slot, const std::string& newTag, uint8_t newAddress, std::string* outcome) {
    auto tell = [&](const std::string& text) {
        if (outcome) *outcome = text;
    };
    if (outcome) outcome->clear();
    if (!IsPresent(slot)) {
        ShowNotice("Error: Device is not present for Tag/Address change.");
        return 1;
    }
    std::string deviceId, oldTag;
    uint8_t oldAddress = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(listLock_);
        const DeviceListSlot& s = slots_[static_cast<size_t>(slot)];
        deviceId = s.deviceId;
        oldTag = s.pdTag;
        oldAddress = s.nodeAddress;
    }
    const bool tagChanged = newTag != oldTag;
    const bool addressChanged = newAddress != oldAddress;
    if (!tagChanged && !addressChanged) return 0;  // nothing to change: the device is not touched

    // Checked again here, right before the device is touched: the live list may have changed
    // since the dialog offered its choices.
    if (!IsAddressValid(slot, newAddress)) {
        ShowNotice(Format("Error: The device address 0x%02x is either invalid or non-unique. No Tag/Address change "
                           "will take into effect.",
                           newAddress));
        return 1;
    }
    if (tagChanged && (newTag.empty() || !IsTagUnique(slot, newTag))) {
        ShowNotice(newTag.empty() ? "Error: The device tag is empty. No Tag/Address change will take into effect."
                                   : "Error: The device tag is not unique. No Tag/Address change will take into effect.");
        return 1;
    }
    CloseSlotDevice(slot);

    // Where the device is: its old address, or the temporary default address.
    bool atDefault = false;
    bool tagCleared = false;
    bool tagSet = false;
    nifDesc_t device = 0;
    auto unchanged = [&] {
        tell(Format("The device was not changed: it keeps tag %s at address 0x%02x.", oldTag.c_str(), oldAddress));
    };
    // After a failure with the device at the default address: back to the old address if
    // the device still carries a tag there, then say where it is.
    auto recover = [&] {
        const std::string tag = tagSet ? newTag : oldTag;
        if (atDefault && !tagCleared && IsOperationalAddress(oldAddress) && device != 0 &&
            nifSetAddress(device, oldAddress) == E_OK) {
            atDefault = false;
        }
        if (!atDefault && !tagCleared) {
            if (tagSet)
                tell(Format("The device has its new tag %s and stays at its old address 0x%02x.", tag.c_str(),
                            oldAddress));
            else
                unchanged();
        } else if (tagCleared && !tagSet) {
            tell("The device's tag was cleared and it sits at the temporary default address 0xf8, where it cannot be "
                 "opened. Rescan the link, then choose Tag/Address for it again to give it a tag and an operational "
                 "address.");
        } else {
            tell(Format("The device (tag %s) sits at the temporary default address 0xf8, where it cannot be opened. "
                        "Rescan the link, then choose Tag/Address for it again to give it an operational address.",
                        tag.c_str()));
        }
    };
    auto fail = [&](int status, const char* message) {
        if (message) ShowNotice(message);
        if (status != E_OK) Log(status);
        recover();
        if (device) nifClose(device);
        return 1;
    };
    auto openDevice = [&] {
        const int status = nifOpenPhysicalDevice(link_, NIF_BY_DEVICE_ID, deviceId.c_str(), &device);
        if (status != E_OK) device = 0;
        return status;
    };

    int status = openDevice();
    if (status != E_OK) {
        ShowNotice("Failed to get descriptor for address change.");
        Log(status);
        unchanged();
        return 1;
    }
    if (tagChanged) {
        status = nifSetAddress(device, kDefaultAddress);
        if (status == E_OK) {
            atDefault = true;
            status = nifClear(device, NIF_CLEAR_TAG_AND_ADDRESS);
            if (status != E_OK) return fail(status, "Error: Failed to clear the device tag/address.");
            tagCleared = true;
        } else if (status != E_SM_NOT_OPERATIONAL && status != E_SM_NOT_INITIALIZED) {
            return fail(status, "Error: Failed to change to default address 248 temporary for tag change.");
        }
        status = nifSetTag(device, newTag.c_str());
        if (status != E_OK) return fail(status, "Error: Failed to set the device tag.");
        tagSet = true;
        tagCleared = false;
        nifClose(device);
        device = 0;
        status = openDevice();
        if (status != E_OK) return fail(status, "Failed to get descriptor for address change.");
    } else {
        // An operational device moves to a new operational address by way of the default one.
        status = nifSetAddress(device, kDefaultAddress);
        if (status != E_OK) return fail(status, "Error: Failed to set the device address.");
        atDefault = true;
    }
    status = nifSetAddress(device, newAddress);
    if (status != E_OK) return fail(status, "Error: Failed to set the device address.");
    nifClose(device);
    return 0;
}

std::vector<uint8_t> FieldbusLink::ValidAddresses(int slot) {
    std::vector<uint8_t> addresses;
    for (int address = 16; address <= 247; ++address)
        if (IsAddressValid(slot, static_cast<uint8_t>(address))) addresses.push_back(static_cast<uint8_t>(address));
    return addresses;
}

}  // namespace fieldbus
