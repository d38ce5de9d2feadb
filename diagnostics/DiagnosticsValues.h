#pragma once
// The values the diagnostics page shows: what the last self check measured and the
// continuous diagnostics (valve historian totals against their limits, servo warnings),
// each as a display text ("" when it could not be read).
#include <string>
#include <vector>

#include "fieldbus/DeviceAccess.h"

namespace diagnostics {

struct DiagnosticsLine {
    std::string label;
    std::string value;
    std::string limit;  // historian totals only
};

struct DiagnosticsValues {
    std::vector<DiagnosticsLine> selfCheck;   // measured by the self check
    std::vector<DiagnosticsLine> historian;   // totals and limits, then the servo warnings
};

// Reads everything; lines whose read fails show an empty value. The servo warning lines
// appear only with `deviceDiagnostics`.
DiagnosticsValues ReadDiagnosticsValues(fieldbus::DeviceAccess& device, bool deviceDiagnostics);

}  // namespace diagnostics
