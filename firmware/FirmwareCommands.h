#pragma once
// The main view's firmware commands: download a firmware file into the current positioner
// (check, two confirmations, the "Downloading Firmware" progress, optional activation) and
// activate a firmware downloaded earlier.
#include <string>

#include "config/ConfigFileDialogs.h"
#include "fieldbus/DeviceAccess.h"

namespace firmware {

// The device a command works on, as the view knows it.
struct FirmwareTarget {
    int slot = -1;                // device slot of the link, 1 to 31
    std::string tag;              // PD tag
    std::string manufacturerId;   // hex text ("42524B")
    std::string deviceType;       // hex text ("7")
};

// The whole download command. Returns 0 when the firmware was downloaded (activated or
// not), 1 when a step failed, 2 when the command ended without doing anything (no suitable
// device, no file chosen, a confirmation declined). A positioner of another device type
// than 7 is told so.
int FirmwareDownloadCommand(fieldbus::DeviceAccess& device, const FirmwareTarget& target,
                            const config::FileChooser& chooser);
// The activation command on its own: 0 activated, 1 failed or nothing to activate, 2 declined.
int FirmwareActivateCommand(fieldbus::DeviceAccess& device);

// The target of a device: its manufacturer identifier and device type read from the
// resource block (empty texts when they cannot be read).
FirmwareTarget ReadFirmwareTarget(fieldbus::DeviceAccess& device, int slot, const std::string& tag);

// The file name the file dialog proposes: manufacturer, then the device type read as a
// decimal number twice ("42524B0007_0007*.ffd").
std::string ProposedFirmwareFileName(const FirmwareTarget& target);

}  // namespace firmware
