#include "app/CTessaroView.h"

#include "calibration/CalibrationSession.h"
#include "calibration/ui/CCalibrationSheet.h"
#include "calibration/ui/CSetupWizard.h"
#include "config/CConfigData.h"
#include "diagnostics/ui/CDiagnosticsDialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/CFailSafeStatusDialog.h"
#include "app/CTagAddressDialog.h"
#include "app/BackgroundWork.h"
#include "app/CTravelBar.h"
#include "app/DeviceIcons.h"
#include "fieldbus/FieldbusMessages.h"
#include "fieldbus/OperationState.h"
#include "trend/TrendRecorder.h"
#include "trend/ui/CTrendDlg.h"

namespace {
constexpr int kItemRole = Qt::UserRole + 1;

// What the icons mean, on the tree's header.
const char* kIconLegend =
    "Device icons:\n"
    "  round: positioner\n"
    "  square: link-master capable positioner (basic device)\n"
    "  square with a bar: positioner configured as link master\n"
    "  grey: not a positioner of this program\n"
    "  filled: present on the link; hollow and struck through: not answering";

// Background of a mode cell by what the mode means for the valve.
QString ModeStyle(uint8_t mode) {
    if (mode & fieldbus::kModeOos) return "background:#f4c7c3; border-radius:3px; padding:1px 4px;";
    if (mode & (fieldbus::kModeMan | fieldbus::kModeIman | fieldbus::kModeLo))
        return "background:#fce8b2; border-radius:3px; padding:1px 4px;";
    if (mode & (fieldbus::kModeAuto | fieldbus::kModeCas | fieldbus::kModeRcas | fieldbus::kModeRout))
        return "background:#c8e6c9; border-radius:3px; padding:1px 4px;";
    return "padding:1px 4px;";
}

// A style sheet is applied again only when it changed: applying one restyles the widget even
// when it is the same, and the live values arrive every second.
void SetStyleIfChanged(QWidget* widget, const QString& style) {
    if (widget->styleSheet() != style) widget->setStyleSheet(style);
}

// Holds a label whose text changes with every new value without asking the page's layout
// again each time: the holder has the height of `lines` lines and gives the label all of
// itself. The text's own length no longer moves the widgets around it.
class SteadyLabelHolder : public QWidget {
public:
    SteadyLabelHolder(QLabel* label, int lines, const QString& widestLine, QWidget* parent)
        : QWidget(parent), label_(label) {
        label_->setParent(this);
        const QFontMetrics metrics = label_->fontMetrics();
        hint_ = QSize(metrics.horizontalAdvance(widestLine) + 8, lines * metrics.lineSpacing() + 4);
        setMinimumWidth(hint_.width());
        setFixedHeight(hint_.height());
    }
    QSize sizeHint() const override { return hint_; }
    QSize minimumSizeHint() const override { return hint_; }

protected:
    void resizeEvent(QResizeEvent*) override { label_->setGeometry(rect()); }

private:
    QLabel* label_;
    QSize hint_;
};

// A value with its unit ("45.20 %"); the unit is the device's own text.
QString WithUnit(const char* format, float value, const std::string& unit) {
    QString text = QString::asprintf(format, value);
    if (!unit.empty()) text += " " + QString::fromLatin1(unit.c_str());
    return text;
}
}  // namespace

