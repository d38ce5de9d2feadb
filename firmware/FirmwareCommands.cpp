#include "firmware/FirmwareCommands.h"

#include <cstdlib>
#include <strings.h>

#include "firmware/FirmwareDevice.h"
#include "platform/Clock.h"
#include "platform/Ui.h"

namespace firmware {

namespace {

using platform::IDYES;

constexpr const char* kActivateQuestion =
    "Tessaro is ready to activate the new firmware.\r\nDo you wish to ACTIVATE the new firmware now?\r\n";

int AskQuestion(const std::string& text, int icon) {
    return platform::GetUi().MessageBox(text, platform::AppCaption(), platform::MB_YESNO | icon | platform::MB_DEFBUTTON2);
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ErrorText(FirmwareDevice& firmware) {
    std::string text;
    firmware.DownloadErrorText(text);
    return text;
}

// Turns the button into "&CLOSE", adds the last line (if any) and waits for the user to
// close the window. A press that cancelled the preparation is forgotten first.
void WaitForClose(platform::ProgressWindow& window, const std::string& lastLine, bool cancelled) {
    window.SetButtonText("&CLOSE");
    window.EnableButton(true);
    if (cancelled) window.ResetButton();
    if (!lastLine.empty()) window.AppendText(lastLine);
    while (window.IsWatched() && !window.ButtonPressed() && window.IsOpen()) {
        platform::GetUi().PumpMessages();
        platform::GetClock().SleepMs(50);
    }
    window.Close();
}

// Steps 4 to 7 of the download; returns the command's result. The line that ends the
// progress is left in `last`.
// "2 s", "4 min 05 s": how long a step took, for the progress text.
std::string DurationText(uint64_t ms) {
    const uint64_t seconds = (ms + 500) / 1000;
    if (seconds < 60) return platform::Format("%u s", static_cast<unsigned>(seconds));
    return platform::Format("%u min %02u s", static_cast<unsigned>(seconds / 60), static_cast<unsigned>(seconds % 60));
}

int RunDownload(FirmwareDevice& firmware, platform::ProgressWindow& window, const std::string& path,
                std::string& last) {
    window.AppendText("Verifying FFD file ...\r\n");
    if (firmware.VerifyFirmwareFile(path) != 0) {
        last = "\tFFD file failed\r\n";
        return 1;
    }
    window.AppendText("\tFFD file OK\r\n");

    window.AppendText("Prepare for Downloading ...\r\n");
    if (!firmware.PrepareDownload()) {
        last = firmware.WasCancelled() ? std::string("\tCancelled.\r\n\r\n")
                                       : "\tFailed: " + ErrorText(firmware) + "\r\n\r\n";
        return firmware.WasCancelled() ? 2 : 1;
    }
    window.AppendText("\tReady for downloading .\r\n");

    // From here on the device is written: no cancel until the end.
    window.EnableButton(false);
    window.ResetButton();
    window.AppendText("Starting to Download ...\r\n");
    const uint64_t started = platform::GetClock().NowMs();
    if (firmware.DownloadFirmware(path) != 0) {
        last = "\tDownloading failed : " + ErrorText(firmware) + "\r\n";
        return 1;
    }
    window.AppendText("\tDownloading firmware successful.\r\n");
    // The question before the download announces the longest case; the time it really took
    // is said here.
    window.AppendText("\tThe download took " + DurationText(platform::GetClock().NowMs() - started) + ".\r\n");

    if (AskQuestion(kActivateQuestion, platform::MB_ICONWARNING) != IDYES) return 0;
    if (AskQuestion("The device will be reset and loss of process control will occur.\r\n\r\nAfter new firmware is "
                    "activated, a 'Device Not Responsive' message box will pop up. This is normal,\r\ncaused by "
                    "restarting the device to use the new firmware. To continue work with this positioner, you\r\n"
                    "need to select it again. \n\nDo you want to ACTIVATE the new firmware now?\r\n",
                    platform::MB_ICONWARNING) != IDYES)
        return 0;
    window.AppendText("Activating new firmware ...\r\n");
    if (firmware.ActivateFirmware() != 0) {
        last = "\tfailed : " + ErrorText(firmware) + "\r\n";
        return 1;
    }
    last = "\tNew firmware has been activated.\r\n";
    return 0;
}

}  // namespace

FirmwareTarget ReadFirmwareTarget(fieldbus::DeviceAccess& device, int slot, const std::string& tag) {
    FirmwareTarget target;
    target.slot = slot;
    target.tag = tag;
    uint32_t manufacturer = 0;
    uint16_t type = 0;
    if (device.ReadRbManufacId(manufacturer) == 0) target.manufacturerId = platform::Format("%06X", manufacturer);
    if (device.ReadRbDevType(type) == 0) target.deviceType = platform::Format("%x", static_cast<unsigned>(type));
    return target;
}

std::string ProposedFirmwareFileName(const FirmwareTarget& target) {
    const int type = std::atoi(target.deviceType.c_str());
    return platform::Format("%s%04x_%04x*.ffd", target.manufacturerId.c_str(), static_cast<unsigned>(type),
                            static_cast<unsigned>(type));
}

int FirmwareDownloadCommand(fieldbus::DeviceAccess& device, const FirmwareTarget& target,
                            const config::FileChooser& chooser) {
    // Only for a selected link-master type positioner (device type 7).
    if (target.slot < 1 || target.slot > 31 || !chooser) return 2;
    if (strcasecmp(target.deviceType.c_str(), "7") != 0) {
        // Said, not skipped: the command is in the menu for every positioner.
        platform::ShowMessage(platform::Format("Firmware Download is offered for positioners of device type 7 only; "
                                               "%s is of device type %s. Nothing was downloaded.",
                                               target.tag.c_str(), target.deviceType.c_str()),
                              platform::MB_OK | platform::MB_ICONINFORMATION);
        return 2;
    }
    config::FileDialogRequest request;
    request.title = "Select firmware to be downloaded";
    request.filter = " FFD Files (*.ffd) |*.ffd||";
    request.defaultExtension = "ffd";
    request.fileName = ProposedFirmwareFileName(target);
    const config::FileDialogResult chosen = chooser(request);
    if (!chosen.accepted || chosen.path.empty()) return 2;
    const std::string& path = chosen.path;

    if (AskQuestion(platform::Format("You have selected  %s  to download to device %s. \n\n", FileNameOf(path).c_str(),
                                     target.tag.c_str()) +
                        "The downloading process will replace the RPX positioner's internal program with an update. "
                        "Once performed,\n the process cannot be reversed. All configuration parameters will be "
                        "unchanged.\n\nDo you wish to continue?\n\n",
                    platform::MB_ICONQUESTION) != IDYES)
        return 2;
    if (AskQuestion("The downloading process lasts about 30 minutes. The screen will stop updating while downloading.\n"
                    "If another application is started the Ostrand display will not refresh.  If Ostrand is minimized "
                    "it cannot be\nmaximized until the process has completed.\n\nProceed to download?\n\n",
                    platform::MB_ICONQUESTION) != IDYES)
        return 2;

    std::unique_ptr<platform::ProgressWindow> window =
        platform::GetUi().CreateProgressWindow("Downloading Firmware", "Cancel");
    if (!window) {
        platform::ShowMessage("Error: Failed to create message display dialog.");
        return 1;
    }
    FirmwareDevice firmware(device);
    platform::ProgressWindow* shown = window.get();
    firmware.SetCancelCheck([shown] { return shown->ButtonPressed(); });
    std::string last;
    const int result = RunDownload(firmware, *window, path, last);
    WaitForClose(*window, last, firmware.WasCancelled());
    return result;
}

int FirmwareActivateCommand(fieldbus::DeviceAccess& device) {
    FirmwareDevice firmware(device);
    if (!firmware.IsFirmwareReady()) {
        platform::ShowMessage("No new firmware available to activate.");
        return 1;
    }
    if (AskQuestion(kActivateQuestion, platform::MB_ICONWARNING) != IDYES) return 2;
    if (AskQuestion("The device will be reset and loss of process control will occur.\r\nDo you want to ACTIVATE the new "
                    "firmware now?\r\n",
                    platform::MB_ICONWARNING) != IDYES)
        return 2;
    if (firmware.ActivateFirmware() != 0) {
        platform::ShowMessage("Activating Firmware Failed. " + ErrorText(firmware));
        return 1;
    }
    platform::ShowMessage("New firmware has been activated.\r\n", platform::MB_OK | platform::MB_ICONINFORMATION);
    return 0;
}

}  // namespace firmware
