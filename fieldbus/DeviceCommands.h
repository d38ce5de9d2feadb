#pragma once
// The main view's device commands that change modes or restart the device, with their
// questions and refusals. They use only the device interface, so every back-end behaves
// alike. Results: 0 done, 1 refused or failed, 2 declined by the user.
#include "fieldbus/DeviceAccess.h"

namespace fieldbus {

// Sets the operation state the user chose. NORMAL with bumpless transfer configured first
// asks when the valve position and the set point do not match; MANUAL and OUT OF SERVICE
// ask unless the shown state is OUT OF SERVICE. A failure shows "Error: Failed to change
// the device operation state.".
int RequestOperationState(DeviceAccess& device, int state, bool bumplessConfigured, int shownState);

// Switches between link master and basic device (the opposite of the current configuration),
// refused for the active scheduler; after the device was told to restart, waits for it
// under a wait cursor. `device` may be null (no current device).
int RequestLinkMasterChange(DeviceAccess* device);

// Restarts the device after asking, refused for the active scheduler, and waits for it.
int RequestReboot(DeviceAccess* device);

}  // namespace fieldbus
