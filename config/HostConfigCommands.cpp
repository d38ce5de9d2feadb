#include "config/HostConfigCommands.h"

#include <memory>

#include "config/CConfigTempData.h"
#include "config/ConfigFile.h"
#include "fieldbus/DeviceAccess.h"
#include "platform/Ui.h"

namespace config {

using platform::Format;
using platform::ShowMessage;

namespace {

constexpr int kQuestion = platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2;

// A wait window: the text, no button to press, gone at the end of the scope.
class WaitWindow {
public:
    explicit WaitWindow(const std::string& text)
        : window_(platform::GetUi().CreateProgressWindow(platform::AppCaption(), "OK")) {
        if (!window_) return;
        window_->EnableButton(false);
        window_->SetText(text);
    }
    ~WaitWindow() {
        if (window_) window_->Close();
    }
    WaitWindow(const WaitWindow&) = delete;
    WaitWindow& operator=(const WaitWindow&) = delete;

private:
    platform::WaitCursor cursor_;
    std::unique_ptr<platform::ProgressWindow> window_;
};

std::string TrimRight(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    return text;
}

std::string Trim(const std::string& text) {
    std::string right = TrimRight(text);
    const size_t first = right.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : right.substr(first);
}

// RB, TB, AO and PID out of service for a download (AO before TB, by the device's mode rule);
// 0 when all are.
int PrepareBlocks(fieldbus::DeviceAccess& device, const BusRunner& runBus) {
    constexpr uint8_t kOutOfService = 0x01;
    return OrInPlace(runBus)([&device] {
        using fieldbus::BlockKind;
        for (BlockKind kind : {BlockKind::RB, BlockKind::TB, BlockKind::AO, BlockKind::PID}) {
            const int block = device.BlockOf(kind);
            if (block < 0 && kind == BlockKind::PID) continue;  // a positioner without the PID option
            if (device.SetBlockMode(block, kOutOfService) != 0) return 1;
        }
        return 0;
    });
}

}  // namespace

bool HostViewDevice::Present() const {
    return device != nullptr && device->IsOpen() && (!isPresent || isPresent());
}

HostConfigCommands::HostConfigCommands(ConfigDatabase& database, CConfigData& current, DatabaseDialogs& dialogs)
    : database_(database), current_(current), dialogs_(dialogs) {}

void HostConfigCommands::FetchEntries(std::vector<HostEntry>& entries) {
    WaitWindow wait("Retrieving Configuration Database");
    std::vector<std::string> names;
    // A host that cannot answer has said why in the message log; the dialog shows no entries.
    if (database_.ListConfigurationSets(names, &entries) != 0) entries.clear();
}

int HostConfigCommands::SaveToDatabase(const HostViewDevice& device) {
    const bool present = device.Present();
    if (present && !ConfirmInconsistentSave(current_)) return 2;
    if (present && device.diagnostics != nullptr) RefreshActuatorDiagnosticsWithNotice(current_, *device.diagnostics);

    for (;;) {
        std::vector<HostEntry> entries;
        FetchEntries(entries);
        std::string typed;
        if (!dialogs_.Show(DatabaseDialogs::Kind::Save, entries, typed)) return 2;
        const std::string name = TrimRight(typed);
        if (Trim(name).empty()) {
            ShowMessage("The selected data name is NULL");
            continue;
        }
        std::string replaces;
        for (const HostEntry& entry : entries)
            if (Trim(entry.name) == Trim(name)) replaces = entry.name;
        if (!replaces.empty() &&
            platform::GetUi().MessageBox(
                Format("Data [%s] alreay exists in the database.\n", name.c_str()) + "Do you want to overwrite it?\n",
                "Overwrite", kQuestion) != platform::IDYES)
            continue;
        int result = 0;
        {
            WaitWindow wait("Saving Configuration Data to " + name);
            result = database_.SaveConfigurationSet(name, replaces);
        }
        if (result == 0)
            ShowMessage("The configuration data has been saved successfully",
                        platform::MB_OK | platform::MB_ICONINFORMATION);
        return result;
    }
}

int HostConfigCommands::DeleteFromDatabase() {
    int result = 2;
    for (;;) {
        std::vector<HostEntry> entries;
        FetchEntries(entries);
        std::string name;
        if (!dialogs_.Show(DatabaseDialogs::Kind::Delete, entries, name)) return result;
        if (name.empty()) {
            ShowMessage("The selected data name is NULL");
            continue;
        }
        if (platform::GetUi().MessageBox(
                Format("You are going to delete configuratio data [%s].\n", name.c_str()) + "Proceed to delete?\n",
                "Delete", kQuestion) != platform::IDYES)
            continue;
        WaitWindow wait("Deleting " + name);
        result = database_.DeleteConfigurationSet(name);
    }
}

int HostConfigCommands::LoadAndDownload(const HostViewDevice& device, const std::function<int()>& load,
                                        const std::string& prepareText) {
    const bool present = device.Present();
    if (present && ShowMessage(std::string("You are going to load configuration data and download to device. \n") +
                                   "Do you want to continue?\n",
                               kQuestion) != platform::IDYES)
        return 2;
    CConfigTempData snapshot(current_);
    if (int loaded = load(); loaded != 0) return loaded;
    if (present && snapshot.SameAs(current_)) {
        ShowMessage("The loaded data are same as those in the device.\n", platform::MB_OK | platform::MB_ICONINFORMATION);
        return 0;
    }

    bool downloaded = false;
    if (present && ShowMessage(std::string("The configuration data is loaded successfully.\n") +
                                   "Do you want to download data to the device?\n",
                               kQuestion) == platform::IDYES) {
        int prepared = 0;
        {
            WaitWindow wait(prepareText);
            prepared = PrepareBlocks(*device.device, device.transfer.runBus);
        }
        if (prepared != 0) {
            ShowMessage("Error: Failed to prepare the device for downloading.");
        } else {
            database_.LogToHost("Download configuration data to device...");
            ConfigTransfer transfer(current_, device.device, device.link, device.transfer);
            downloaded = transfer.DownloadConfiguration() == 0;
            if (downloaded) current_.dataState = StateConsistent;
            database_.LogToHost(transfer.Outcome() == TransferOutcome::Cancelled
                                    ? "Downloading device configuration data cancelled."
                                : downloaded ? "Downloading device configuration data successful."
                                             : "Downloading device configuration failed.");
        }
        if (device.refreshPages) device.refreshPages();
    }
    if (!downloaded && present &&
        ShowMessage(std::string("The current configuration data in the memory is not consistent\n") +
                        "with the device. You should upload data from device to keep \n" + "the consistency. \n\n" +
                        "Proceed to upload now? You can do this at later time by clicking\n" + "Upload icon manually.\n",
                    kQuestion) == platform::IDYES &&
        device.readConfiguration)
        device.readConfiguration();
    return downloaded || !present ? 0 : 1;
}

int HostConfigCommands::LoadFromDatabaseAndDownload(const HostViewDevice& device) {
    return LoadAndDownload(
        device,
        [this]() -> int {
            std::string name;
            for (;;) {
                std::vector<HostEntry> entries;
                FetchEntries(entries);
                if (!dialogs_.Show(DatabaseDialogs::Kind::Load, entries, name)) return 2;
                if (!name.empty()) break;
                ShowMessage("The selected data name is NULL");
            }
            int result = 0;
            {
                WaitWindow wait("Loading Configuration Data");
                result = database_.LoadConfigurationSet(name);
            }
            if (result == 1) ShowMessage("Loading configuration data failed.\n");
            if (result != 0) return 1;
            current_.dataState = StateLoadedFromHost;
            return 0;
        },
        "Preparing to download data to device:");
}

int HostConfigCommands::LoadFileAndDownload(const HostViewDevice& device, const FileChooser& chooser) {
    return LoadAndDownload(
        device, [this, &chooser] { return OpenConfigurationFile(current_, chooser); },
        "Preparing to download data to device ");
}

int HostConfigCommands::ReadConfiguration(const HostViewDevice& device) {
    if (device.Present()) return device.readConfiguration ? device.readConfiguration() : 1;
    ConfigTransfer transfer(current_, device.device, device.link, device.transfer);
    return transfer.ReadFromHostDatabase([this] {
        std::vector<std::string> names;
        if (database_.ListConfigurationSets(names) != 0) return 1;
        // The device's most recently saved data set (none: the database is empty).
        return database_.LoadConfigurationSet(names.empty() ? std::string() : names.back());
    });
}

}  // namespace config
