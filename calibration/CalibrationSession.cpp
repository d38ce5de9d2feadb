#include "calibration/CalibrationSession.h"

#include "config/CConfigData.h"
#include "fieldbus/OperationState.h"
#include "platform/Ui.h"

namespace calibration {

std::string CalibrationTitle(const std::string& tag, bool devicePresent) {
    return std::string("Calibration") + (devicePresent ? " (" + tag + ")" : " (No Device Attached)");
}

int RunCalibrationCommand(fieldbus::DeviceAccess* device, const std::string& tag, int shownState,
                          CalibrationHost& host) {
    if (host.OpenTrendWindowCount() > 0) {
        platform::ShowMessage("Please close all the trend windows before launch the Calibration dialog.");
        return 1;
    }
    const bool present = device && device->IsOpen();
    if (present && shownState != fieldbus::kOutOfService) {
        const std::string question = std::string("************ Warning ************\n\n") +
                                     "To enter calibration, the device need to be put into O/S (out of service) state\n" +
                                     "which will cause the controller ceasing functioning !\n" + "\nDo you want to proceed ?";
        if (platform::ShowMessage(question, platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) !=
            platform::IDYES)
            return 2;
    }
    host.StopPolling();
    if (present && device->SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnStateChange, false, false) != 0) {
        platform::WaitCursor wait;
        host.StartPolling();
        return 1;
    }
    host.RunSheet(CalibrationTitle(tag, present));
    platform::WaitCursor wait;
    host.StartPolling();
    return 0;
}

bool ReadExtendedServo(fieldbus::DeviceAccess& device) {
    uint16_t type = 0;
    uint8_t revision = 0;
    if (device.ReadRbDevType(type) != 0 || device.ReadRbDevRev(revision) != 0) return false;
    return config::GeneralGroup::ExtendedServoFromTypeAndRevision(type, revision) != 0;
}

CalibrationSession::CalibrationSession(fieldbus::DeviceAccess& device, ProcedureDialogs& dialogs, bool extendedServo)
    : device_(device),
      extendedServo_(extendedServo),
      range_(device, dialogs, extendedServo),
      tuning_(device, dialogs),
      travel_(device),
      advanced_(device, extendedServo) {}

void CalibrationSession::Open() {
    tuning_.Load();
    travel_.Load();
    advanced_.Load();
}

bool CalibrationSession::AutoTune(bool searchStops) {
    if (!tuning_.AutoTune(searchStops)) return false;
    advanced_.Reload();
    return true;
}

void CalibrationSession::SetServoDefaults() {
    if (advanced_.SetDefaults()) tuning_.Reload();
}

void CalibrationSession::Ok() {
    if (range_.AdjustmentField() != LastAppliedOpenStop() && !range_.AdjustmentApplied())
        platform::ShowMessage("You have changed the value of open_stop_adjustment but not applied to device yet.\r\n"
                              "Tessaro will ignore the value changed.",
                              platform::MB_OK | platform::MB_ICONINFORMATION);
    ApplyServoPagesOnOk(device_, tuning_, advanced_, config::CurrentConfig());
}

void CalibrationSession::Cancel() {
    if (range_.AdjustmentApplied())
        platform::ShowMessage("Clicking Cancel will not RESET the setting of Open Stop Adjustment that you have changed.",
                              platform::MB_OK | platform::MB_ICONINFORMATION);
    RestoreServoPagesOnCancel(device_, tuning_, advanced_);
}

}  // namespace calibration
