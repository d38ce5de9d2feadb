#pragma once
// The block modes diagnostics need: AO and TB out of service, so that the valve no longer
// follows its set point while the device strokes it.
#include <string>

#include "fieldbus/DeviceAccess.h"

namespace diagnostics {

// Reads the AO and then the TB target mode: 0 with `bothOos`, 1 when a read failed (shown:
// "Raed MODE_BLK.TARGET of AO error" / "... of TB error").
int CheckDiagnosticModes(fieldbus::DeviceAccess& device, bool& bothOos);
// Sets AO and then TB out of service where they are not (waiting for the actual mode): 0, or
// 1 with the failure shown.
int SetDiagnosticModes(fieldbus::DeviceAccess& device);

// The same without showing anything (for bus work off the window's thread): a failure leaves
// its text in `failure` for the caller to show.
int ReadDiagnosticModes(fieldbus::DeviceAccess& device, bool& bothOos, std::string& failure);
int PutDiagnosticModes(fieldbus::DeviceAccess& device, std::string& failure);

}  // namespace diagnostics
