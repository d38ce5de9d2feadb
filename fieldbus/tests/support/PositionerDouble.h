#pragma once
// A positioner for mode and management tests: a MemoryDevice whose blocks have MODE_BLK
// members that follow a written target after a number of actual-mode reads (each read
// costs fake-clock time), an AO that reaches CAS only when its cascade is fed, a RESTART that
// reads 4 for a while before it reads 1 again, and management objects. The mode and
// management operations run the program's own rules (ModeControl, DeviceManagement).
#include <cstdint>
#include <map>

#include "fieldbus/LinkMasterFlags.h"
#include "fieldbus/tests/support/MemoryDevice.h"
#include "platform/testing/FakeClock.h"

namespace fieldbus::testing {

class PositionerDouble : public MemoryDevice {
public:
    // Block numbers; the process-wide block identifiers are set to them.
    enum Block { kRb, kTb, kAo, kDi1, kDi2, kPid, kSplt, kMibStore, kBlocks };

    // Normal operation: RB AUTO, TB AUTO, AO AUTO (target CAS+AUTO), PID AUTO, DI and SPLT AUTO.
    explicit PositionerDouble(platform::testing::FakeClock* clock = nullptr);

    void SetModes(int block, uint8_t target, uint8_t actual);
    uint8_t Target(int block) const;
    uint8_t Actual(int block) const;
    // Actual-mode reads before an actual follows a new target (0: at once).
    void SetSettleReads(int reads) { settleReads_ = reads; }
    // The block's actual mode never follows a new target.
    void SetStuck(int block) { stuck_[block] = true; }
    void SetCascadeFed(bool fed) { cascadeFed_ = fed; }
    // Fake-clock milliseconds each actual-mode read takes.
    void SetReadCostMs(uint32_t ms) { readCostMs_ = ms; }
    // RESTART reads 4 this many times after a restart before it reads 1.
    void SetRestartReads(int reads) { restartReads_ = reads; }

    // AO values (status 0x80) and scales.
    void SetAoValue(const char* name, float value);
    void SetAoScale(const char* name, float eu100, float eu0);
    void SetManagementObject(const char* name, std::vector<uint8_t> bytes) { SetBytes(kMibStore, name, bytes); }
    void SetLinkMasterFlags(const LinkMasterFlags& flags) { flags_ = flags; }
    // The (block, name) of every parameter write, in order.
    std::vector<std::pair<int, std::string>> Writes() const;
    // Mode target writes as (block, mode), in order.
    std::vector<std::pair<int, uint8_t>> TargetWrites() const;

    // ---- DeviceAccess --------------------------------------------------------------------
    int ReadParameter(int block, const std::string& name, void* buffer, uint16_t& size) override;
    int WriteParameter(int block, const std::string& name, const void* buffer, uint16_t size) override;
    int ReadManagementObject(const std::string& name, void* buffer, uint16_t& size) override;
    int WriteManagementObject(const std::string& name, const void* buffer, uint16_t size) override;

    int ReadActualMode(int block, uint8_t& mode) override;
    int ReadTargetMode(int block, uint8_t& mode) override;
    int SetBlockMode(int block, uint8_t mode) override;
    int SetOperationState(int state, int kind, bool ask, bool bumpless) override;
    int CheckBumplessMismatch(bool& mismatch) override;
    int ReadOperationState(int& state) override;

    LinkMasterFlags GetLinkMasterFlags() const override { return flags_; }
    bool IsActiveScheduler() override;
    int SetLinkMaster(bool linkMaster, bool silent) override;
    int RestartDevice() override;
    int WaitRestart() override;

private:
    uint8_t Settled(int block, uint8_t target) const;

    platform::testing::FakeClock* clock_;
    int settleReads_ = 0;
    std::map<int, int> pending_;  // block -> actual-mode reads left before it follows
    std::map<int, bool> stuck_;
    bool cascadeFed_ = false;
    uint32_t readCostMs_ = 0;
    int restartReads_ = 0;
    int restartLeft_ = 0;
    LinkMasterFlags flags_;
};

}  // namespace fieldbus::testing
