#pragma once
// Link mastership and restart of any device behind the device interface: the link-master
// flags, whether the device is the active scheduler, its data-link class and boot class,
// the change between link master and basic device, and the restart with its wait.
#include <cstdint>

#include "fieldbus/DeviceAccess.h"
#include "fieldbus/LinkMasterFlags.h"

namespace fieldbus {

class DeviceManagement {
public:
    explicit DeviceManagement(DeviceAccess& device) : device_(device) {}

    // RB DEV_TYPE and DEV_REV, TB DEV_OPTIONS and, for a link-master type, the DLME class
    // (not read without a management information base: then not configured as link master).
    // 0 when every read succeeded; what could not be read counts as not set.
    int ReadLinkMasterFlags(LinkMasterFlags& flags, bool hasMib = true);
    // False unless configured as link master; then PRIMARY_LINK_MASTER_FLAG nonzero (a failed
    // read gives false).
    bool IsActiveScheduler(bool configuredAsLinkMaster);
    int ReadDlmeClass(uint8_t& value);
    int SetBootClass(bool linkMaster);
    // Asks (unless silent) whether to restart, writes the boot class and restarts: 0 when the
    // device was told to restart, 1 otherwise (also when the user said No).
    int SetLinkMaster(bool linkMaster, bool silent);
    int RestartDevice();
    // Reads RB RESTART every 100 ms until it reads 1 (0); failed reads (the device is off the
    // bus while it restarts) do not end the wait, the restart limit does (1).
    int WaitRestart();
    static constexpr uint64_t kRestartLimitMs = 60000;

    // The question asked before the boot class changes.
    static std::string LinkMasterQuestion(bool linkMaster);

private:
    DeviceAccess& device_;
};

}  // namespace fieldbus
