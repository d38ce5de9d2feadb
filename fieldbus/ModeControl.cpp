#include "fieldbus/ModeControl.h"

#include <string>

#include "fieldbus/BlockKind.h"
#include "fieldbus/DeviceMessages.h"
#include "fieldbus/OperationState.h"
#include "fieldbus/TypedValues.h"
#include "platform/Clock.h"
#include "platform/Ui.h"

namespace fieldbus {

namespace {
constexpr uint64_t kModeChangeLimitSeconds = 100;
constexpr uint32_t kPidPollMs = 1000;
constexpr uint32_t kModePollMs = 50;  // between reads of a block's actual mode
constexpr uint8_t kReleaseClearLatched = 3;

// More than 100 s since `startMs` on the process clock.
bool TimedOut(uint64_t startMs) {
    const double seconds = static_cast<double>(platform::GetClock().NowMs() - startMs) / 1000.0;
    return seconds > static_cast<double>(kModeChangeLimitSeconds);
}

int ModeTimeout() {
    ShowError("Error: Changing block mode time out.");
    return 1;
}

// Yes/No with No preselected and the warning icon: true for Yes.
bool AskYesNo(const std::string& text) {
    return platform::ShowMessage(text, platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) ==
           platform::IDYES;
}

// The blocks whose actual mode is not waited for after a target write.
bool IsUnwaitedBlock(const DeviceAccess& device, int block) {
    for (BlockKind kind : {BlockKind::PID, BlockKind::DI1, BlockKind::DI2, BlockKind::SPLT})
        if (device.BlockOf(kind) == block) return true;
    return false;
}

// Brings one block to `mode` unless target and actual already are that mode. A block whose
// actual mode already is `mode` changes without a question; otherwise `question` (when not
// empty) is asked first and No gives 2.
int ChangeBlockIfNeeded(ModeControl& modes, int block, uint8_t mode, const std::string& question) {
    uint8_t target = 0, actual = 0;
    if (modes.ReadTargetMode(block, target) != 0 || modes.ReadActualMode(block, actual) != 0) return 1;
    if (target == mode && actual == mode) return 0;
    if (actual != mode && !question.empty() && !AskYesNo(question)) return 2;
    return modes.SetBlockMode(block, mode);
}
}  // namespace

int ModeControl::ReadActualMode(int block, uint8_t& mode) {
    return ReadTypedValue(device_, block, "MODE_BLK.ACTUAL", mode, Wire::U8);
}

int ModeControl::ReadTargetMode(int block, uint8_t& mode) {
    return ReadTypedValue(device_, block, "MODE_BLK.TARGET", mode, Wire::U8);
}

int ModeControl::ReadPermittedModes(int block, uint8_t& modes) {
    return ReadTypedValue(device_, block, "MODE_BLK.PERMITTED", modes, Wire::U8);
}

int ModeControl::WriteTarget(int block, uint8_t mode) {
    return WriteTypedValue(device_, block, "MODE_BLK.TARGET", mode, Wire::U8);
}

template <typename Match>
int ModeControl::WaitForActual(int block, Match matches) {
    // The device is read again at a pace: the actual mode follows the target after the
    // device's settle time (some hundred milliseconds), and reading it back to back would
    // only load the bus. The clock tells when to give up.
    platform::Clock& clock = platform::GetClock();
    const uint64_t start = clock.NowMs();
    for (;;) {
        uint8_t actual = 0;
        if (ReadActualMode(block, actual) != 0) return 1;
        if (matches(actual)) return 0;
        if (TimedOut(start)) return ModeTimeout();
        clock.SleepMs(kModePollMs);
    }
}

int ModeControl::SetBlockMode(int block, uint8_t mode) {
    if (block < 0) return 1;
    const int ao = device_.BlockOf(BlockKind::AO);
    if (block == device_.BlockOf(BlockKind::TB) && mode == kModeOos && ao >= 0) {
        uint8_t aoActual = 0;
        if (ReadActualMode(ao, aoActual) != 0) return 1;
        if (aoActual != kModeOos && SetBlockMode(ao, kModeOos) != 0) return 1;
    }
    if (WriteTarget(block, mode) != 0) return 1;
    if (IsUnwaitedBlock(device_, block)) return 0;
    const bool aoCascade = block == ao && (mode & kModeCasAuto) == kModeCasAuto;
    return WaitForActual(block, [mode, aoCascade](uint8_t actual) {
        if (aoCascade) return actual == kModeAuto || actual == kModeCas;
        return actual == mode;
    });
}

int ModeControl::WaitForActualMode(int block, uint8_t mode) {
    return WaitForActual(block, [mode](uint8_t actual) { return actual == mode; });
}

int ModeControl::SetAoCascade() {
    const int pid = device_.BlockOf(BlockKind::PID);
    const int ao = device_.BlockOf(BlockKind::AO);
    const int tb = device_.BlockOf(BlockKind::TB);
    // A device without a PID block has nothing to put into MAN.
    if (pid >= 0) {
        uint8_t pidTarget = 0;
        if (ReadTargetMode(pid, pidTarget) != 0) return 1;
        if (pidTarget == kModeOos && WriteTarget(pid, kModeMan) != 0) return 1;
    }
    uint8_t aoActual = 0, tbActual = 0;
    if (ReadActualMode(ao, aoActual) != 0 || ReadActualMode(tb, tbActual) != 0) return 1;
    if (aoActual == kModeCas && tbActual == kModeAuto) return 0;
    if (aoActual == kModeOos || aoActual == kModeMan || tbActual == kModeOos) {
        ShowWarning(
            "Changing AO block into CAS mode is prohibited while either AO is in OOS or MAN or TB is in OOS.");
        return 1;
    }
    if (WriteTarget(ao, kModeCasAuto) != 0) return 1;
    return WaitForActual(ao, [](uint8_t actual) { return actual == kModeCas; });
}

int ModeControl::SetPidMode(uint8_t target, uint8_t expected) {
    const int pid = device_.BlockOf(BlockKind::PID);
    if (WriteTarget(pid, target) != 0) return 1;
    platform::Clock& clock = platform::GetClock();
    const uint64_t start = clock.NowMs();
    for (;;) {
        clock.SleepMs(kPidPollMs);
        uint8_t actual = 0;
        if (ReadActualMode(pid, actual) != 0) return 1;
        if (actual == expected) return 0;
        if (TimedOut(start)) return ModeTimeout();
    }
}

int ModeControl::SetOperationState(int state, int kind, bool ask, bool bumpless) {
    const int rb = device_.BlockOf(BlockKind::RB);
    const int tb = device_.BlockOf(BlockKind::TB);
    const int ao = device_.BlockOf(BlockKind::AO);
    const int pid = device_.BlockOf(BlockKind::PID);
    const std::string question = ask ? OperationStateWarning(state, kind) : std::string();
    int result = 0;
    switch (state) {
    case kOutOfService:
        // The user answers for AO; TB and PID follow without a second question.
        if ((result = ChangeBlockIfNeeded(*this, ao, kModeOos, question)) != 0) return result;
        if ((result = ChangeBlockIfNeeded(*this, tb, kModeOos, {})) != 0) return result;
        // A device without a PID block is out of service once AO and TB are.
        if (pid >= 0 && (result = ChangeBlockIfNeeded(*this, pid, kModeOos, {})) != 0) return result;
        return 0;
    case kManualState:
        if ((result = ChangeBlockIfNeeded(*this, rb, kModeAuto, {})) != 0) return result;
        if ((result = ChangeBlockIfNeeded(*this, ao, kModeMan, question)) != 0) return result;
        return ChangeBlockIfNeeded(*this, tb, kModeAuto, {});
    case kNormalState: {
        if ((result = ChangeBlockIfNeeded(*this, rb, kModeAuto, {})) != 0) return result;
        uint8_t aoActual = 0;
        if (ReadActualMode(ao, aoActual) != 0) return 1;
        if (aoActual != kModeAuto && ask && !AskYesNo(question)) return 2;
        return NormalStateTransfer(bumpless);
    }
    default:
        return 1;
    }
}

// Copies AO `sourceName` into `targetName` when their values differ and the source lies in
// the target's valid range (the scaling record `scaleName`); otherwise shows `refusal`.
int ModeControl::CopyIfDifferent(int block, const char* sourceName, const char* targetName, const char* valueName,
                                 const char* scaleName, const char* refusal) {
    StatusValue source, target;
    if (ReadTypedValue(device_, block, sourceName, source, Wire::StatusValue) != 0) return 1;
    if (ReadTypedValue(device_, block, targetName, target, Wire::StatusValue) != 0) return 1;
    if (source.value == target.value) return 0;
    ScalingRecord scale;
    if (ReadTypedValue(device_, block, scaleName, scale, Wire::Scaling) != 0) return 1;
    if (!IsWithinBumplessRange(source.value, scale.eu0, scale.eu100)) {
        ShowWarning(refusal);
        return 0;
    }
    return WriteTypedValue(device_, block, valueName, source.value, Wire::F32);
}

int ModeControl::NormalStateTransfer(bool bumpless) {
    const int rb = device_.BlockOf(BlockKind::RB);
    const int tb = device_.BlockOf(BlockKind::TB);
    const int ao = device_.BlockOf(BlockKind::AO);
    // Sets the block to `mode` when it is not there yet and checks that it arrived.
    auto bring = [this](int block, uint8_t mode) {
        uint8_t actual = 0;
        if (ReadActualMode(block, actual) != 0) return 1;
        if (actual == mode) return 0;
        if (SetBlockMode(block, mode) != 0 || ReadActualMode(block, actual) != 0) return 1;
        return actual == mode ? 0 : 1;
    };

    if (bring(rb, kModeAuto) != 0) return 1;
    if (bring(ao, kModeMan) != 0) return 1;
    if (bumpless) {
        if (CopyIfDifferent(ao, "READBACK", "OUT", "OUT.VALUE", "XD_SCALE",
                            "Bumpless transfer will not copy AO Readback to AO Out \nsince AO Readback value is not "
                            "within AO Out valid range.") != 0)
            return 1;
        if (CopyIfDifferent(ao, "PV", "SP", "SP.VALUE", "PV_SCALE",
                            "Bumpless transfer will not copy AO PV to AO SP \nsince AO PV value is not within AO SP "
                            "valid range.") != 0)
            return 1;
    }
    if (SetBlockMode(ao, kModeCasAuto) != 0) return 1;
    uint8_t aoActual = 0;
    if (ReadActualMode(ao, aoActual) != 0) return 1;
    if (aoActual != kModeAuto && aoActual != kModeCas) return 1;
    return bring(tb, kModeAuto);
}

int ModeControl::CheckBumplessMismatch(bool& mismatch) {
    mismatch = false;
    const int ao = device_.BlockOf(BlockKind::AO);
    StatusValue readback, out, pv, sp;
    if (ReadTypedValue(device_, ao, "READBACK", readback, Wire::StatusValue) != 0 ||
        ReadTypedValue(device_, ao, "OUT", out, Wire::StatusValue) != 0 ||
        ReadTypedValue(device_, ao, "PV", pv, Wire::StatusValue) != 0 ||
        ReadTypedValue(device_, ao, "SP", sp, Wire::StatusValue) != 0)
        return 1;
    mismatch = readback.value != out.value || pv.value != sp.value;
    return 0;
}

int ModeControl::CanReleaseFailsafe() {
    const int tb = device_.BlockOf(BlockKind::TB);
    uint8_t release = 0;
    if (ReadTypedValue(device_, tb, "RELEASE_FAILSAFE", release, Wire::U8) != 0) return 1;
    if (release != kReleaseClearLatched) {
        ShowError("Error: Write TB RELEASE_FAILSAFE is only allowed when the current status is \"Clear (Latched)\".");
        return 1;
    }
    uint8_t tbActual = 0;
    if (ReadActualMode(tb, tbActual) != 0) return 1;
    if (tbActual == kModeOos) return 0;
    if (!AskYesNo("Error: Write TB RELEASE_FAILSAFE is only allowed in OOS mode.\n\nDo you want to switch the device "
                  "into Out of Service Operation State?"))
        return 2;
    return SetOperationState(kOutOfService, kWarnConfigurationChange, false, true) == 0 ? 0 : 1;
}

int ModeControl::ReadOperationState(int& state) {
    state = kOffline;
    if (!device_.IsOpen()) return 0;
    uint8_t rb = 0, tb = 0, ao = 0;
    if (ReadActualMode(device_.BlockOf(BlockKind::RB), rb) != 0 || ReadActualMode(device_.BlockOf(BlockKind::TB), tb) != 0 ||
        ReadActualMode(device_.BlockOf(BlockKind::AO), ao) != 0)
        return 1;
    state = ShownOperationState(true, rb, tb, ao);
    return 0;
}

}  // namespace fieldbus