CTessaroView::CTessaroView(fieldbus::FieldbusLink& link, QWidget* parent)
    : QWidget(parent), link_(link), controller_(link, *this), trendWindows_(link), queryWindows_(link) {
    handle_ = platform::MessageDispatcher::Instance().Register(this);

    auto* layout = new QHBoxLayout(this);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(splitter);

    tree_ = new QTreeWidget(splitter);
    tree_->setHeaderLabel("Devices");
    tree_->headerItem()->setToolTip(0, kIconLegend);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->setMinimumWidth(220);

    auto* right = new QWidget(splitter);
    auto* rightLayout = new QVBoxLayout(right);
    deviceLabel_ = new QLabel("OFFLINE", right);
    deviceLabel_->setObjectName("deviceLabel");
    QFont bold = deviceLabel_->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 2);
    deviceLabel_->setFont(bold);
    identityLabel_ = new QLabel(right);
    identityLabel_->setObjectName("identityLabel");
    identityLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    travelBar_ = new CTravelBar(right);
    companionLabel_ = new QLabel(right);
    companionLabel_->setObjectName("companionLabel");
    companionValues_ = new QLabel(right);
    companionValues_->setObjectName("companionValues");
    stateLabel_ = new QLabel(right);
    stateLabel_->setObjectName("stateLabel");
    QFont stateFont = stateLabel_->font();
    stateFont.setBold(true);
    stateLabel_->setFont(stateFont);
    notNormalLabel_ = new QLabel(right);
    notNormalLabel_->setObjectName("notNormalLabel");
    notNormalLabel_->setWordWrap(true);
    notNormalLabel_->setStyleSheet("color: #b45309; font-weight: bold;");
    valuesLabel_ = new QLabel(right);
    valuesLabel_->setObjectName("valuesLabel");
    valuesLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* modes = new QGroupBox("Block modes (actual)", right);
    auto* modeGrid = new QGridLayout(modes);
    for (int i = 0; i < app::kShownBlockCount; ++i) {
        modeGrid->addWidget(new QLabel(QString(app::kShownBlockNames[i]) + ":", modes), i / 4, (i % 4) * 2);
        modeLabels_[i] = new QLabel("-", modes);
        modeLabels_[i]->setObjectName(QString("mode") + app::kShownBlockNames[i]);
        modeLabels_[i]->setMinimumWidth(90);
        modeGrid->addWidget(modeLabels_[i], i / 4, (i % 4) * 2 + 1);
    }
    aoSched_ = new QLabel(right);
    aoSched_->setObjectName("aoSchedLabel");
    pidSched_ = new QLabel(right);
    pidSched_->setObjectName("pidSchedLabel");
    busy_ = new QLabel(right);
    busy_->setObjectName("busyLabel");
    messages_ = new QPlainTextEdit(right);
    messages_->setObjectName("messageBox");
    messages_->setReadOnly(true);
    rightLayout->addWidget(deviceLabel_);
    rightLayout->addWidget(identityLabel_);
    rightLayout->addWidget(stateLabel_);
    rightLayout->addWidget(notNormalLabel_);
    rightLayout->addWidget(modes);
    rightLayout->addWidget(travelBar_);
    rightLayout->addWidget(new SteadyLabelHolder(
        valuesLabel_, 3, "Actuator Pressure -9999.99 kPa    Servo Output -999.99 %    Temperature -999.9 degF", right));
    rightLayout->addWidget(companionLabel_);
    rightLayout->addWidget(companionValues_);
    auto* sched = new QHBoxLayout;
    sched->addWidget(aoSched_);
    sched->addWidget(pidSched_);
    sched->addStretch(1);
    rightLayout->addLayout(sched);
    rightLayout->addWidget(busy_);
    rightLayout->addStretch(1);
    rightLayout->addWidget(new QLabel("Communication messages:", right));
    rightLayout->addWidget(messages_, 1);
    splitter->setStretchFactor(1, 1);

    connect(tree_, &QTreeWidget::currentItemChanged, this, &CTessaroView::OnCurrentItemChanged);
    connect(tree_, &QWidget::customContextMenuRequested, this, &CTessaroView::OnTreeContextMenu);
    connect(this, &CTessaroView::QueryDeviceRequested, this, &CTessaroView::OpenQueryWindow);

    closeTimer_ = new QTimer(this);
    closeTimer_->setInterval(300);
    connect(closeTimer_, &QTimer::timeout, this, [this] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w != window()) return;
        window()->close();
    });
    // Values that stop arriving are marked stale; the timer runs while a device's values are
    // shown (ShowDeviceDisplay).
    ageTimer_ = new QTimer(this);
    ageTimer_->setInterval(1000);
    connect(ageTimer_, &QTimer::timeout, this, [this] { controller_.CheckValuesAge(); });
    offlineTimer_ = new QTimer(this);
    offlineTimer_->setInterval(3000);
    connect(offlineTimer_, &QTimer::timeout, this, [this] { controller_.OnOfflineTimerTick(); });
    ShowDeviceTree({}, 0);
    ShowDeviceDisplay(app::DeviceDisplay{}, false);
}

