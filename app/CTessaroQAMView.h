#pragma once
// The plug-in view: the standalone view's display and commands for the one device the host
// named on the command line, with the host's configuration database beside them. On first
// show it checks the start arguments again, scans the link and opens that device; a device
// that is not on the link is worked on through the host's database.
#include <memory>

#include "app/CTessaroView.h"
#include "app/QamCommandLine.h"
#include "app/QamViewCommands.h"
#include "config/ConfigDatabase.h"
#include "config/ui/CConfigDatabaseDlg.h"
#include "plugin/QamHostDatabase.h"

class CTessaroQAMView : public CTessaroView {
    Q_OBJECT
public:
    CTessaroQAMView(fieldbus::FieldbusLink& link, const app::QamStartArguments& args, const plugin::QamApi& api,
                    QWidget* parent = nullptr);
    ~CTessaroQAMView() override;

    void InitialUpdate() override;
    // Only the named device is listed.
    void ShowDeviceTree(const std::vector<app::DeviceTreeItem>& items, int selectItem) override;

    // Opens the named device when it is on the link; 0 when it is open.
    int OpenNamedDevice();
    app::QamViewCommands& Commands() { return *commands_; }
    const app::QamStartArguments& Arguments() const { return args_; }
    plugin::QamHostDatabase& HostDatabase() { return *hostDb_; }

private:
    app::QamStartArguments args_;
    std::unique_ptr<plugin::QamHostDatabase> hostDb_;
    std::unique_ptr<config::ConfigDatabase> database_;
    config::QtDatabaseDialogs dialogs_;
    std::unique_ptr<app::QamViewCommands> commands_;
    bool started_ = false;
};
