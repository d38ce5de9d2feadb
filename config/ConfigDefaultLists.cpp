#include "config/ConfigDefaultLists.h"

namespace config {

std::vector<std::string> DefaultCharacterisationTexts() {
    return {"Linear", "Equal percent(50:1)", "Equal percent(30:1)", "Quick open", "Define"};
}

std::vector<uint32_t> DefaultCharacterisationValues() { return {1, 2, 3, 4, 255}; }

std::vector<std::string> DefaultPvUnitTexts() {
    return {"%",   "K",   "\xB0" "C", "\xB0" "F", "kPa",   "bar",
            "psi", "g/cm2", "kg/cm2", "gal/s",    "GPM",   "gal/h"};
}

std::vector<uint32_t> DefaultPvUnitCodes() {
    // %, K, degC, degF, kPa, bar, psi, g/cm2, kg/cm2, gal/s, GPM, gal/h
    return {1342, 1000, 1001, 1002, 1133, 1137, 1141, 1144, 1145, 1362, 1363, 1364};
}

std::vector<std::string> DefaultAoIoOptionNames() {
    return {"Invert",
            "SP tracks PV if Man.",
            "SP tracks PV if LO.",
            "SP tracks RCas or Cas if LO or Man.",
            "Increase to close",
            "Faultstate Type",
            "Faultstate restart",
            "Target to Man",
            "PV for BKCal_Out",
            "Low Cutoff"};
}

std::vector<std::string> DefaultStatusOptionNames() {
    return {"IFS if Bad IN",
            "IFS if Bad CAS_IN",
            "Uncertain as Good",
            "Propogate Fail Fwd",
            "Propogate Fail Bkwd",
            "Target to Man if Bad IN",
            "Uncertain if Limited",
            "Bad if Limited",
            "Uncertain if Man.",
            "No select if not Auto",
            "No select if not Cas"};
}

std::vector<std::string> DefaultPidControlOptionNames() {
    return {"Bypass Enable",
            "SP-PV Track Man",
            "SP-PV Track ROut",
            "SP-PV Track LO-IMan",
            "SP Track retain",
            "Direct acting",
            "Balance Ramp",
            "Track enable",
            "Track in manual",
            "PV for BKCal_Out",
            "BIAS may be adjusted.",
            "Convert IN_1 to OUT_SCALE",
            "Restrict SP to limits in Cas and RCas.",
            "No output limits in Man."};
}

}  // namespace config
