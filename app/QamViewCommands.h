#pragma once
// The plug-in view's configuration commands for the one device the host named: read (from
// the host's database while the device is not on the link), save, load and delete data sets
// in the host's database, and load a data set or a file and download it. The view stays
// busy while one runs, so the device it works on stays open.
#include <functional>
#include <string>

#include "app/QamCommandLine.h"
#include "config/HostConfigCommands.h"
#include "fieldbus/FieldbusLink.h"

namespace app {

class ViewController;

class QamViewCommands {
public:
    QamViewCommands(ViewController& view, fieldbus::FieldbusLink& link, QamStartArguments args,
                    config::ConfigDatabase& database, config::DatabaseDialogs& dialogs);

    // The named device's slot on the link (found by its identifier, else by its tag), -1 when
    // it is not listed.
    int NamedSlot();

    int ReadConfiguration();
    int SaveToDatabase();
    int DeleteFromDatabase();
    int LoadFromDatabaseAndDownload();
    int LoadFileAndDownload(const config::FileChooser& chooser);

    // The device as the commands see it now (its open device when it is the current one).
    config::HostViewDevice Device();

    // How work waits for the bus and the host without freezing the window.
    static int RunWhileServing(const config::BusWork& work);
    // A reporter that writes "Device <tag> <text> @ hh:mm:ss" to the message log and tells
    // the window.
    static std::function<void(const std::string&)> MessageLogReporter(const std::string& tag,
                                                                      platform::WindowHandle window);

private:
    ViewController& view_;
    fieldbus::FieldbusLink& link_;
    QamStartArguments args_;
    config::HostConfigCommands commands_;
};

}  // namespace app
