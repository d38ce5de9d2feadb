#include "app/CMainFrame.h"

#include <QCloseEvent>
#include <algorithm>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "app/BackgroundWork.h"
#include "app/CHelpWindow.h"
#include "app/CTessaroView.h"
#include "app/DeviceData.h"
#include "controller/ui/CPidControllerDlg.h"
#include "config/ui/CConfigSheet.h"
#include "firmware/ui/FirmwareMenu.h"
#include "graphs/ui/CSignatureGraphDlg.h"
#include "fieldbus/OperationState.h"
#include "config/CConfigData.h"
#include "config/ConfigFile.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/Ui.h"
#include "platform/ui/WindowPlacement.h"

CMainFrame::CMainFrame(fieldbus::FieldbusLink& link, QWidget* parent, const ViewFactory& makeView)
    : QMainWindow(parent), link_(link), recentFiles_(platform::Registry::Instance()) {
    setWindowTitle("Tessaro");
    resize(1000, 680);
    view_ = makeView ? makeView(link, this) : new CTessaroView(link, this);
    setCentralWidget(view_);

    fileMenu_ = menuBar()->addMenu("&File");
    connect(AddCommand(fileMenu_, "fileOpen", "&Open..."), &QAction::triggered, this,
            [this] { FileCommandDone(configFiles_.OnFileOpen(this)); });
    connect(AddCommand(fileMenu_, "fileSave", "&Save"), &QAction::triggered, this,
            [this] { FileCommandDone(SaveCommand(false)); });
    connect(AddCommand(fileMenu_, "fileSaveAs", "Save &As..."), &QAction::triggered, this,
            [this] { FileCommandDone(SaveCommand(true)); });
    fileMenu_->addSeparator();
    connect(AddCommand(fileMenu_, "report", "Configuration &Report..."), &QAction::triggered, this,
            [this] { reports_.OnReport(this); });
    connect(AddCommand(fileMenu_, "reportPdf", "Export Report as &PDF..."), &QAction::triggered, this,
            [this] { reports_.Generate(report::ReportKind::Pdf); });
    connect(AddCommand(fileMenu_, "signatureGraph", "Open Signature &Graph..."), &QAction::triggered, this,
            &CMainFrame::OnSignatureGraph);
    recentSeparator_ = fileMenu_->addSeparator();
    connect(AddCommand(fileMenu_, "exit", "E&xit"), &QAction::triggered, this, &QWidget::close);
    recentFiles_.Load();
    RebuildRecentFiles();

    QMenu* device = menuBar()->addMenu("&Device");
    connect(AddCommand(device, "reopen", "&Reopen Device"), &QAction::triggered, this,
            [this] { view_->Controller().ReopenDevice(); });
    connect(AddCommand(device, "rescan", "Rescan &Link"), &QAction::triggered, this,
            [this] { view_->Controller().RescanLink(); });
    connect(AddCommand(device, "tagAddress", "&Tag/Address..."), &QAction::triggered, this, [this] {
        if (view_->Controller().CurrentSlot() > 0) view_->Controller().ChangeTagAddress(view_->Controller().CurrentSlot());
    });
    connect(AddCommand(device, "companion", "Select &Companion Device..."), &QAction::triggered, this,
            [this] { view_->Controller().SelectCompanion(); });
    device->addSeparator();
    QMenu* state = device->addMenu("Operation &State");
    connect(AddCommand(state, "stateNormal", "&Normal State"), &QAction::triggered, this,
            [this] { view_->Controller().SetOperationStateCommand(fieldbus::kNormalState); });
    connect(AddCommand(state, "stateManual", "&Manual State"), &QAction::triggered, this,
            [this] { view_->Controller().SetOperationStateCommand(fieldbus::kManualState); });
    connect(AddCommand(state, "stateOos", "&Out of Service"), &QAction::triggered, this,
            [this] { view_->Controller().SetOperationStateCommand(fieldbus::kOutOfService); });
    state->addSeparator();
    connect(AddCommand(state, "stateShow", "&Show Operation State"), &QAction::triggered, this,
            [this] { view_->Controller().ShowOperationState(); });
    device->addSeparator();
    connect(AddCommand(device, "linkMaster", "Set as Link &Master"), &QAction::triggered, this,
            [this] { view_->Controller().LinkMasterCommand(); });
    connect(AddCommand(device, "reboot", "Re&boot Device"), &QAction::triggered, this,
            [this] { view_->Controller().RebootCommand(); });
    QAction* failSafe = AddCommand(device, "failSafe", "&Fail Safe Status...");
    failSafe->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    failSafe->setShortcutContext(Qt::ApplicationShortcut);
    connect(failSafe, &QAction::triggered, this, [this] {
        if (view_->Controller().CurrentSlot() <= 0 && !view_->Controller().IsBusy()) view_->ShowFailSafeDialog();
    });

    QMenu* tools = menuBar()->addMenu("&Tools");
    connect(AddCommand(tools, "configure", "&Configure..."), &QAction::triggered, this, &CMainFrame::OnConfigure);
    connect(AddCommand(tools, "readConfig", "&Read Configuration"), &QAction::triggered, this, [this] {
        view_->Controller().ReadConfigurationCommand();
        RefreshStatusBar();
    });
    connect(AddCommand(tools, "download", "&Download Configuration..."), &QAction::triggered, this, [this] {
        view_->Controller().DownloadConfigurationCommand();
        RefreshStatusBar();
    });
    connect(AddCommand(tools, "calibrate", "C&alibrate...", false), &QAction::triggered, this,
            [this] { view_->OnCalibrate(); });
    connect(AddCommand(tools, "setupWizard", "Setup &Wizard..."), &QAction::triggered, this, [this] {
        view_->OnSetupWizard();
        RefreshStatusBar();
    });
    connect(AddCommand(tools, "diagnostics", "&Diagnostics...", false), &QAction::triggered, this,
            [this] { view_->OnDiagnostics(); });
    connect(AddCommand(tools, "trend", "&Trend..."), &QAction::triggered, this, [this] { view_->OpenTrendWindow(); });
    connect(AddCommand(tools, "query", "&Query Device..."), &QAction::triggered, this,
            [this] { view_->OpenQueryWindow(view_->Controller().CurrentSlot()); });
    connect(AddCommand(tools, "pidController", "&PID Process Controller..."), &QAction::triggered, this,
            &CMainFrame::OnPidController);
    connect(AddCommand(tools, "firmware", "&Firmware Download...", false), &QAction::triggered, this,
            [this] { OnFirmware(false); });
    connect(AddCommand(tools, "firmwareActivate", "&Activate Firmware...", false), &QAction::triggered, this,
            [this] { OnFirmware(true); });

    QMenu* help = menuBar()->addMenu("&Help");
    connect(AddCommand(help, "help", "&Help Topics"), &QAction::triggered, this, &CMainFrame::OnHelp);
    connect(AddCommand(help, "about", "&About Tessaro"), &QAction::triggered, this, &CMainFrame::OnAbout);

    QToolBar* bar = addToolBar("Standard");
    bar->setObjectName("mainToolBar");
    for (const char* name : {"fileOpen", "fileSave", "rescan", "reopen", "readConfig", "configure", "calibrate",
                             "diagnostics", "trend", "query", "report", "help"})
        bar->addAction(Command(name));
    // Wide enough for the whole toolbar, within the screen.
    constexpr int kFrameAllowance = 40;
    resize(std::max(width(), bar->sizeHint().width() + kFrameAllowance), height());
    platform::PlaceOnScreen(this);

    presentPane_ = new QLabel(this);
    presentPane_->setObjectName("presentPane");
    openPane_ = new QLabel(this);
    openPane_->setObjectName("openPane");
    trendPane_ = new QLabel(this);
    queryPane_ = new QLabel(this);
    queryPane_->setObjectName("queryPane");
    segmentPane_ = new QLabel(this);
    positionPane_ = new QLabel(this);
    // The pane changes with every new value: a fixed size keeps the status bar from being
    // laid out again each time.
    positionPane_->setFixedSize(positionPane_->fontMetrics().horizontalAdvance("Actual Position -9999.99 degF") + 8,
                                positionPane_->sizeHint().height());
    for (QLabel* pane : {positionPane_, segmentPane_, presentPane_, openPane_, trendPane_, queryPane_})
        statusBar()->addPermanentWidget(pane);
    connect(view_, &CTessaroView::StatusChanged, this, &CMainFrame::RefreshStatusBar);
    connect(view_, &CTessaroView::ValuesChanged, this, &CMainFrame::RefreshPositionPane);
    reports_.SetDevice([this]() -> fieldbus::DeviceAccess* {
        const int slot = view_->Controller().CurrentSlot();
        return slot > 0 && link_.Device(slot).IsOpen() ? &link_.Device(slot) : nullptr;
    });
    reports_.SetBusRunner([](const config::BusWork& work) { return app::RunWhilePumping(work); });
    RefreshStatusBar();
}

