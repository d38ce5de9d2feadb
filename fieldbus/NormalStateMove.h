#pragma once
// What the valve will do when the device goes into NORMAL STATE: the AO block then follows
// its cascade input (AO CAS_IN, normally the PID output) when that input is good, and keeps
// its own set point otherwise. A PID block left in MAN holds its output wherever it was,
// so the valve can jump far from where it stands; the user is told from what to what first.
#include <string>

#include "fieldbus/DeviceAccess.h"

namespace fieldbus {

struct NormalStateMove {
    bool known = false;      // the values could be read
    bool followsCascade = false;  // AO CAS_IN is good: the set point becomes CAS_IN
    float from = 0.0f;       // AO PV: where the valve stands now
    float to = 0.0f;         // the set point the AO block will follow
    std::string units;       // AO PV_SCALE units text ("%"), empty when not known
    std::string pidMode;     // the PID block's actual mode name, empty without a PID block
    float span = 100.0f;     // AO PV_SCALE span, for what counts as a move
};

// Reads what the valve will follow in NORMAL STATE. With `bumpless`, the AO set point is
// copied from the position on the way (so only the cascade input can move the valve).
NormalStateMove PredictNormalStateMove(DeviceAccess& device, bool bumpless);

// Whether the prediction moves the valve by more than 1 % of the AO span.
bool MovesTheValve(const NormalStateMove& move);

// The question shown before such a move: names the present position, the set point the
// valve will go to and where that comes from.
std::string NormalStateMoveQuestion(const NormalStateMove& move);

}  // namespace fieldbus
