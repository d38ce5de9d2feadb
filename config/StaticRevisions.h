#pragma once
// The static-revision check: every block counts the changes of its static parameters in
// ST_REV. The record remembers the counts of RB, TB, AO, DI1, DI2 and PID as they stood when
// it was read; before a dialog works on the configuration the counts are compared again, the
// groups that another client may have changed are marked stale, and after asking the user
// they are read again.
//
// A block the device does not have (a positioner without the PID option) is left out of both
// the remembering and the comparison.
#include "config/BusRunner.h"
#include "config/CConfigData.h"

namespace fieldbus {
class DeviceAccess;
}

namespace config {

// Reads ST_REV of RB, TB, AO, DI1, DI2 and PID, in that order, into the record; stops at the
// first failure. 0 when every present block was read.
int RememberStaticRevisions(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& runBus = {});

// Compares the device's ST_REV values with the remembered ones, stores the new ones and marks
// the stale groups (RB: General; TB: General, Position, Actuator, Option; AO: General, AO
// block; PID: General, PID block; DI1, DI2: General). When any group is stale, asks "Some
// static parameter has changed since last update, update now ?"; No keeps the marks and
// returns 0. Yes reads the stale groups again (General, Position, AO block, PID block,
// Actuator, Option), clearing each mark after its read; the first failing read returns 1 and
// leaves the remaining marks. A failed ST_REV read returns 1.
int RefreshIfChanged(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& runBus = {});

}  // namespace config