int CMainFrame::SaveCommand(bool saveAs) {
    configFiles_.SetDiagnosticsSource(view_->Controller().DiagnosticsSource());
    const int result = saveAs ? configFiles_.OnFileSaveAs(this) : configFiles_.OnFileSave(this);
    configFiles_.SetDiagnosticsSource(nullptr);
    if (result == 0)
        view_->Controller().LogDeviceLine(config::CurrentConfig().general.pdTag,
                                          "Configuration saved to " + configFiles_.SavedPath() + ".");
    return result;
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::OnFirmware(bool activate) {
    const int slot = view_->Controller().CurrentSlot();
    if (slot <= 0) return;
    // The view and the menus rest while the device is being written.
    const QList<QWidget*> busy{view_, menuBar()};
    if (activate)
        firmware::RunFirmwareActivate(busy, link_.Device(slot));
    else
        firmware::RunFirmwareDownload(this, busy, link_.Device(slot), slot);
}

void CMainFrame::OnPidController() {
    app::ViewController& view = view_->Controller();
    if (view.IsBusy()) return;
    if (view_->OpenTrendWindowCount() > 0) {
        platform::ShowMessage("Please close all the trend windows before launch the PID Process Controller.");
        return;
    }
    const int slot = view.CurrentSlot();
    fieldbus::FieldbusDevice* device = slot > 0 && link_.Device(slot).IsOpen() ? &link_.Device(slot) : nullptr;
    controller::ControllerOptions options;
    options.tag = slot > 0 ? link_.GetTag(slot) : std::string();
    options.pvRangeLow = config::CurrentConfig().pid.pvRangeLow;
    options.pvRangeHigh = config::CurrentConfig().pid.pvRangeHigh;
    if (device)
        options.readPidSchedule = [device](bool& unscheduled) {
            const app::ScheduleRead pid = app::ReadSchedule(*device, app::kPidStartIndex);
            unscheduled = pid.entry != 0 && pid.startOffset == 0xFFFFFFFFu;
            return pid.read ? 0 : 1;
        };
    options.runBus = [](const controller::BusWork& work) { return app::RunWhilePumping(work); };
    {
        // The dialog's readers report to it meanwhile; the view's own start again afterwards.
        controller::CPidControllerDlg dialog(device, std::move(options), this);
        dialog.exec();
    }
    view.ResumeDeviceThreads();
}

void CMainFrame::OnConfigure() {
    view_->Controller().ConfigureCommand([this](const config::SheetTarget& target) {
        config::CConfigSheet sheet(config::CurrentConfig(), target, this);
        sheet.exec();
        return sheet.Outcome();
    });
    RefreshStatusBar();
}

void CMainFrame::OnSignatureGraph() {
    // One signature graph window, modeless; the command opens it and asks for a file.
    if (!signatureGraph_) {
        signatureGraph_ = new graphs::CSignatureGraphDlg(this);
        signatureGraph_->setAttribute(Qt::WA_DeleteOnClose);
    }
    signatureGraph_->show();
    signatureGraph_->raise();
    signatureGraph_->Model().LoadCommand();
}

QAction* CMainFrame::AddCommand(QMenu* menu, const QString& name, const QString& text, bool enabled) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    action->setEnabled(enabled);
    commands_[name] = action;
    return action;
}

