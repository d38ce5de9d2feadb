#pragma once
// The main view's device commands that change modes or restart the device, with their
// questions and refusals. They use only the device interface, so every back-end behaves
// alike. Results: 0 done, 1 refused or failed, 2 declined by the user.
#include <functional>

#include "fieldbus/DeviceAccess.h"

namespace fieldbus {

// Sets the operation state the user chose. NORMAL with bumpless transfer configured first
// asks when the valve position and the set point do not match, and any NORMAL asks when the
// valve would move (NormalStateMove.h), naming from what to what; MANUAL and OUT OF SERVICE
// ask unless the shown state is OUT OF SERVICE. A failure shows "Error: Failed to change
// the device operation state.".
int RequestOperationState(DeviceAccess& device, int state, bool bumplessConfigured, int shownState);

// How the caller waits for a restarted device (0: it runs again). Without one the device's
// own WaitRestart is called under a wait cursor.
using RestartWait = std::function<int(DeviceAccess&)>;

// Switches between link master and basic device (the opposite of the current configuration),
// refused for the active scheduler; after the device was told to restart, waits for it.
// `device` may be null (no current device). `restarted`, when given, tells whether the
// device was told to restart (then the caller closes it and rescans, whatever the wait gave).
int RequestLinkMasterChange(DeviceAccess* device, const RestartWait& wait = {}, bool* restarted = nullptr);

// Restarts the device after asking, refused for the active scheduler, and waits for it.
int RequestReboot(DeviceAccess* device, const RestartWait& wait = {}, bool* restarted = nullptr);

}  // namespace fieldbus
