#pragma once
// The transducer-block parameters the valve model reads and writes: the servo set, the
// pressure unit, the failsafe state and configuration values whose change the block's
// static revision counts.
#include <cstddef>

#include "simulator/valve/ServoLoop.h"

namespace simulator {
struct Block;
}

namespace simulator::valve {

// The servo set in the block (the extended parameters only where the block has them).
ServoParameters ReadServoParameters(const Block& tb);
// Writes the servo set into the block (what SERVO_RET_TO_DEFAULT restores).
void WriteServoParameters(Block& tb, const ServoParameters& servo);

// RELEASE_FAILSAFE shows an active or latched failsafe.
bool FailsafeActive(const Block& tb);
// kPa into the pressure unit of SPRING_RANGE.UNITS_INDEX.
double PressureUnitFactor(const Block& tb);
// Writes a float the device keeps as configuration; the block's static revision counts a
// change.
void SetStaticFloat(Block& tb, const char* name, float value, size_t offset = 0);

}  // namespace simulator::valve