QAction* CMainFrame::Command(const QString& name) const {
    auto it = commands_.find(name);
    return it == commands_.end() ? nullptr : it->second;
}

void CMainFrame::RefreshStatusBar() {
    const QString segment = QString::fromStdString(link_.InterfaceName());
    segmentPane_->setText("Link Segment: " + (link_.IsLinkOpen() && !segment.isEmpty() ? segment : QString("None")));
    presentPane_->setText(QString::asprintf("%1d Device(s) Present", link_.PresentCount()));
    openPane_->setText(QString::asprintf("%1d Device(s) Open", link_.OpenedCount()));
    trendPane_->setText(QString::asprintf("%1d Trend Window(s) Open", view_->OpenTrendWindowCount()));
    queryPane_->setText(QString::asprintf("%1d Query Window(s) Open", view_->Queries().Count()));
    RefreshPositionPane();
    UpdateCommands();
}

void CMainFrame::RefreshPositionPane() {
    const app::DeviceDisplay& display = view_->Controller().Display();
    positionPane_->setText(display.slot > 0 && display.hasValues
                               ? QString::asprintf("Actual Position %4.2f", display.actualPosition) +
                                     (display.positionUnit.empty()
                                          ? QString()
                                          : " " + QString::fromLatin1(display.positionUnit.c_str()))
                               : QString());
}

