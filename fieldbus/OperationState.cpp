#include "fieldbus/OperationState.h"

namespace fieldbus {

std::string ModeName(uint8_t mode) {
    switch (mode) {
    case kModeOos: return "OOS";
    case kModeIman: return "IMAN";
    case kModeLo: return "LO";
    case kModeMan: return "MAN";
    case kModeAuto: return "AUTO";
    case kModeCas: return "CAS";
    case kModeRcas: return "RCAS";
    case kModeRout: return "ROUT";
    default: return {};
    }
}

std::string OperationStateName(int state) {
    switch (state) {
    case kNormalState: return "NORMAL STATE";
    case kManualState: return "MANUAL STATE";
    case kOutOfService: return "OUT OF SERVICE";
    case kOffline: return "OFFLINE";
    case kUnnamedState: return "UNDEFINED STATE";
    default: return {};
    }
}

int ShownOperationState(bool deviceOpen, uint8_t rbActual, uint8_t tbActual, uint8_t aoActual) {
    if (!deviceOpen) return kOffline;
    if (rbActual == kModeOos || tbActual == kModeOos || aoActual == kModeOos) return kOutOfService;
    if (tbActual == kModeAuto && aoActual == kModeMan) return kManualState;
    if (tbActual == kModeAuto) return kNormalState;
    return kUnnamedState;
}

std::string OperationStateWarning(int state, int kind) {
    std::string text = "************ WARNING ************\n\n";
    if (state == kNormalState) {
        text += "The device is about to change to the NORMAL operation state,\n"
                "that may cause the controller result in BUMP trasfer !\n";
    } else if (state == kManualState) {
        text += "The device is about to change to the MANUAL operation state,\n"
                "that will cause the controller to cease responding to control signal !\n";
    } else if (kind == kWarnConfigurationChange) {
        text += "Some requested parameters change will take effect only after the device be put into the Out of "
                "Service state,\n"
                "that will cause the controller to cease functioning !\n";
    } else {
        text += "The device is about to change to the Out of Service state,\n"
                "that will cause the controller to cease functioning !\n";
    }
    text += "\nAre you sure you want to proceed ?";
    return text;
}

std::string BumplessMismatchQuestion() {
    return "************ Warning ************\n\n"
           "Bumpless transfer has been configured.\n"
           "The setpoint and the position of the valve does not match ! \n(either between AO Readback and AO Out or "
           "between AO PV and AO SP)\n"
           "\nDo you want to proceed to change the device to NORMAL (automatic) state ?";
}

bool IsWithinBumplessRange(float value, float eu0, float eu100) {
    const double v = value;
    return v >= 0.9 * static_cast<double>(eu0) && v <= 1.1 * static_cast<double>(eu100);
}

}  // namespace fieldbus
