#pragma once
// Faults injected into one simulated valve through the segment's control command
// ({"command":"valveFault", ...}); see segments/README.md.
#include <cstdint>

namespace simulator::valve {

struct ValveFaults {
    bool stuck = false;             // the stem does not move at all
    double supplyKpa = 0.0;         // a supply lower than the valve's own (0: none)
    bool noPressureSensor = false;  // PRESS_SENS_INSTALLED reads "Not Installed"
    uint8_t forcedResult = 0;       // every device procedure ends with this code (0: none)
    bool hangProcedures = false;    // device procedures stop progressing and never end

    bool operator==(const ValveFaults&) const = default;
};

}  // namespace simulator::valve