CTessaroView::~CTessaroView() { platform::MessageDispatcher::Instance().Unregister(handle_); }

void CTessaroView::InitialUpdate() {
    if (initialised_) return;
    initialised_ = true;
    controller_.OnInitialUpdate(handle_);
}

int CTessaroView::ItemNumber(QTreeWidgetItem* item) const { return item ? item->data(0, kItemRole).toInt() : 0; }

void CTessaroView::Decorate(QTreeWidgetItem* item, const app::DeviceTreeItem& entry) {
    item->setIcon(0, DeviceIcon(entry.kind, entry.present));
    item->setToolTip(0, QString("%1: %2, address 0x%3, %4")
                            .arg(entry.tag.empty() ? QString("(no tag)") : QString::fromStdString(entry.tag))
                            .arg(app::DeviceKindText(entry.kind))
                            .arg(entry.address, 2, 16, QChar('0'))
                            .arg(entry.present ? "present" : "not answering"));
}

void CTessaroView::RefreshTreeIcons(const std::vector<app::DeviceTreeItem>& items) {
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = tree_->topLevelItem(i);
        for (const auto& entry : items)
            if (entry.item == ItemNumber(item) && item->text(0) == QString::fromStdString(entry.tag))
                Decorate(item, entry);
    }
}

void CTessaroView::ShowDeviceTree(const std::vector<app::DeviceTreeItem>& items, int selectItem) {
    reverting_ = true;
    tree_->clear();
    auto* offline = new QTreeWidgetItem(tree_, QStringList("OFFLINE"));
    offline->setData(0, kItemRole, 0);
    offline->setIcon(0, OfflineIcon());
    offline->setToolTip(0, "Work without a device, on configuration files");
    QTreeWidgetItem* selected = offline;
    for (const auto& entry : items) {
        auto* item = new QTreeWidgetItem(tree_, QStringList(QString::fromStdString(entry.tag)));
        item->setData(0, kItemRole, entry.item);
        Decorate(item, entry);
        if (entry.item == selectItem) selected = item;
    }
    tree_->setCurrentItem(selected);
    reverting_ = false;
}

void CTessaroView::SelectTreeItem(int item) {
    reverting_ = true;
    for (int i = 0; i < tree_->topLevelItemCount(); ++i)
        if (ItemNumber(tree_->topLevelItem(i)) == item) tree_->setCurrentItem(tree_->topLevelItem(i));
    reverting_ = false;
}

void CTessaroView::OnCurrentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    if (reverting_ || !current) return;
    const int item = ItemNumber(current);
    if (!controller_.CanChangeSelection(item)) {
        // Keep the old selection; the change is undone once this signal has returned.
        const int old = ItemNumber(previous);
        QTimer::singleShot(0, this, [this, old] { SelectTreeItem(old); });
        return;
    }
    controller_.OnSelectionChanged(item);
}

void CTessaroView::OnTreeContextMenu(const QPoint& pos) {
    QTreeWidgetItem* item = tree_->itemAt(pos);
    const int number = ItemNumber(item);
    if (number <= 0) return;
    const int slot = link_.ItemDevIndexMap(number);
    QMenu menu(this);
    QAction* companion = menu.addAction("Set as &Companion Device");
    companion->setEnabled(link_.IsPresent(slot) && link_.IsPositioner(slot) && slot != controller_.CurrentSlot());
    QAction* tagAddress = menu.addAction("&Tag/Address...");
    QAction* remove = menu.addAction("&Remove Device");
    remove->setEnabled(!link_.IsPresent(slot));
    QAction* chosen = menu.exec(tree_->viewport()->mapToGlobal(pos));
    if (chosen == companion) controller_.MakeCompanion(slot);
    if (chosen == tagAddress) controller_.ChangeTagAddress(slot);
    if (chosen == remove) controller_.RemoveDevice(slot);
}

