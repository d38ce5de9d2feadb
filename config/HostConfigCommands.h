#pragma once
// The configuration commands of the host views (the partner host's plug-in): saving, loading
// and deleting named data sets in the host's database with their dialogs, wait windows and
// messages; loading a data set or a configuration file and downloading it; and reading the
// configuration, from the host's database while the device is not on the link.
//
// Everything here talks to the user through the platform ports and the dialogs interface
// below, so a window and a test drive it alike. Results: 0 done, 1 failed, 2 declined or
// cancelled by the user.
#include <functional>
#include <string>
#include <vector>

#include "config/ConfigDatabase.h"
#include "config/ConfigFileDialogs.h"
#include "config/ConfigTransfer.h"

namespace fieldbus {
class DeviceAccess;
}

namespace config {

class ActuatorDiagnosticsSource;

// The save-name, load and delete dialogs.
class DatabaseDialogs {
public:
    enum class Kind { Save, Load, Delete };
    virtual ~DatabaseDialogs() = default;
    // Shows the dialog over the device's saved data sets (`entries`, with their texts shown
    // read-only). Save: `name` receives the name typed; Load and Delete: the selected data
    // set's name, "" when none is selected. False when the dialog was closed without OK.
    virtual bool Show(Kind kind, const std::vector<HostEntry>& entries, std::string& name) = 0;
};

// The host view's device as the commands need it.
struct HostViewDevice {
    fieldbus::DeviceAccess* device = nullptr;  // the open device, or nullptr
    std::function<bool()> isPresent;           // whether it answers on the link now
    LinkIdentity link;                         // tag and identifier the host gave, address on the link
    TransferOptions transfer;                  // how reads and downloads reach the bus
    ActuatorDiagnosticsSource* diagnostics = nullptr;
    std::function<int()> readConfiguration;    // the view's Read configuration command
    std::function<void()> refreshPages;        // after a download

    bool Present() const;
};

class HostConfigCommands {
public:
    HostConfigCommands(ConfigDatabase& database, CConfigData& current, DatabaseDialogs& dialogs);

    // Save to database: the consistency question and the diagnostics refresh for a present
    // device, the save-name dialog (asking before overwriting), the save.
    int SaveToDatabase(const HostViewDevice& device);
    // The delete dialog: stays open, refilled after every delete, until it is closed.
    int DeleteFromDatabase();
    // Load from database (or from a configuration file) and download to the device.
    int LoadFromDatabaseAndDownload(const HostViewDevice& device);
    int LoadFileAndDownload(const HostViewDevice& device, const FileChooser& chooser);
    // Read configuration: from the device when it is present, else the device's most recently
    // saved data set from the host's database.
    int ReadConfiguration(const HostViewDevice& device);

private:
    // The saved data sets, fetched behind the "Retrieving Configuration Database" wait window.
    void FetchEntries(std::vector<HostEntry>& entries);
    // Load and download with the given source of the configuration (0: loaded).
    int LoadAndDownload(const HostViewDevice& device, const std::function<int()>& load, const std::string& prepareText);

    ConfigDatabase& database_;
    CConfigData& current_;
    DatabaseDialogs& dialogs_;
};

}  // namespace config
