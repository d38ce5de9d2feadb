#pragma once
// The self check and the reset of the continuous diagnostics (the valve historian totals
// and, on newer firmware, the servo warning counter) of the current device.
#include <string>

#include "calibration/ProcedureDialogs.h"
#include "fieldbus/DeviceAccess.h"

namespace diagnostics {

// Event code of the diagnostics events passed to the device's event-log hook.
inline constexpr int kDiagnosticsEvent = 19;

// The self check (the page's GO): out of service after asking, the stroke question, the
// device procedure under a progress dialog. The result text ("Cancelled" when the user
// cancelled) is left in `resultText`; 0 when the procedure ran, 1 when it did not start,
// 2 when the user declined.
int RunSelfCheck(fieldbus::DeviceAccess& device, calibration::ProcedureDialogs& dialogs, std::string& resultText);

// DEV_TYPE 7 from revision 2, or DEV_TYPE 1 from revision 4.
bool HasDeviceDiagnostics(unsigned deviceType, unsigned deviceRevision);
// Read from the device's resource block.
bool ReadDeviceDiagnostics(fieldbus::DeviceAccess& device);

// "Reset" of the continuous diagnostics, with its questions. A write that fails is said in a
// warning. Returns 0 when something was reset.
int ResetContinuousDiagnostics(fieldbus::DeviceAccess& device, bool deviceDiagnostics);

}  // namespace diagnostics
