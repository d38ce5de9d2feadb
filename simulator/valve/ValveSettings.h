#pragma once
// The physical make-up of one simulated control valve: actuator, valve body, relay, travel
// sensor and the positioner's factory calibration. Segment files set it per device (the
// "valve" object); what a file leaves out comes from the defaults of the device's family.
#include <cstdint>
#include <string>

#include "simulator/Json.h"

namespace simulator::valve {

struct ValveSettings {
    // Actuator: the pressures (kPa) at which the spring balances the valve at 0 % and at
    // 100 % travel (the true bench set, which differs from the configured SPRING_RANGE).
    double springLowKpa = 22.0;
    double springHighKpa = 97.0;
    double supplyKpa = 140.0;    // supply pressure; the output never exceeds it
    bool airToClose = false;     // fail action: venting opens the valve
    double strokeTimeS = 4.0;    // time to travel 0 -> 100 % with the relay fully open
    // Valve: Coulomb friction as a pressure (rising needs spring + F, falling spring - F) and
    // the extra static friction that makes the stem stick and then slip.
    double frictionKpa = 3.0;
    double stickSlipKpa = 0.0;
    double lagMs = 30.0;         // mechanical lag of the stem behind the force balance
    double relayLagMs = 20.0;    // lag of the relay's opening behind the servo output
    // Positioner: dead time of the position loop, the servo output at which the relay
    // neither fills nor vents, travel sensor noise.
    double deadTimeMs = 60.0;
    double relayNullPct = 54.8;
    double relayBandPct = 10.0;  // servo output away from the null that opens the relay fully
    double noisePct = 0.01;
    // Travel sensor: raw angles (degrees) at the closed and the open stop, and where the
    // factory calibration puts 0 % and 100 % (percent of the true travel).
    double angleClosedDeg = -24.0;
    double angleOpenDeg = 21.0;
    double calibratedZeroPct = 1.5;
    double calibratedSpanPct = 96.5;
};

// The defaults of a family: 0x42524B (RPX) or 0x4B5445 (KPX).
ValveSettings DefaultValveSettings(uint32_t manufacturerId);

// Reads the members of a segment file's "valve" object over `settings`; false with `error`
// naming the key when a member has the wrong type, lies out of range, or the whole does not
// make a valve (spring range below the supply, calibration points apart).
bool ReadValveSettings(const JsonValue& object, ValveSettings& settings, std::string& error);

}  // namespace simulator::valve
