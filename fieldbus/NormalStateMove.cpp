#include "fieldbus/NormalStateMove.h"

#include <cmath>
#include <cstdio>

#include "fieldbus/BlockKind.h"
#include "fieldbus/DeviceRecords.h"
#include "fieldbus/OperationState.h"
#include "fieldbus/TypedValues.h"

namespace fieldbus {

namespace {
// Quality in the top two status bits: 2 good (non-cascade), 3 good (cascade).
bool IsGood(uint8_t status) { return (status & 0x80) != 0; }

std::string Amount(float value, const std::string& units) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.1f", static_cast<double>(value));
    return units.empty() ? std::string(buffer) : std::string(buffer) + " " + units;
}
}  // namespace

NormalStateMove PredictNormalStateMove(DeviceAccess& device, bool bumpless) {
    NormalStateMove move;
    const int ao = device.BlockOf(BlockKind::AO);
    if (ao < 0) return move;
    StatusValue pv, sp, casIn;
    uint8_t aoActual = 0;
    if (device.ReadActualMode(ao, aoActual) != 0 || ReadTypedValue(device, ao, "PV", pv, Wire::StatusValue) != 0 ||
        ReadTypedValue(device, ao, "SP", sp, Wire::StatusValue) != 0 ||
        ReadTypedValue(device, ao, "CAS_IN", casIn, Wire::StatusValue) != 0)
        return move;
    move.known = true;
    move.from = pv.value;
    move.followsCascade = IsGood(casIn.status);
    // Already in cascade: the set point follows CAS_IN now and nothing changes.
    if (aoActual == kModeCas) move.to = pv.value;
    else if (move.followsCascade) move.to = casIn.value;
    else move.to = bumpless ? pv.value : sp.value;
    ScalingRecord scale;
    if (ReadTypedValue(device, ao, "PV_SCALE", scale, Wire::Scaling) == 0 && scale.eu100 != scale.eu0)
        move.span = std::fabs(scale.eu100 - scale.eu0);
    uint16_t unitsIndex = 0;
    std::string units;
    if (device.ReadAoPvScaleUnitsText(unitsIndex, units) == 0) move.units = units;
    const int pid = device.BlockOf(BlockKind::PID);
    uint8_t pidActual = 0;
    if (pid >= 0 && device.ReadActualMode(pid, pidActual) == 0) move.pidMode = ModeName(pidActual);
    return move;
}

bool MovesTheValve(const NormalStateMove& move) {
    return move.known && std::fabs(move.to - move.from) > 0.01f * move.span;
}

std::string NormalStateMoveQuestion(const NormalStateMove& move) {
    std::string text = "************ WARNING ************\n\nIn NORMAL STATE the valve will move from " +
                       Amount(move.from, move.units) + " to " + Amount(move.to, move.units) + ".\n";
    if (move.followsCascade) {
        text += "The AO block will follow its cascade input (AO CAS_IN = " + Amount(move.to, move.units) + ")";
        if (move.pidMode == "MAN" || move.pidMode == "OOS")
            text += ", the output of a PID block in " + move.pidMode + " that does not follow the process";
        text += ".\n";
    } else {
        text += "The AO block will keep its own set point (AO SP = " + Amount(move.to, move.units) + ").\n";
    }
    return text + "\nAre you sure you want to proceed ?";
}

}  // namespace fieldbus
