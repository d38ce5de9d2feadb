#include "app/QamViewCommands.h"

#include "app/BackgroundWork.h"
#include "app/ViewController.h"
#include "fieldbus/FieldbusMessages.h"
#include "fieldbus/MessageLog.h"

namespace app {

QamViewCommands::QamViewCommands(ViewController& view, fieldbus::FieldbusLink& link, QamStartArguments args,
                                 config::ConfigDatabase& database, config::DatabaseDialogs& dialogs)
    : view_(view), link_(link), args_(std::move(args)), commands_(database, config::CurrentConfig(), dialogs) {}

int QamViewCommands::RunWhileServing(const config::BusWork& work) { return RunWhilePumping(work); }

std::function<void(const std::string&)> QamViewCommands::MessageLogReporter(const std::string& tag,
                                                                            platform::WindowHandle window) {
    return [tag, window](const std::string& text) {
        fieldbus::MessageLog::Instance().Append("Device " + tag + " " + text + " " + fieldbus::TimeStamp() + "\r\n");
        platform::PostMessage(window, fieldbus::WM_DEVICE_MESSAGE, 0, 0);
    };
}

int QamViewCommands::NamedSlot() {
    int byTag = -1;
    for (int item = 1; item < link_.DisplayItemCount(); ++item) {
        const int slot = link_.ItemDevIndexMap(item);
        if (link_.GetDeviceId(slot) == args_.deviceId) return slot;
        if (byTag < 0 && link_.GetTag(slot) == args_.deviceTag) byTag = slot;
    }
    return byTag;
}

config::HostViewDevice QamViewCommands::Device() {
    config::HostViewDevice device;
    device.link.pdTag = args_.deviceTag;
    device.link.deviceId = args_.deviceId;
    device.transfer.runBus = &RunWhileServing;
    device.transfer.runMode = RunMode;
    device.transfer.waitForClose = true;
    const int slot = view_.CurrentSlot();
    if (slot <= 0 || slot != NamedSlot() || !link_.Device(slot).IsOpen()) return device;

    fieldbus::FieldbusDevice* open = &link_.Device(slot);
    device.device = open;
    device.isPresent = [this, slot] { return link_.IsPresent(slot); };
    device.link.nodeAddress = link_.GetNodeAddress(slot);
    device.link.addressValid = link_.IsAddressValid(slot, device.link.nodeAddress);
    device.diagnostics = view_.DiagnosticsSource();
    device.readConfiguration = [this, open, slot, options = device.transfer] {
        config::ConfigTransfer transfer(config::CurrentConfig(), open, config::IdentityOnLink(link_, slot), options);
        return transfer.ReadConfiguration();
    };
    device.refreshPages = [open] {
        // The blocks are out of service now: let the readers show it at once.
        open->RequestRefreshTbView3(true);
        open->RequestRefreshAoView1(true);
        open->RequestRefreshRbView1(true);
    };
    return device;
}

int QamViewCommands::ReadConfiguration() {
    if (view_.IsBusy()) return 1;
    BusyScope busy(view_);
    return commands_.ReadConfiguration(Device());
}

int QamViewCommands::SaveToDatabase() {
    if (view_.IsBusy()) return 1;
    BusyScope busy(view_);
    return commands_.SaveToDatabase(Device());
}

int QamViewCommands::DeleteFromDatabase() {
    if (view_.IsBusy()) return 1;
    BusyScope busy(view_);
    return commands_.DeleteFromDatabase();
}

int QamViewCommands::LoadFromDatabaseAndDownload() {
    if (view_.IsBusy()) return 1;
    BusyScope busy(view_);
    return commands_.LoadFromDatabaseAndDownload(Device());
}

int QamViewCommands::LoadFileAndDownload(const config::FileChooser& chooser) {
    if (view_.IsBusy()) return 1;
    BusyScope busy(view_);
    return commands_.LoadFileAndDownload(Device(), chooser);
}

}  // namespace app
