#include "app/CTessaroQAMView.h"

#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>

#include "config/CConfigData.h"
#include "platform/Ui.h"

CTessaroQAMView::CTessaroQAMView(fieldbus::FieldbusLink& link, const app::QamStartArguments& args,
                                 const plugin::QamApi& api, QWidget* parent)
    : CTessaroView(link, parent), args_(args), hostDb_(std::make_unique<plugin::QamHostDatabase>(api)), dialogs_(this) {
    Tree()->setHeaderLabel(args_.devicePath.empty() ? QString("Device") : QString::fromStdString(args_.devicePath));

    hostDb_->SetReporter(app::QamViewCommands::MessageLogReporter(args_.deviceTag, Handle()));
    plugin::QamSessionInfo who;
    who.sessionId = args_.sessionId;
    who.hostName = args_.hostName;
    const char* user = std::getenv("USER");
    who.userName = !args_.userName.empty() ? args_.userName : user != nullptr ? user : "";
    who.deviceId = args_.deviceId;
    who.deviceTag = args_.deviceTag;
    // A host database that cannot be opened has said why in the message log; the database
    // commands then report their own failures.
    if (args_.HasRequired()) hostDb_->Open(plugin::QamHostDatabase::DatabasePath(), who);

    database_ = std::make_unique<config::ConfigDatabase>(*hostDb_, config::CurrentConfig(),
                                                         &app::QamViewCommands::RunWhileServing);
    database_->SetSplitterTagSource([this]() -> std::string {
        const int slot = Controller().CurrentSlot();
        if (slot <= 0 || !Link().Device(slot).IsOpen()) return {};
        fieldbus::FieldbusDevice& device = Link().Device(slot);
        const int splitter = device.BlockOf(fieldbus::BlockKind::SPLT);
        return splitter >= 0 ? device.GetBlockTag(splitter) : std::string();
    });
    commands_ = std::make_unique<app::QamViewCommands>(Controller(), Link(), args_, *database_, dialogs_);
}

CTessaroQAMView::~CTessaroQAMView() = default;

void CTessaroQAMView::InitialUpdate() {
    if (started_) return;
    started_ = true;
    if (!args_.HasRequired()) {
        platform::ShowMessage("The starting argument list is not correct.\nThe application cannot continue.",
                              platform::MB_OK | platform::MB_ICONSTOP);
        QTimer::singleShot(300, window(), &QWidget::close);
        return;
    }
    {
        platform::WaitCursor wait;
        CTessaroView::InitialUpdate();
    }
    OpenNamedDevice();
}

void CTessaroQAMView::ShowDeviceTree(const std::vector<app::DeviceTreeItem>& items, int selectItem) {
    const int slot = commands_ ? commands_->NamedSlot() : -1;
    std::vector<app::DeviceTreeItem> named;
    for (const app::DeviceTreeItem& item : items)
        if (item.slot == slot) named.push_back(item);
    CTessaroView::ShowDeviceTree(named, selectItem);
}

int CTessaroQAMView::OpenNamedDevice() {
    const int slot = commands_->NamedSlot();
    if (slot <= 0 || !Link().IsPresent(slot)) {
        app::QamViewCommands::MessageLogReporter(args_.deviceTag, Handle())(
            "is not on the link: its configuration is read from the host's database.");
        return 1;
    }
    if (Controller().CurrentSlot() == slot && Link().Device(slot).IsOpen()) return 0;
    const int item = Link().DevIndexItemMap(slot);
    SelectTreeItem(item);
    Controller().OnSelectionChanged(item);
    return Controller().CurrentSlot() == slot && Link().Device(slot).IsOpen() ? 0 : 1;
}
