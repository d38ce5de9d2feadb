// The main view's configuration commands: reading the current device's configuration, the
// download to a device chosen from the list, the static-revision check and the Configure
// sheet. The transfers
// run their bus work on a helper thread while the window keeps serving its events.
#include "app/BackgroundWork.h"
#include "app/ViewController.h"
#include "config/CConfigData.h"
#include "config/ConfigTransfer.h"
#include "config/OtherDeviceCheck.h"
#include "config/StaticRevisions.h"
#include "fieldbus/BlockModes.h"
#include "logon/HasPrivilege.h"
#include "platform/Ui.h"

using platform::Format;
using platform::ShowMessage;

namespace app {

namespace {

// Logon class of the download command (the device's configuration is replaced) and of the
// Configure sheet on a device (the same parameters are written).
constexpr int kDownloadPrivilege = 4;
constexpr int kConfigurePrivilege = 4;

int RunOffTheWindowThread(const config::BusWork& work) { return RunWhilePumping(work); }

config::TransferOptions WindowTransferOptions() {
    config::TransferOptions options;
    options.runBus = &RunOffTheWindowThread;
    options.runMode = RunModeStandalone;
    options.waitForClose = true;
    return options;
}

// The message-log line of a transfer that ended: its success, or a cancel the sequence
// confirmed by stopping; empty after a failure (the failing call logged its own line).
std::string OutcomeLine(config::TransferOutcome outcome, const char* what) {
    if (outcome == config::TransferOutcome::Succeeded) return std::string(what) + " successful.";
    if (outcome == config::TransferOutcome::Cancelled) return std::string(what) + " cancelled.";
    return {};
}

}  // namespace

void ViewController::LogTransfer(const std::string& tag, config::TransferOutcome outcome, const char* what) {
    const std::string line = OutcomeLine(outcome, what);
    if (!line.empty()) LogDeviceLine(tag, line);
}

int ViewController::ReadConfigurationCommand() {
    const int slot = link_.CurrentSlot();
    if (slot <= 0 || busy_) return 1;
    BusyScope busy(*this);
    if (OpenCurrentDevice() != 0) return 1;
    config::ConfigTransfer transfer(config::CurrentConfig(), &link_.Device(slot), config::IdentityOnLink(link_, slot),
                                    WindowTransferOptions());
    const int result = transfer.ReadConfiguration();
    LogTransfer(link_.GetTag(slot), transfer.Outcome(), "Reading device configuration data");
    return result;
}

int ViewController::RefreshConfigurationIfChanged() {
    const int slot = link_.CurrentSlot();
    if (slot <= 0 || !link_.Device(slot).IsOpen()) return 0;
    BusyScope busy(*this);
    return config::RefreshIfChanged(config::CurrentConfig(), link_.Device(slot), &RunOffTheWindowThread);
}

bool ViewController::RecordBelongsTo(int slot) {
    const config::GeneralGroup& general = config::CurrentConfig().general;
    if (general.deviceId == link_.GetDeviceId(slot)) return true;
    const std::string tag = link_.GetTag(slot);
    const std::string owner = general.pdTag.empty() ? std::string("no device") : general.pdTag;
    if (ShowMessage(Format("The configuration in memory is not the one of %s (it came from %s). Its values are not "
                           "offered for writing to %s.\n\nRead the configuration of %s now ?",
                           tag.c_str(), owner.c_str(), tag.c_str(), tag.c_str()),
                    platform::MB_YESNO | platform::MB_ICONWARNING) != platform::IDYES)
        return false;
    return ReadConfigurationCommand() == 0 && config::CurrentConfig().general.deviceId == link_.GetDeviceId(slot);
}

int ViewController::ConfigureCommand(
    const std::function<config::SheetOutcome(const config::SheetTarget&)>& runSheet) {
    if (busy_) return 1;
    const int slot = link_.CurrentSlot();
    fieldbus::FieldbusDevice* device = slot > 0 && link_.Device(slot).IsOpen() ? &link_.Device(slot) : nullptr;
    if (device != nullptr && !logon::HasPrivilege(kConfigurePrivilege)) return 1;
    config::CConfigData& record = config::CurrentConfig();
    // The sheet offers the record's values for writing: they must be this device's own.
    if (device != nullptr && !RecordBelongsTo(slot)) return 0;
    // Groups another client changed are offered for reading again first; a device that
    // does not answer here is reported by the sheet when it would be written.
    if (device != nullptr) RefreshConfigurationIfChanged();

    config::SheetTarget target;
    target.device = device;
    target.deviceSuffix = device != nullptr ? " (" + link_.GetTag(slot) + ")" : " (No Device Attached)";
    target.runBus = &RunOffTheWindowThread;
    target.bumpless = record.option.bumplessTransfer != 0;
    if (device != nullptr) {
        target.isPresent = [this, slot] { return link_.IsPresent(slot); };
        target.isTagUnique = [this, slot](const std::string& tag) { return link_.IsTagUnique(slot, tag); };
        target.offeredAddresses = link_.ValidAddresses(slot);
        target.offerCurrentAddress = link_.IsAddressValid(slot, link_.GetNodeAddress(slot));
    }

    config::SheetOutcome outcome;
    {
        // Notifications that arrive while the sheet is open are handled once it closed, so the
        // device it works on stays open meanwhile.
        BusyScope busy(*this);
        outcome = runSheet(target);
        if (device != nullptr && outcome.wroteDevice) {
            config::RememberStaticRevisions(record, *device, &RunOffTheWindowThread);
            // The blocks are out of service now: let the readers show it at once.
            device->RequestRefreshTbView3(true);
            device->RequestRefreshAoView1(true);
            device->RequestRefreshRbView1(true);
            if (!outcome.failed) LogDeviceLine(link_.GetTag(slot), "Writing configuration data successful.");
        }
    }
    if (device != nullptr && outcome.tagAddress.requested && link_.CurrentSlot() == slot &&
        RunTagAddressChange(slot, outcome.tagAddress.tag, outcome.tagAddress.address) == 0) {
        record.general.pdTag = outcome.tagAddress.tag;
        record.general.nodeAddress = outcome.tagAddress.address;
    }
    return outcome.failed ? 1 : 0;
}

config::ActuatorDiagnosticsSource* ViewController::DiagnosticsSource() {
    const int slot = link_.CurrentSlot();
    if (slot <= 0 || !link_.Device(slot).IsOpen()) return nullptr;
    if (!diagnostics_ || diagnosticsSlot_ != slot) {
        diagnostics_ = std::make_unique<config::DeviceDiagnosticsSource>(
            link_.Device(slot), &RunOffTheWindowThread, [this, slot] { return link_.IsPresent(slot); });
        diagnosticsSlot_ = slot;
    }
    return diagnostics_.get();
}

int ViewController::DownloadConfigurationCommand() {
    if (busy_) return 1;
    // The target is chosen from the list, so no device may be open meanwhile.
    if (link_.CurrentSlot() > 0) return 1;
    if (!logon::HasPrivilege(kDownloadPrivilege)) return 1;

    std::vector<int> slots;
    std::vector<std::string> tags;
    for (const DeviceTreeItem& entry : TreeItems()) {
        if (!link_.IsPositioner(entry.slot)) continue;
        slots.push_back(entry.slot);
        tags.push_back(entry.tag + (entry.present ? "" : " (not responding)"));
    }
    const int pick = platform::GetUi().PickFromList("Download Configuration",
                                                    "Download the configuration to the device:", tags);
    if (pick < 0 || pick >= static_cast<int>(slots.size())) return 2;
    const int slot = slots[static_cast<size_t>(pick)];

    const config::GeneralGroup& general = config::CurrentConfig().general;
    if (!link_.IsPresent(slot)) {
        ShowMessage("Error: The target device is not responsive. Download is cancelled.");
        return 1;
    }
    if (!link_.IsTagUnique(slot, general.pdTag)) {
        ShowMessage(Format("Error: The new device tag %s is not unique. Download is cancelled.", general.pdTag.c_str()));
        return 1;
    }
    if (!link_.IsAddressValid(slot, general.nodeAddress)) {
        ShowMessage(Format("Error: The new device address 0x%2x is either invalid or non-unique. Download is cancelled.",
                           general.nodeAddress));
        return 1;
    }
    // A file of another family or device type is written only when the technician agrees.
    const std::string otherDevice = config::OtherDeviceQuestion(general, link_.GetDeviceId(slot), link_.GetTag(slot));
    if (!otherDevice.empty() &&
        ShowMessage(otherDevice, platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) !=
            platform::IDYES)
        return 2;
    const std::string question =
        Format("Current Tag/Address before download: %s / 0x%02x\r\n\r\n", link_.GetTag(slot).c_str(),
               link_.GetNodeAddress(slot)) +
        Format("Attempting new Tag/Address :              %s / 0x%02x\r\n\r\n", general.pdTag.c_str(),
               general.nodeAddress) +
        "Are you sure that you want to use the new tag/address and download all other configuration data ?";
    if (ShowMessage(question, platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) !=
        platform::IDYES)
        return 2;
    return DownloadTo(slot);
}

void ViewController::OfferPriorModes(fieldbus::FieldbusDevice& device, const std::string& tag,
                                     const fieldbus::BlockModeList& priorModes) {
    if (!priorModes.empty() &&
        ShowMessage(fieldbus::PriorModesQuestion(tag, priorModes), platform::MB_YESNO | platform::MB_ICONQUESTION) ==
            platform::IDYES &&
        RunOffTheWindowThread([&device, &priorModes] { return fieldbus::SetTargetModes(device, priorModes); }) != 0)
        ShowMessage("Error: Not every block took its former mode back.");
    std::vector<fieldbus::BlockKind> out;
    RunOffTheWindowThread([&device, &out] {
        out = fieldbus::BlocksOutOfService(device);
        return 0;
    });
    if (!out.empty())
        ShowMessage("Out of service on " + tag + ": " + fieldbus::BlockListText(out) +
                        ".\r\nNormal State puts RB, TB and AO back to work; the other blocks need their modes set.",
                    platform::MB_OK | platform::MB_ICONINFORMATION);
}

int ViewController::DownloadTo(int slot) {
    config::CConfigData& data = config::CurrentConfig();
    const std::string deviceId = link_.GetDeviceId(slot);
    const std::string newTag = data.general.pdTag;
    const uint8_t newAddress = data.general.nodeAddress;
    int result = 1;
    bool restarted = false;
    {
        BusyScope busy(*this);
        // The target becomes the current device, opened as a selection opens it.
        host_.SetOfflineTimer(false);
        link_.SetCurrentSlot(slot);
        if (OpenCurrentDevice() != 0 || ShowOpenedDevice(slot) != 0) {
            link_.SetCurrentSlot(-1);
            host_.SelectTreeItem(0);
            host_.DeviceOpened(-1);
            host_.SetOfflineTimer(true);
            host_.RefreshStatusPanes();
            return 1;
        }
        host_.SelectTreeItem(ItemOfSlot(slot));
        host_.RefreshStatusPanes();

        fieldbus::FieldbusDevice& device = link_.Device(slot);
        // The modes the blocks have now are offered back once the download ended.
        fieldbus::BlockModeList priorModes;
        RunOffTheWindowThread([&device, &priorModes] {
            priorModes = fieldbus::ReadTargetModes(device);
            return 0;
        });
        config::TransferOptions options = WindowTransferOptions();
        options.beforeRestart = [&device] { device.StopViewReaders(); };
        if (config::PrepareDeviceForDownload(device, options.runBus) == 0) {
            config::ConfigTransfer transfer(data, &device, config::IdentityOnLink(link_, slot), options);
            result = transfer.DownloadConfiguration();
            restarted = transfer.Restarted();
            LogTransfer(link_.GetTag(slot), transfer.Outcome(), "Downloading device configuration data");
        }
        if (!restarted) OfferPriorModes(device, link_.GetTag(slot), priorModes);
        // Blocks out of service: let the readers show it at once.
        if (!restarted) {
            device.RequestRefreshTbView3(true);
            device.RequestRefreshAoView1(true);
            device.RequestRefreshRbView1(true);
        }
    }
    if (restarted) {
        // A new boot class restarted the device: closed and the link scanned again, as after
        // the link master command.
        BusyScope busy(*this);
        AfterRestart(slot, result == 0);
    }
    if (result != 0) return result;

    // The record's tag and address go to the device last, in their own progress window.
    int target = slot;
    if (restarted) {
        target = -1;
        for (const DeviceTreeItem& entry : TreeItems())
            if (link_.GetDeviceId(entry.slot) == deviceId) target = entry.slot;
    }
    if (target > 0 && (link_.GetTag(target) != newTag || link_.GetNodeAddress(target) != newAddress))
        RunTagAddressChange(target, newTag, newAddress);
    return 0;
}

}  // namespace app
