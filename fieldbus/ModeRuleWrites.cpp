// Writes that the blocks accept only in some modes: the mode byte is read first and a write
// in the wrong mode is refused with its message, without any bus write. A failed mode read
// counts as a failed write.
#include "fieldbus/BlockKind.h"
#include "fieldbus/DeviceMessages.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/OperationState.h"
#include "fieldbus/TypedValues.h"

namespace fieldbus {

int FieldbusDevice::WriteAoOutValue(float value) {
    const int block = BlockOf(BlockKind::AO);
    uint8_t actual = 0;
    if (ReadModeByte(block, "MODE_BLK.ACTUAL", actual) != 0) return 1;
    if (actual != kModeMan) {
        ShowError("Error: Write AO Out is only allowed in Man mode.");
        return 1;
    }
    return WriteTypedValue(*this, block, "OUT.VALUE", value, Wire::F32);
}

// The AO set point is written in any mode; the mode read still has to succeed.
int FieldbusDevice::WriteAoSpValue(float value) {
    const int block = BlockOf(BlockKind::AO);
    uint8_t actual = 0;
    if (ReadModeByte(block, "MODE_BLK.ACTUAL", actual) != 0) return 1;
    return WriteTypedValue(*this, block, "SP.VALUE", value, Wire::F32);
}

int FieldbusDevice::WritePidOutValue(float value) {
    const int block = BlockOf(BlockKind::PID);
    uint8_t target = 0;
    if (ReadModeByte(block, "MODE_BLK.TARGET", target) != 0) return 1;
    if (target != kModeMan) {
        ShowError("Error: Write PID Out is only allowed in MAN mode.");
        return 1;
    }
    return WriteTypedValue(*this, block, "OUT.VALUE", value, Wire::F32);
}

int FieldbusDevice::WritePidSpValue(float value) {
    const int block = BlockOf(BlockKind::PID);
    uint8_t actual = 0;
    if (ReadModeByte(block, "MODE_BLK.ACTUAL", actual) != 0) return 1;
    if (actual != kModeAuto && actual != kModeMan) {
        ShowError("Error: Write PID Out is only allowed in AUTO mode.");
        return 1;
    }
    return WriteTypedValue(*this, block, "SP.VALUE", value, Wire::F32);
}

int FieldbusDevice::WritePidFfGain(float value) {
    const int block = BlockOf(BlockKind::PID);
    uint8_t actual = 0;
    if (ReadModeByte(block, "MODE_BLK.ACTUAL", actual) != 0) return 1;
    if (actual != kModeMan && actual != kModeOos && actual != kModeIman) {
        ShowError("Error: Write PID FF_GAIN is only allowed in MAN, OOS or IMAN mode.");
        return 1;
    }
    return WriteTypedValue(*this, block, "FF_GAIN", value, Wire::F32);
}

}  // namespace fieldbus
