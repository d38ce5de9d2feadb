#include "simulator/valve/ValveSettings.h"

#include <cmath>

namespace simulator::valve {

ValveSettings DefaultValveSettings(uint32_t manufacturerId) {
    ValveSettings s;
    if (manufacturerId == 0x4B5445) {
        // A larger, slower actuator on a valve with packing that sticks a little.
        s.springLowKpa = 21.0;
        s.springHighKpa = 102.0;
        s.supplyKpa = 150.0;
        s.strokeTimeS = 5.0;
        s.frictionKpa = 3.5;
        s.stickSlipKpa = 0.3;
        s.lagMs = 40.0;
        s.relayLagMs = 25.0;
        s.deadTimeMs = 80.0;
        s.relayNullPct = 54.7;
        s.angleClosedDeg = -28.0;
        s.angleOpenDeg = 26.0;
        s.calibratedZeroPct = -1.0;
        s.calibratedSpanPct = 97.0;
    }
    return s;
}

namespace {

bool Real(const JsonValue& o, const char* key, double lo, double hi, double& out, std::string& error) {
    if (!ReadReal(o, key, lo, hi, out, error)) {
        error = "valve: " + error;
        return false;
    }
    return true;
}

}  // namespace

bool ReadValveSettings(const JsonValue& o, ValveSettings& s, std::string& error) {
    if (!o.is_object()) {
        error = "valve must be an object";
        return false;
    }
    ValveSettings n = s;
    std::string action = n.airToClose ? "airToClose" : "airToOpen";
    if (auto spring = o.find("springRangeKpa"); spring != o.end()) {
        if (!spring->is_array() || spring->size() != 2 || !(*spring)[0].is_number() || !(*spring)[1].is_number()) {
            error = "valve: springRangeKpa must be two numbers [low, high]";
            return false;
        }
        n.springLowKpa = (*spring)[0].get<double>();
        n.springHighKpa = (*spring)[1].get<double>();
        if (!(n.springLowKpa >= 0 && n.springHighKpa <= 1000 && n.springHighKpa - n.springLowKpa >= 5)) {
            error = "valve: springRangeKpa must rise by at least 5 kPa within 0 to 1000";
            return false;
        }
    }
    if (!Real(o, "supplyKpa", 10, 1000, n.supplyKpa, error) || !Real(o, "strokeTimeS", 0.2, 60, n.strokeTimeS, error) ||
        !Real(o, "frictionKpa", 0, 100, n.frictionKpa, error) ||
        !Real(o, "stickSlipKpa", 0, 50, n.stickSlipKpa, error) || !Real(o, "lagMs", 5, 2000, n.lagMs, error) ||
        !Real(o, "deadTimeMs", 0, 500, n.deadTimeMs, error) ||
        !Real(o, "relayNullPct", 20, 80, n.relayNullPct, error) ||
        !Real(o, "relayBandPct", 1, 50, n.relayBandPct, error) || !Real(o, "relayLagMs", 1, 1000, n.relayLagMs, error) || !Real(o, "noisePct", 0, 1, n.noisePct, error) ||
        !Real(o, "angleClosedDeg", -90, 90, n.angleClosedDeg, error) ||
        !Real(o, "angleOpenDeg", -90, 90, n.angleOpenDeg, error) ||
        !Real(o, "calibratedZeroPct", -20, 20, n.calibratedZeroPct, error) ||
        !Real(o, "calibratedSpanPct", 80, 120, n.calibratedSpanPct, error))
        return false;
    if (!ReadText(o, "failAction", action, error)) {
        error = "valve: " + error;
        return false;
    }
    if (action != "airToOpen" && action != "airToClose") {
        error = "valve: failAction must be airToOpen or airToClose";
        return false;
    }
    n.airToClose = action == "airToClose";
    if (std::fabs(n.angleOpenDeg - n.angleClosedDeg) < 10) {
        error = "valve: the sensor angles at the stops must lie at least 10 degrees apart";
        return false;
    }
    if (n.supplyKpa < n.springHighKpa + n.frictionKpa + n.stickSlipKpa) {
        error = "valve: supplyKpa must exceed the spring range's high end and the friction";
        return false;
    }
    s = n;
    return true;
}

}  // namespace simulator::valve
