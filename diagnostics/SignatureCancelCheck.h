#pragma once
// After a cancel was asked for: whether the device has confirmed it, so that a run is called
// cancelled only once the device says its measurement has stopped.
#include <cstdint>

#include "diagnostics/SignatureProcedure.h"

namespace diagnostics {

// How long a device may take to return to idle after SIGN_MEAS_EXEC was set to cancel.
inline constexpr uint32_t kCancelConfirmMs = 10000;
inline constexpr uint32_t kCancelPollMs = 200;

// True when the device's measurement command reads OFF (idle) within `limitMs`, read every
// kCancelPollMs; false when it keeps measuring or cannot be read. A run of the program's own
// generator (host-controlled) is confirmed once its worker has ended.
bool WaitCancelConfirmed(SignatureProcedure& procedure, bool hostControlled, uint32_t limitMs = kCancelConfirmMs);

}  // namespace diagnostics
