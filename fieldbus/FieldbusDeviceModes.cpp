// Block modes and operation states of a Fieldbus device: the rules of ModeControl over this
// device's parameter access.
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/ModeControl.h"
#include "fieldbus/OperationState.h"

namespace fieldbus {

int FieldbusDevice::ReadActualMode(int block, uint8_t& mode) { return ModeControl(*this).ReadActualMode(block, mode); }

int FieldbusDevice::ReadTargetMode(int block, uint8_t& mode) { return ModeControl(*this).ReadTargetMode(block, mode); }

int FieldbusDevice::ReadPermittedModes(int block, uint8_t& modes) {
    return ModeControl(*this).ReadPermittedModes(block, modes);
}

int FieldbusDevice::SetBlockMode(int block, uint8_t mode) { return ModeControl(*this).SetBlockMode(block, mode); }

int FieldbusDevice::SetAoCascade() { return ModeControl(*this).SetAoCascade(); }

int FieldbusDevice::SetPidMode(uint8_t target, uint8_t expected) {
    return ModeControl(*this).SetPidMode(target, expected);
}

int FieldbusDevice::SetOperationState(int state, int kind, bool ask, bool bumpless) {
    return ModeControl(*this).SetOperationState(state, kind, ask, bumpless);
}

int FieldbusDevice::NormalStateTransfer(bool bumpless) { return ModeControl(*this).NormalStateTransfer(bumpless); }

int FieldbusDevice::CheckBumplessMismatch(bool& mismatch) {
    return ModeControl(*this).CheckBumplessMismatch(mismatch);
}

int FieldbusDevice::CanReleaseFailsafe() { return ModeControl(*this).CanReleaseFailsafe(); }

int FieldbusDevice::ReadOperationState(int& state) { return ModeControl(*this).ReadOperationState(state); }

int FieldbusDevice::PrepareConfigurationChange() {
    return ModeControl(*this).SetOperationState(kOutOfService, kWarnConfigurationChange, true, true);
}

}  // namespace fieldbus
