#include "fieldbus/DeviceManagement.h"

#include "fieldbus/BlockKind.h"
#include "fieldbus/TypedValues.h"
#include "platform/Clock.h"
#include "platform/Ui.h"

namespace fieldbus {

namespace {
constexpr uint32_t kRestartPollMs = 100;
constexpr size_t kDlmeClassByte = 2;
}  // namespace

int DeviceManagement::ReadLinkMasterFlags(LinkMasterFlags& flags, bool hasMib) {
    flags = {};
    uint16_t devType = 0;
    uint8_t devRev = 0;
    if (ReadTypedValue(device_, device_.BlockOf(BlockKind::RB), "DEV_TYPE", devType, Wire::U16) != 0 ||
        ReadTypedValue(device_, device_.BlockOf(BlockKind::RB), "DEV_REV", devRev, Wire::U8) != 0)
        return 1;
    uint16_t options = 0;
    const bool optionsRead =
        ReadTypedValue(device_, device_.BlockOf(BlockKind::TB), "DEV_OPTIONS", options, Wire::Bits16) == 0;
    uint8_t dlmeClass = 0;
    bool dlmeRead = false;
    if (IsLinkMasterType(devType, devRev) && hasMib) dlmeRead = ReadDlmeClass(dlmeClass) == 0;
    flags = DeriveLinkMasterFlags(devType, devRev, optionsRead, options, dlmeRead, dlmeClass);
    return optionsRead && (dlmeRead || !flags.linkMasterType) ? 0 : 1;
}

bool DeviceManagement::IsActiveScheduler(bool configuredAsLinkMaster) {
    if (!configuredAsLinkMaster) return false;
    uint8_t flag = 0;
    uint16_t size = 1;
    if (device_.ReadManagementObject(kPrimaryLinkMasterFlag, &flag, size) != 0 || size != 1) return false;
    return flag != 0;
}

int DeviceManagement::ReadDlmeClass(uint8_t& value) {
    value = 0;
    uint8_t bytes[kDlmeBasicCharacteristicsSize] = {};
    uint16_t size = kDlmeBasicCharacteristicsSize;
    if (device_.ReadManagementObject(kDlmeBasicCharacteristics, bytes, size) != 0) return 1;
    if (size <= kDlmeClassByte) return 1;
    value = bytes[kDlmeClassByte];
    return 0;
}

int DeviceManagement::SetBootClass(bool linkMaster) {
    const uint8_t bootClass = linkMaster ? kBootClassLinkMaster : kBootClassBasic;
    return device_.WriteManagementObject(kBootOperatFunctionalClass, &bootClass, 1) == 0 ? 0 : 1;
}

std::string DeviceManagement::LinkMasterQuestion(bool linkMaster) {
    std::string text = linkMaster ? "\nYou have selected to set device as Link Master.\n\n"
                                  : "\nYou have selected to set device as Basic. \n\n";
    text += "To take affect, the  device has to be restarted.\n"
            "If restarts, the device will cease operation and the connection will be closed.\n\n"
            "Proceed to restart now?";
    return text;
}

int DeviceManagement::SetLinkMaster(bool linkMaster, bool silent) {
    if (!silent && platform::ShowMessage(LinkMasterQuestion(linkMaster), platform::MB_YESNO |
                                                                             platform::MB_ICONWARNING |
                                                                             platform::MB_DEFBUTTON2) !=
                       platform::IDYES)
        return 1;
    if (SetBootClass(linkMaster) != 0) {
        if (!silent) platform::ShowMessage("Write MIB parameter failed", platform::MB_OK | platform::MB_ICONSTOP);
        return 1;
    }
    return RestartDevice() == 0 ? 0 : 1;
}

int DeviceManagement::RestartDevice() {
    return WriteTypedValue(device_, device_.BlockOf(BlockKind::RB), "RESTART", kRestartProcessor, Wire::U8) == 0 ? 0 : 1;
}

// A restarting device is off the bus for a while, so reads fail until it is back; the wait
// goes on through them until the device reports that it runs or the restart limit passed.
int DeviceManagement::WaitRestart() {
    platform::Clock& clock = platform::GetClock();
    const int rb = device_.BlockOf(BlockKind::RB);
    const uint64_t start = clock.NowMs();
    for (;;) {
        clock.SleepMs(kRestartPollMs);
        uint8_t restart = 0;
        if (ReadTypedValue(device_, rb, "RESTART", restart, Wire::U8) == 0 && restart == kRestartRun) return 0;
        if (clock.NowMs() - start >= kRestartLimitMs) return 1;
    }
}

}  // namespace fieldbus