void CTessaroView::SetMessageBoxText(const std::string& text) {
    messages_->setPlainText(QString::fromLatin1(text.c_str()).replace("\r\n", "\n"));
    messages_->verticalScrollBar()->setValue(messages_->verticalScrollBar()->maximum());
}

void CTessaroView::ShowBusyText(const std::string& text) {
    busy_->setText(QString::fromStdString(text));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

QString CTessaroView::StatusText() const {
    return QString("%1 Device(s) Present  |  %2 Device(s) Open")
        .arg(link_.PresentCount())
        .arg(link_.OpenedCount());
}

void CTessaroView::RefreshStatusPanes() { emit StatusChanged(); }

// A device that closed or dropped off leaves nothing of itself on the page.
void CTessaroView::DeviceOpened(int slot) {
    deviceLabel_->setText(slot > 0 ? QString::fromStdString(link_.GetTag(slot)) : QString("OFFLINE"));
    if (slot <= 0) {
        identityLabel_->clear();
        SetScheduleLabels("", "");
        ShowDeviceDisplay(app::DeviceDisplay{}, false);
    }
    emit StatusChanged();
}

void CTessaroView::DeviceClosing(int) {}

bool CTessaroView::AskTagAddress(const std::string& currentTag, const std::vector<uint8_t>& offered, bool offerCurrent,
                                 uint8_t currentAddress, std::string& newTag, bool& hasAddress, uint8_t& newAddress) {
    CTagAddressDialog dialog(QString::fromStdString(currentTag), offered, offerCurrent, currentAddress, this);
    if (dialog.exec() != QDialog::Accepted) return false;
    newTag = dialog.Tag().toStdString();
    hasAddress = dialog.Address() >= 0;
    newAddress = static_cast<uint8_t>(hasAddress ? dialog.Address() : 0);
    return true;
}

void CTessaroView::StartCloseWhenAlone() { closeTimer_->start(); }

void CTessaroView::SetScheduleLabels(const std::string& ao, const std::string& pid) {
    aoSched_->setText(QString::fromStdString(ao));
    pidSched_->setText(QString::fromStdString(pid));
}

void CTessaroView::OnMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    switch (msg) {
        case fieldbus::WM_LIVELIST_CHANGED: controller_.OnLiveListChanged(); break;
        case fieldbus::WM_DEVICE_MESSAGE: controller_.OnDeviceMessage(); break;
        case fieldbus::WM_DEVICE_NOT_OPEN: controller_.OnDeviceNotOpen(static_cast<int>(wParam)); break;
        case fieldbus::WM_SERVER_CONNECTION_LOST: controller_.OnServerConnectionLost(static_cast<int>(lParam)); break;
        case fieldbus::WM_TBVIEW3_UPDATED:
        case fieldbus::WM_AOVIEW1_UPDATED:
        case fieldbus::WM_RBVIEW1_UPDATED:
        case fieldbus::WM_PIDVIEW3_UPDATED:
        case fieldbus::WM_DI1VIEW1_UPDATED:
        case fieldbus::WM_DI2VIEW1_UPDATED:
        case fieldbus::WM_SPLTVIEW1_UPDATED: controller_.OnViewMessage(msg, static_cast<int>(wParam)); break;
        case app::WM_DEVICE_ICONS_CHANGED: controller_.OnIconsChanged(); break;
        case trend::WM_TREND_CLOSED:
            trendWindows_.Prune();
            RefreshStatusPanes();
            break;
        case trend::WM_QUERY_DEVICE: emit QueryDeviceRequested(static_cast<int>(wParam)); break;
        case calibration::WM_WIZARD_PAGE: wizardPage_ = static_cast<int>(wParam); break;
        default: break;
    }
}

void CTessaroView::CompanionOpened(int slot) {
    companionLabel_->setText(slot > 0 ? "Companion device: " + QString::fromStdString(link_.GetTag(slot)) : QString());
    if (slot <= 0) companionValues_->clear();
    emit StatusChanged();
}

bool CTessaroView::IsFailSafeDialogOpen() const { return failSafe_ && failSafe_->isVisible(); }

