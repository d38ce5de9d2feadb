#pragma once
// Block mode changes and operation states on any device behind the device interface: mode
// reads, a target write that waits for the block to follow, the block-mode sequences of the
// normal, manual and out-of-service states with their questions, the bumpless transfer into
// normal operation, the cascade for PID control and the check before releasing fail-safe.
//
// Every wait measures time with the process clock and gives up after 100 s. Results are 0
// done, 1 failed, 2 declined by the user. Blocks are addressed by their block number
// (BlockOf of the device).
#include <cstdint>

#include "fieldbus/DeviceAccess.h"

namespace fieldbus {

class ModeControl {
public:
    explicit ModeControl(DeviceAccess& device) : device_(device) {}

    // One-byte reads of MODE_BLK.ACTUAL, .TARGET and .PERMITTED.
    int ReadActualMode(int block, uint8_t& mode);
    int ReadTargetMode(int block, uint8_t& mode);
    int ReadPermittedModes(int block, uint8_t& modes);

    // Writes the target and, except for PID, DI1, DI2 and SPLT, waits until the actual mode
    // follows (AO with CAS and AUTO in the target is satisfied by AUTO or CAS). Taking TB out
    // of service takes AO out of service first.
    int SetBlockMode(int block, uint8_t mode);
    // Reads the block's actual mode until it is `mode`, at most 100 s.
    int WaitForActualMode(int block, uint8_t mode);
    // Brings AO into cascade with TB in AUTO (a PID out of service is put into MAN first).
    int SetAoCascade();
    // Writes the PID target and reads its actual mode once a second until it is `expected`.
    int SetPidMode(uint8_t target, uint8_t expected);
    // Realises kNormalState, kManualState or kOutOfService. `ask` shows the warning of `kind`
    // before a block that matters changes; `bumpless` copies the valve position into the
    // set points on the way to normal.
    int SetOperationState(int state, int kind, bool ask, bool bumpless);
    // The automatic part of the normal state: RB AUTO, AO through MAN into CAS/AUTO (with
    // the bumpless copies), TB AUTO.
    int NormalStateTransfer(bool bumpless);
    // Whether AO READBACK differs from AO OUT or AO PV from AO SP.
    int CheckBumplessMismatch(bool& mismatch);
    // 0 when RELEASE_FAILSAFE may be written: it reads "Clear (Latched)" and TB is out of
    // service (the user may agree to take the device out of service here).
    int CanReleaseFailsafe();
    // The shown operation state from the actual modes of RB, TB and AO (kOffline when the
    // device is not open).
    int ReadOperationState(int& state);

private:
    int WriteTarget(int block, uint8_t mode);
    // Reads the actual mode until `matches` holds for it, at most 100 s.
    template <typename Match>
    int WaitForActual(int block, Match matches);
    int CopyIfDifferent(int block, const char* sourceName, const char* targetName, const char* valueName,
                        const char* scaleName, const char* refusal);

    DeviceAccess& device_;
};

}  // namespace fieldbus
