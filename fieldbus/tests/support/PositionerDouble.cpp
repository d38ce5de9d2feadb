#include "fieldbus/tests/support/PositionerDouble.h"

#include "fieldbus/BlockKind.h"
#include "fieldbus/DeviceManagement.h"
#include "fieldbus/ModeControl.h"
#include "fieldbus/OperationState.h"
#include "fieldbus/tests/support/FakeBus.h"

namespace fieldbus::testing {

namespace {
constexpr const char* kTarget = "MODE_BLK.TARGET";
constexpr const char* kActual = "MODE_BLK.ACTUAL";
}  // namespace

PositionerDouble::PositionerDouble(platform::testing::FakeClock* clock) : MemoryDevice(kBlocks), clock_(clock) {
    ResetBlockIds();
    SetBlockId(BlockKind::RB, kRb);
    SetBlockId(BlockKind::TB, kTb);
    SetBlockId(BlockKind::AO, kAo);
    SetBlockId(BlockKind::DI1, kDi1);
    SetBlockId(BlockKind::DI2, kDi2);
    SetBlockId(BlockKind::PID, kPid);
    SetBlockId(BlockKind::SPLT, kSplt);
    for (int block = kRb; block < kMibStore; ++block) {
        SetModes(block, kModeAuto, kModeAuto);
        SetBytes(block, "MODE_BLK.PERMITTED", {kModeOos | kModeMan | kModeAuto});
    }
    SetModes(kAo, kModeCasAuto, kModeAuto);
    for (const char* name : {"READBACK", "OUT", "PV", "SP"}) SetAoValue(name, 50.0f);
    SetFloat(kAo, "OUT.VALUE", 50.0f);
    SetFloat(kAo, "SP.VALUE", 50.0f);
    SetAoScale("XD_SCALE", 100.0f, 0.0f);
    SetAoScale("PV_SCALE", 100.0f, 0.0f);
    SetBytes(kRb, "RESTART", {1});
    SetU16(kRb, "DEV_TYPE", 7);
    SetBytes(kRb, "DEV_REV", {2});
    SetBytes(kTb, "DEV_OPTIONS", {0x80, 0x00});  // bit 0: the option that makes a link master
    SetBytes(kTb, "RELEASE_FAILSAFE", {1});
    SetManagementObject(kDlmeBasicCharacteristics, {0x01, 0x04, 0x01, 0x10, 0x00, 0x20, 0x03});
    SetManagementObject(kPrimaryLinkMasterFlag, {0x00});
    SetManagementObject(kBootOperatFunctionalClass, {0x01});
}

void PositionerDouble::SetModes(int block, uint8_t target, uint8_t actual) {
    SetBytes(block, kTarget, {target});
    SetBytes(block, kActual, {actual});
    pending_.erase(block);
}

uint8_t PositionerDouble::Target(int block) const {
    const auto bytes = Bytes(block, kTarget);
    return bytes.empty() ? 0 : bytes[0];
}

uint8_t PositionerDouble::Actual(int block) const {
    const auto bytes = Bytes(block, kActual);
    return bytes.empty() ? 0 : bytes[0];
}

void PositionerDouble::SetAoValue(const char* name, float value) { SetBytes(kAo, name, StatusFloat(0x80, value)); }

void PositionerDouble::SetAoScale(const char* name, float eu100, float eu0) {
    std::vector<uint8_t> bytes = BigEndianFloat(eu100);
    const std::vector<uint8_t> low = BigEndianFloat(eu0);
    bytes.insert(bytes.end(), low.begin(), low.end());
    bytes.insert(bytes.end(), {0x05, 0x3E, 0x02});
    SetBytes(kAo, name, bytes);
}

std::vector<std::pair<int, std::string>> PositionerDouble::Writes() const {
    std::vector<std::pair<int, std::string>> writes;
    for (const Call& call : Calls())
        if (call.op == "WriteParameter" && call.block != kMibStore) writes.emplace_back(call.block, call.name);
    return writes;
}

std::vector<std::pair<int, uint8_t>> PositionerDouble::TargetWrites() const {
    std::vector<std::pair<int, uint8_t>> writes;
    for (const Call& call : Calls())
        if (call.op == "WriteParameter" && call.name == kTarget && !call.data.empty())
            writes.emplace_back(call.block, call.data[0]);
    return writes;
}

uint8_t PositionerDouble::Settled(int block, uint8_t target) const {
    if (target & kModeOos) return kModeOos;
    if (block == kAo && (target & kModeCas)) return cascadeFed_ ? kModeCas : kModeAuto;
    if (target & kModeMan) return kModeMan;
    return kModeAuto;
}

int PositionerDouble::ReadParameter(int block, const std::string& name, void* buffer, uint16_t& size) {
    if (name == kActual) {
        if (clock_ && readCostMs_) clock_->Advance(readCostMs_);
        auto pending = pending_.find(block);
        if (pending != pending_.end() && !stuck_[block] && --pending->second <= 0) {
            SetBytes(block, kActual, {Settled(block, Target(block))});
            pending_.erase(pending);
        }
    }
    if (block == kRb && name == "RESTART") {
        if (restartLeft_ > 0) {
            --restartLeft_;
            SetBytes(kRb, "RESTART", {kRestartProcessor});
        } else {
            SetBytes(kRb, "RESTART", {kRestartRun});
        }
    }
    return MemoryDevice::ReadParameter(block, name, buffer, size);
}

int PositionerDouble::WriteParameter(int block, const std::string& name, const void* buffer, uint16_t size) {
    const int result = MemoryDevice::WriteParameter(block, name, buffer, size);
    if (result != 0) return result;
    if (name == kTarget && !stuck_[block]) {
        if (settleReads_ == 0)
            SetBytes(block, kActual, {Settled(block, Target(block))});
        else
            pending_[block] = settleReads_;
    }
    if (block == kRb && name == "RESTART") restartLeft_ = restartReads_;
    return 0;
}

int PositionerDouble::ReadManagementObject(const std::string& name, void* buffer, uint16_t& size) {
    return MemoryDevice::ReadParameter(kMibStore, name, buffer, size);
}

int PositionerDouble::WriteManagementObject(const std::string& name, const void* buffer, uint16_t size) {
    return MemoryDevice::WriteParameter(kMibStore, name, buffer, size);
}

int PositionerDouble::ReadActualMode(int block, uint8_t& mode) { return ModeControl(*this).ReadActualMode(block, mode); }
int PositionerDouble::ReadTargetMode(int block, uint8_t& mode) { return ModeControl(*this).ReadTargetMode(block, mode); }
int PositionerDouble::SetBlockMode(int block, uint8_t mode) { return ModeControl(*this).SetBlockMode(block, mode); }
int PositionerDouble::SetOperationState(int state, int kind, bool ask, bool bumpless) {
    return ModeControl(*this).SetOperationState(state, kind, ask, bumpless);
}
int PositionerDouble::CheckBumplessMismatch(bool& mismatch) {
    return ModeControl(*this).CheckBumplessMismatch(mismatch);
}
int PositionerDouble::ReadOperationState(int& state) { return ModeControl(*this).ReadOperationState(state); }

bool PositionerDouble::IsActiveScheduler() {
    return DeviceManagement(*this).IsActiveScheduler(flags_.configuredAsLinkMaster);
}
int PositionerDouble::SetLinkMaster(bool linkMaster, bool silent) {
    return DeviceManagement(*this).SetLinkMaster(linkMaster, silent);
}
int PositionerDouble::RestartDevice() { return DeviceManagement(*this).RestartDevice(); }
int PositionerDouble::WaitRestart() { return DeviceManagement(*this).WaitRestart(); }

}  // namespace fieldbus::testing