void CTessaroView::ShowFailSafeDialog() {
    if (!failSafe_) {
        failSafe_ = new CFailSafeStatusDialog(link_, this);
        failSafe_->setAttribute(Qt::WA_DeleteOnClose);
    }
    failSafe_->Refresh();
    failSafe_->show();
    failSafe_->raise();
    failSafe_->activateWindow();
}

void CTessaroView::SetOfflineTimer(bool running) {
    if (running)
        offlineTimer_->start();
    else
        offlineTimer_->stop();
}

void CTessaroView::ShowDeviceDisplay(const app::DeviceDisplay& display, bool companion) {
    const bool values = display.slot > 0 && display.hasValues;
    if (controller_.ShowsDevice() != ageTimer_->isActive()) {
        if (controller_.ShowsDevice())
            ageTimer_->start();
        else
            ageTimer_->stop();
    }
    if (companion) {
        companionValues_->setText(values ? "Actual Position " + WithUnit("%4.2f", display.actualPosition,
                                                                            display.positionUnit) +
                                               (display.staleSeconds > 0
                                                    ? QString("  (NOT UPDATED for %1 s)").arg(display.staleSeconds)
                                                    : QString())
                                         : QString());
        return;
    }
    const bool modesKnown = display.hasMode[static_cast<size_t>(app::ShownBlock::RB)] &&
                            display.hasMode[static_cast<size_t>(app::ShownBlock::TB)] &&
                            display.hasMode[static_cast<size_t>(app::ShownBlock::AO)];
    QString state = "OFFLINE";
    if (display.slot > 0)
        state = modesKnown ? QString::fromStdString(fieldbus::OperationStateName(display.shownState)) : QString();
    stateLabel_->setText(state);
    const std::string notNormal = display.slot > 0 ? app::BlocksOutOfNormalMode(display) : std::string();
    notNormalLabel_->setText(notNormal.empty() ? QString()
                                               : "Not in normal mode: " + QString::fromStdString(notNormal));
    identityLabel_->setText(display.slot > 0 ? QString::fromStdString(display.identity) : QString());
    for (int i = 0; i < app::kShownBlockCount; ++i) {
        const bool has = display.slot > 0 && display.hasMode[static_cast<size_t>(i)];
        const uint8_t mode = display.actualMode[static_cast<size_t>(i)];
        modeLabels_[i]->setText(has ? QString::fromStdString(app::ModeText(mode)) : QString("-"));
        SetStyleIfChanged(modeLabels_[i], has ? ModeStyle(mode) : QString());
    }
    travelBar_->SetValues(values, display.actualPosition, display.setPoint);
    // Stale values stay readable but greyed, under a line that says how old they are.
    const bool stale = values && display.staleSeconds > 0;
    SetStyleIfChanged(valuesLabel_, stale ? "color: #808080;" : QString());
    valuesLabel_->setText((stale ? QString("NOT UPDATED for %1 s: the device or the server does not answer\n")
                                       .arg(display.staleSeconds)
                                 : QString()) +
                          (values ? "Actual Position " + WithUnit("%4.2f", display.actualPosition, display.positionUnit) +
                                       "    Setpoint " + WithUnit("%4.2f", display.setPoint, display.positionUnit) +
                                       "\nActuator Pressure " +
                                       WithUnit("%4.2f", display.outPressure, display.pressureUnit) +
                                       "    Servo Output " + WithUnit("%4.2f", display.servoOutput, "%") +
                                       "    Temperature " +
                                       WithUnit("%4.1f", display.electTemp, display.temperatureUnit)
                                 : QString()));
    emit ValuesChanged();
}

void CTessaroView::OpenTrendWindow() {
    const int slot = controller_.CurrentSlot();
    const app::DeviceDisplay& display = controller_.Display();
    if (trendWindows_.Open(slot, handle_, this, display.slot == slot ? display.pressureUnit : std::string()))
        RefreshStatusPanes();
}

void CTessaroView::OpenQueryWindow(int slot) {
    if (queryWindows_.Open(slot, this, [this] { RefreshStatusPanes(); })) RefreshStatusPanes();
}

