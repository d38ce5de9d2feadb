#include "fieldbus/DeviceCommands.h"

#include "fieldbus/DeviceMessages.h"
#include "fieldbus/NormalStateMove.h"
#include "fieldbus/OperationState.h"
#include "platform/Ui.h"

namespace fieldbus {

namespace {
bool AskYesNo(const std::string& text) {
    return platform::ShowMessage(text, platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) ==
           platform::IDYES;
}

int WaitFor(DeviceAccess& device, const RestartWait& wait, bool* restarted) {
    if (restarted) *restarted = true;
    if (wait) return wait(device);
    platform::WaitCursor cursor;
    return device.WaitRestart();
}
}  // namespace

int RequestOperationState(DeviceAccess& device, int state, bool bumplessConfigured, int shownState) {
    int result = 1;
    switch (state) {
    case kNormalState: {
        bool mismatch = false;
        // Without knowing whether the valve matches its set point the change could bump.
        if (bumplessConfigured && device.CheckBumplessMismatch(mismatch) != 0) break;
        if (mismatch && !AskYesNo(BumplessMismatchQuestion())) return 2;
        // The valve may jump to a set point far from where it stands (a PID output held in
        // MAN): say from what to what before anything is written.
        const NormalStateMove move = PredictNormalStateMove(device, bumplessConfigured);
        if (MovesTheValve(move) && !AskYesNo(NormalStateMoveQuestion(move))) return 2;
        result = device.SetOperationState(kNormalState, kWarnStateChange, false, bumplessConfigured);
        break;
    }
    case kManualState:
    case kOutOfService:
        result = device.SetOperationState(state, kWarnStateChange, shownState != kOutOfService, bumplessConfigured);
        break;
    default:
        break;
    }
    if (result == 1) ShowError("Error: Failed to change the device operation state.");
    return result;
}

int RequestLinkMasterChange(DeviceAccess* device, const RestartWait& wait, bool* restarted) {
    if (restarted) *restarted = false;
    if (device == nullptr || !device->IsOpen()) {
        ShowWarning("The current selected device is invalid.");
        return 1;
    }
    if (device->IsActiveScheduler()) {
        ShowWarning("The device is running as LAS.");
        return 1;
    }
    const int result = device->SetLinkMaster(!device->GetLinkMasterFlags().configuredAsLinkMaster, false);
    if (result != 0) return result;
    return WaitFor(*device, wait, restarted);
}

int RequestReboot(DeviceAccess* device, const RestartWait& wait, bool* restarted) {
    if (restarted) *restarted = false;
    if (device == nullptr || !device->IsOpen()) {
        ShowWarning("The current selected device is invalid.");
        return 1;
    }
    if (device->IsActiveScheduler()) {
        ShowWarning("The current selected device is running as LAS.\n");
        return 1;
    }
    if (!AskYesNo("Reboot device will cease operation and the connection will be closed.\n\n"
                  "Proceed to reboot it now?"))
        return 2;
    if (device->RestartDevice() != 0) return 1;
    return WaitFor(*device, wait, restarted);
}

}  // namespace fieldbus