void CMainFrame::UpdateCommands() {
    const bool current = view_->Controller().CurrentSlot() > 0;
    Command("reopen")->setEnabled(current);
    Command("readConfig")->setEnabled(current && !view_->Controller().IsBusy());
    // With a device the sheet writes to it; without one it edits the configuration alone.
    Command("configure")->setEnabled(!view_->Controller().IsBusy());
    // A download chooses its target from the list: offered while no device is open.
    Command("download")->setEnabled(!current && link_.IsLinkOpen() && !view_->Controller().IsBusy());
    Command("tagAddress")->setEnabled(current);
    Command("companion")->setEnabled(current);
    for (const char* name : {"stateNormal", "stateManual", "stateOos", "stateShow", "reboot"})
        Command(name)->setEnabled(current);
    Command("linkMaster")->setText(QString::fromStdString(view_->Controller().LinkMasterCommandText()));
    Command("linkMaster")->setEnabled(view_->Controller().LinkMasterCommandEnabled());
    const bool open = current && link_.Device(view_->Controller().CurrentSlot()).IsOpen();
    Command("firmware")->setEnabled(open);
    Command("firmwareActivate")->setEnabled(open);
    // The fail-safe status dialog opens only without a current device.
    Command("failSafe")->setEnabled(!current);
    const bool tools = view_->CanUseDeviceTools();
    Command("calibrate")->setEnabled(tools);
    Command("diagnostics")->setEnabled(tools);
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // Once the window is on screen: the offline default configuration, then the link scan.
    QTimer::singleShot(0, this, [this] {
        configFiles_.LoadOfflineDefault(this);
        view_->InitialUpdate();
    });
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // While the view waits for the bus (opening, a restart, an address change) the window
    // stays; every such wait has its limit.
    if (view_->Controller().IsBusy()) {
        event->ignore();
        return;
    }
    // A trend window whose user keeps it (unsaved recording) keeps the program running.
    if (!view_->Trends().CloseAll()) {
        event->ignore();
        return;
    }
    view_->Queries().CloseAll();
    // Stop the threads of the open devices, close them and the link (bounded, even with a
    // server that stopped answering).
    view_->Controller().CloseCurrentDevices();
    view_->Controller().Shutdown();
    link_.CloseLink();
    QMainWindow::closeEvent(event);
}

void CMainFrame::FileCommandDone(int result) {
    if (result != 0) return;
    recentFiles_.Add(config::CurrentConfig().lastFilePath);
    RebuildRecentFiles();
}

void CMainFrame::OpenRecentFile(const std::string& path) {
    if (config::ReadConfigurationFile(config::CurrentConfig(), path) != 0) {
        recentFiles_.Remove(path);  // gone or damaged: it leaves the list
    } else {
        config::RememberChosenFile(config::CurrentConfig(), path);
        recentFiles_.Add(path);
    }
    RebuildRecentFiles();
}

void CMainFrame::RebuildRecentFiles() {
    for (QAction* action : recentActions_) fileMenu_->removeAction(action), action->deleteLater();
    recentActions_.clear();
    QAction* before = recentSeparator_;
    int number = 1;
    for (const std::string& path : recentFiles_.Items()) {
        auto* action = new QAction(QString("&%1 %2").arg(number++).arg(QString::fromStdString(path)), fileMenu_);
        connect(action, &QAction::triggered, this, [this, path] { OpenRecentFile(path); });
        fileMenu_->insertAction(before, action);
        recentActions_.push_back(action);
    }
    if (!recentActions_.empty()) {
        auto* separator = new QAction(fileMenu_);
        separator->setSeparator(true);
        fileMenu_->insertAction(recentActions_.front(), separator);
        recentActions_.insert(recentActions_.begin(), separator);
    }
}

void CMainFrame::OnAbout() {
    QMessageBox::about(this, "About " + windowTitle(),
                       "Tessaro Version 1.0\n\nCommissioning, configuration, calibration and diagnostics of digital "
                       "valve positioners on a Foundation Fieldbus H1 segment.");
}

void CMainFrame::OnHelp() {
    const std::string index = platform::JoinPath(platform::ProgramDirectory(), "WebHelp/index.html");
    if (!QFileInfo::exists(QString::fromStdString(index))) {
        platform::ShowMessage(platform::Format("Unable to locate the file %s", index.c_str()));
        return;
    }
    // Without a web browser the pages open in the program's own help window.
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(index)))) return;
    ShowHelpWindow(QString::fromStdString(index));
}

void CMainFrame::ShowHelpWindow(const QString& index) {
    if (!help_) {
        help_ = new CHelpWindow(index, this);
        help_->setAttribute(Qt::WA_DeleteOnClose);
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}