void CTessaroView::CloseDeviceWindows(int slot) {
    trendWindows_.CloseFor(slot);
    queryWindows_.CloseFor(slot);
    RefreshStatusPanes();
}

namespace {

// The main view as the calibration command sees it.
class CalibrationHostOfView : public calibration::CalibrationHost {
public:
    CalibrationHostOfView(CTessaroView& view, app::ViewController& controller, fieldbus::DeviceAccess* device)
        : view_(view), controller_(controller), device_(device) {}
    int OpenTrendWindowCount() const override { return view_.OpenTrendWindowCount(); }
    void StopPolling() override { controller_.PauseDeviceThreads(); }
    void StartPolling() override { controller_.ResumeDeviceThreads(); }
    void RunSheet(const std::string& title) override {
        if (!device_) return;
        const bool partner = config::CurrentConfig().identity.makerEdition == 0;
        calibration::CCalibrationSheet sheet(*device_, calibration::ReadExtendedServo(*device_),
                                             QString::fromStdString(title), partner, &view_);
        sheet.exec();
    }

private:
    CTessaroView& view_;
    app::ViewController& controller_;
    fieldbus::DeviceAccess* device_;
};

}  // namespace

bool CTessaroView::CanUseDeviceTools() {
    const int slot = controller_.CurrentSlot();
    return slot > 0 && link_.Device(slot).IsOpen() && !controller_.IsBusy();
}

void CTessaroView::OnCalibrate() {
    if (!CanUseDeviceTools()) return;
    const int slot = controller_.CurrentSlot();
    // The sheet falls back on the record's servo values and keeps what it applies there.
    if (!controller_.RecordBelongsTo(slot)) return;
    fieldbus::FieldbusDevice& device = link_.Device(slot);
    CalibrationHostOfView host(*this, controller_, &device);
    calibration::RunCalibrationCommand(&device, link_.GetTag(slot), controller_.ShownState(), host);
    emit StatusChanged();
}

namespace {

// The main view as the setup wizard sees it.
class WizardHostOfView : public calibration::WizardHost {
public:
    WizardHostOfView(CTessaroView& view, app::ViewController& controller) : view_(view), controller_(controller) {}
    int OpenTrendWindowCount() const override { return view_.OpenTrendWindowCount(); }
    void StopPolling() override { controller_.PauseDeviceThreads(); }
    void StartPolling() override { controller_.ResumeDeviceThreads(); }

private:
    CTessaroView& view_;
    app::ViewController& controller_;
};

}  // namespace

void CTessaroView::OnSetupWizard() {
    if (controller_.IsBusy()) return;
    const int slot = controller_.CurrentSlot();
    fieldbus::FieldbusDevice* device = slot > 0 && link_.Device(slot).IsOpen() ? &link_.Device(slot) : nullptr;
    // The wizard's pages start from the record's values and write what differs from them.
    if (device != nullptr && !controller_.RecordBelongsTo(slot)) return;
    WizardHostOfView host(*this, controller_);
    {
        // The view takes no other device command while the wizard runs; its bus work runs off
        // this thread while the windows keep serving their events.
        app::BusyScope busy(controller_);
        calibration::RunSetupWizardCommand(
            device, slot > 0 ? link_.GetTag(slot) : std::string(), controller_.ShownState(), host,
            [this](calibration::SetupWizard& wizard) {
                calibration::CSetupWizard window(wizard, this);
                return window.exec() == QDialog::Accepted;
            },
            handle_, [](const calibration::WizardBusWork& work) { return app::RunWhilePumping(work); });
    }
    wizardPage_ = -1;
    emit StatusChanged();
}

void CTessaroView::OnDiagnostics() {
    if (!CanUseDeviceTools()) return;
    const int slot = controller_.CurrentSlot();
    diagnostics::CDiagnosticsDialog dialog(link_.Device(slot), QString::fromStdString("Diagnostics (" + link_.GetTag(slot) + ")"),
                                           this, link_.GetTag(slot));
    dialog.exec();
    emit StatusChanged();
}
