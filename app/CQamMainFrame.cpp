#include "app/CQamMainFrame.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "app/CTessaroQAMView.h"
#include "config/ui/ConfigFileCommands.h"

CQamMainFrame::CQamMainFrame(fieldbus::FieldbusLink& link, const app::QamStartArguments& args,
                             const plugin::QamApi& api, QWidget* parent)
    : CMainFrame(link, parent,
                 [&args, &api](fieldbus::FieldbusLink& l, QWidget* frame) -> CTessaroView* {
                     return new CTessaroQAMView(l, args, api, frame);
                 }) {
    setWindowTitle(kHostTitle);
    Command("about")->setText(QString("&About ") + kHostTitle);
    chooser_ = [this](const config::FileDialogRequest& request) {
        return config::ConfigFileCommands::ShowQtFileDialog(this, request);
    };

    // One device: no target to choose for a download, no other device to pair with, and the
    // host owns the device's tag and address.
    for (const char* name : {"download", "companion", "tagAddress"}) Command(name)->setVisible(false);

    // Reading works from the host's database while the device is away; Reopen opens the named
    // device again after it was closed.
    QAction* read = Command("readConfig");
    disconnect(read, &QAction::triggered, nullptr, nullptr);
    connect(read, &QAction::triggered, this, [this] {
        QamView()->Commands().ReadConfiguration();
        RefreshStatusBar();
    });
    QAction* reopen = Command("reopen");
    disconnect(reopen, &QAction::triggered, nullptr, nullptr);
    connect(reopen, &QAction::triggered, this, [this] {
        if (View()->Controller().CurrentSlot() > 0)
            View()->Controller().ReopenDevice();
        else
            QamView()->OpenNamedDevice();
        RefreshStatusBar();
    });

    auto* tools = qobject_cast<QMenu*>(read->parent());
    QAction* loadFile = AddCommand(tools, "loadFileDownload", "&Load File and Download...");
    tools->insertAction(Command("download"), loadFile);
    connect(loadFile, &QAction::triggered, this, [this] {
        QamView()->Commands().LoadFileAndDownload(chooser_);
        RefreshStatusBar();
    });

    QMenu* database = new QMenu("Data&base", this);
    menuBar()->insertMenu(menuBar()->actions().back(), database);
    connect(AddCommand(database, "saveDatabase", "&Save to Database..."), &QAction::triggered, this, [this] {
        QamView()->Commands().SaveToDatabase();
        RefreshStatusBar();
    });
    connect(AddCommand(database, "loadDatabase", "&Load from Database and Download..."), &QAction::triggered, this,
            [this] {
                QamView()->Commands().LoadFromDatabaseAndDownload();
                RefreshStatusBar();
            });
    connect(AddCommand(database, "deleteDatabase", "&Delete from Database..."), &QAction::triggered, this, [this] {
        QamView()->Commands().DeleteFromDatabase();
        RefreshStatusBar();
    });
    RefreshStatusBar();
}

CTessaroQAMView* CQamMainFrame::QamView() const { return static_cast<CTessaroQAMView*>(View()); }

void CQamMainFrame::UpdateCommands() {
    CMainFrame::UpdateCommands();
    const bool busy = View()->Controller().IsBusy();
    Command("readConfig")->setEnabled(!busy);
    Command("reopen")->setEnabled(!busy);
    for (const char* name : {"saveDatabase", "loadDatabase", "deleteDatabase", "loadFileDownload"})
        if (QAction* action = Command(name)) action->setEnabled(!busy);
}
