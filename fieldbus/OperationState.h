#pragma once
// Block mode bytes and the operation states the user sees and requests: their names, the
// state derived from the blocks' actual modes, the warning texts shown before a state change
// and the range rule of the bumpless transfer.
#include <cstdint>
#include <string>

namespace fieldbus {

// One bit per Fieldbus mode in MODE_BLK.TARGET, .ACTUAL and .PERMITTED.
inline constexpr uint8_t kModeOos = 0x01;
inline constexpr uint8_t kModeIman = 0x02;
inline constexpr uint8_t kModeLo = 0x04;
inline constexpr uint8_t kModeMan = 0x08;
inline constexpr uint8_t kModeAuto = 0x10;
inline constexpr uint8_t kModeCas = 0x20;
inline constexpr uint8_t kModeRcas = 0x40;
inline constexpr uint8_t kModeRout = 0x80;
// The AO block's normal target: cascade, falling back to automatic.
inline constexpr uint8_t kModeCasAuto = kModeCas | kModeAuto;

// "OOS", "IMAN", ... for a byte with exactly one bit set; an empty text otherwise.
std::string ModeName(uint8_t mode);

enum OperationState : int {
    kNormalState = 0,
    kManualState = 1,
    kOutOfService = 2,
    kOffline = 3,        // shown only: no device is open
    kUnnamedState = 4,   // shown only: the modes match none of the states ("UNDEFINED STATE")
};

// "NORMAL STATE", "MANUAL STATE", "OUT OF SERVICE", "OFFLINE", "UNDEFINED STATE"; empty for
// any other value.
std::string OperationStateName(int state);

// The state shown for the device from the actual modes of RB, TB and AO.
int ShownOperationState(bool deviceOpen, uint8_t rbActual, uint8_t tbActual, uint8_t aoActual);

// Warning kinds of SetOperationState: kind 1 is the out-of-service warning of a prepared
// configuration change; every other kind uses the plain texts.
inline constexpr int kWarnStateChange = 0;
inline constexpr int kWarnConfigurationChange = 1;

// The question asked before the device is put into `state` (kind matters for OOS only).
std::string OperationStateWarning(int state, int kind);

// The question asked before NORMAL when bumpless transfer is configured and the set point
// and the valve position do not match.
std::string BumplessMismatchQuestion();

// Whether a bumpless transfer may copy `value` into a parameter scaled EU 0% .. EU 100%:
// between 0.9 times EU 0% and 1.1 times EU 100%, both ends included.
bool IsWithinBumplessRange(float value, float eu0, float eu100);

}  // namespace fieldbus
