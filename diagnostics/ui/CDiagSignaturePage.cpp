#include "diagnostics/ui/CDiagSignaturePage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <future>

#include "diagnostics/SelfCheck.h"
#include "diagnostics/SignatureKind.h"
#include "diagnostics/ui/CSignatureProgressDlg.h"
#include "diagnostics/ui/CSignatureSettingSheet.h"
#include "graphs/ui/CSignatureGraph.h"
#include "graphs/ui/CSignatureGraphDlg.h"
#include "platform/Ui.h"
#include "platform/ui/WindowPlacement.h"

namespace diagnostics {

namespace {

// Bus work on a helper thread while this thread keeps serving events.
int RunOffThread(const config::BusWork& work) {
    auto done = std::async(std::launch::async, work);
    while (done.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) platform::GetUi().PumpMessages();
    return done.get();
}

// The step set points' range: the device's FINAL_VALUE_RANGE, else -10 to 110.
void SetPointRange(fieldbus::DeviceAccess* device, const config::BusRunner& runner, float& low, float& high) {
    low = -10.0f;
    high = 110.0f;
    if (!device) return;
    fieldbus::ScalingRecord range;
    if (config::OrInPlace(runner)([&] { return device->ReadTbFinalValueRange(range); }) != 0) return;
    low = std::min(range.eu0, range.eu100);
    high = std::max(range.eu0, range.eu100);
}

const char* const kBoxTexts[kMeasuredKindCount] = {"Standard Actuator Signature", "Extended Actuator Signature",
                                                   "High Resolution", "Step Response Test", "Positioner Signature"};

}  // namespace

CDiagSignaturePage::CDiagSignaturePage(fieldbus::DeviceAccess* device, const std::string& tag, QWidget* parent,
                                       config::BusRunner runner)
    : QWidget(parent),
      runner_(runner ? std::move(runner) : config::BusRunner(&RunOffThread)),
      logic_(*this, runner_),
      tag_(tag) {
    setObjectName("signaturePage");
    if (device) {
        procedure_ = SignatureProcedure::For(*device);
        logic_.SetDevice(procedure_, tag);
        SignatureCapabilities caps;
        config::OrInPlace(runner_)([&] {
            caps = ReadSignatureCapabilities(*device);
            return 0;
        });
        measures_ = caps.measuresItself;
        selection_ = SignatureSelection(caps);
        settingsRead_ = logic_.ReadSettingsFromDevice() == 0;
    }

    auto* layout = new QVBoxLayout(this);
    auto* choose = new QGroupBox("Measurements", this);
    auto* grid = new QGridLayout(choose);
    all_ = new QCheckBox("Measure &All", choose);
    all_->setObjectName("measureAll");
    grid->addWidget(all_, 0, 0);
    for (int kind = 0; kind < kMeasuredKindCount; ++kind) {
        kinds_[kind] = new QCheckBox(kBoxTexts[kind], choose);
        kinds_[kind]->setObjectName(QString("kind%1").arg(kind));
        grid->addWidget(kinds_[kind], 1 + kind / 2, kind % 2);
        connect(kinds_[kind], &QCheckBox::toggled, this, [this, kind](bool on) {
            if (syncing_) return;
            selection_.SetKind(kind, on);
            UpdateSelection();
        });
    }
    connect(all_, &QCheckBox::toggled, this, [this](bool on) {
        if (syncing_) return;
        selection_.SetAll(on, logic_.Settings());
        UpdateSelection();
    });
    // The program strokes the valve itself: offered for devices without the signature option
    // that have a pressure sensor.
    pc_ = new QCheckBox("PC Controlled", choose);
    pc_->setObjectName("pcControlled");
    pc_->setVisible(selection_.PcEnabled());
    grid->addWidget(pc_, 4, 0);
    connect(pc_, &QCheckBox::toggled, this, [this](bool on) {
        if (syncing_) return;
        selection_.SetPcControlled(on);
        UpdateSelection();
    });
    layout->addWidget(choose);

    note_ = new QLabel(this);
    note_->setObjectName("deviceNote");
    note_->setWordWrap(true);
    if (!device)
        note_->setText("No device is selected.");
    else if (!measures_ && selection_.PcEnabled())
        note_->setText("This device does not measure signatures itself (no signature option): choose PC Controlled "
                       "to let the program stroke the valve for the standard and extended signatures.");
    else if (!measures_)
        note_->setText("This device does not measure signatures itself (no signature option).");
    note_->setVisible(!note_->text().isEmpty());
    layout->addWidget(note_);

    layout->addWidget(new QLabel("Signature Notes", this));
    notes_ = new QPlainTextEdit(this);
    notes_->setObjectName("notes");
    notes_->setMaximumHeight(90);
    layout->addWidget(notes_);

    auto* buttons = new QHBoxLayout;
    go_ = new QPushButton("&GO", this);
    go_->setObjectName("go");
    connect(go_, &QPushButton::clicked, this, &CDiagSignaturePage::OnGo);
    show_ = new QPushButton("&SHOW", this);
    show_->setObjectName("show");
    connect(show_, &QPushButton::clicked, this, &CDiagSignaturePage::OnShow);
    settings_ = new QPushButton("Change Measurement Setting", this);
    settings_->setObjectName("settings");
    connect(settings_, &QPushButton::clicked, this, &CDiagSignaturePage::OnChangeSettings);
    buttons->addWidget(go_);
    buttons->addWidget(show_);
    buttons->addStretch(1);
    buttons->addWidget(settings_);
    layout->addLayout(buttons);

    loading_ = new QLabel("Loading Data Now, Please Wait ...", this);
    loading_->setObjectName("loadingNotice");
    loading_->setVisible(false);
    layout->addWidget(loading_);
    layout->addStretch(1);

    loadTimer_ = new QTimer(this);
    loadTimer_->setSingleShot(true);
    connect(loadTimer_, &QTimer::timeout, this, [this] { logic_.OnLoadTimer(); });
    UpdateSelection();
}

CDiagSignaturePage::~CDiagSignaturePage() {
    if (progress_) delete progress_.data();
}

CSignatureProgressDlg* CDiagSignaturePage::ProgressWindow() const { return progress_; }
graphs::CSignatureGraphDlg* CDiagSignaturePage::GraphWindow() const { return graph_; }

QCheckBox* CDiagSignaturePage::KindBox(int kind) const {
    return kind >= 0 && kind < kMeasuredKindCount ? kinds_[kind] : nullptr;
}

void CDiagSignaturePage::ShowSelection() {
    syncing_ = true;
    all_->setChecked(selection_.AllChecked());
    for (int kind = 0; kind < kMeasuredKindCount; ++kind) kinds_[kind]->setChecked(selection_.Checked(kind));
    pc_->setChecked(selection_.PcChecked());
    syncing_ = false;
}

void CDiagSignaturePage::UpdateSelection() {
    ShowSelection();
    const bool free = !logic_.IsRunning() && !busy_;
    const uint8_t mask = selection_.Mask();
    logic_.SetSelection(mask);
    logic_.SetPcControlled(selection_.PcChecked());
    all_->setEnabled(free && selection_.AllEnabled());
    for (int kind = 0; kind < kMeasuredKindCount; ++kind) kinds_[kind]->setEnabled(free && selection_.Enabled(kind));
    pc_->setEnabled(free && selection_.PcEnabled());
    go_->setEnabled(free && selection_.GoEnabled());
    notes_->setEnabled(free && selection_.GoEnabled());
    settings_->setEnabled(free);
}

void CDiagSignaturePage::OnChangeSettings() {
    if (logic_.IsRunning() || busy_) return;
    float low = -10.0f, high = 110.0f;
    fieldbus::DeviceAccess* device = procedure_ ? &procedure_->Device() : nullptr;
    SetPointRange(device, runner_, low, high);
    if (logic_.Selection() == 0) {
        platform::ShowMessage("Please select items to be measured first.");
        return;
    }
    CSignatureSettingSheet sheet(device ? tag_ : std::string(), logic_.Selection(), logic_.Settings(),
                                 logic_.ResetOff(), device && measures_, low, high, window());
    if (sheet.exec() != QDialog::Accepted) return;
    logic_.Settings() = sheet.Settings();
    logic_.SetResetOff(sheet.ResetOff());
    if (sheet.GoChosen()) OnGo();
}

void CDiagSignaturePage::OnGo() {
    if (busy_) return;
    busy_ = true;
    UpdateSelection();
    logic_.SetNotes(notes_->toPlainText().toStdString());
    // The run writes the settings back to the device: they must have been read from it (a run
    // of the program's own needs none of the device's).
    if (!settingsRead_ && !selection_.PcChecked()) settingsRead_ = logic_.ReadSettingsFromDevice() == 0;
    if (settingsRead_ || selection_.PcChecked())
        logic_.Go();
    else
        platform::ShowMessage("Can not read the signature settings of the device.");
    busy_ = false;
    UpdateSelection();
}

void CDiagSignaturePage::OnShow() {
    graphs::CSignatureGraphDlg* graph = Graph();
    graph->show();
    graph->raise();
}

graphs::CSignatureGraphDlg* CDiagSignaturePage::Graph() {
    if (!graph_) {
        graph_ = new graphs::CSignatureGraphDlg(window());
        graph_->setAttribute(Qt::WA_DeleteOnClose);
        graph_->Model().SetDevice(procedure_.get(), tag_);
    }
    return graph_;
}

// ---- SignaturePageView -------------------------------------------------------------------------

bool CDiagSignaturePage::OpenProgress(bool severalKinds) {
    if (!progress_)
        progress_ =
            new CSignatureProgressDlg(logic_.Handle(), severalKinds, logic_.Selection() == kMeasureAll, window());
    return progress_ != nullptr;
}

void CDiagSignaturePage::ShowProgress() {
    if (!progress_) return;
    if (!progress_->isVisible()) platform::PlaceOnScreen(progress_);
    progress_->show();
    progress_->raise();
}

void CDiagSignaturePage::UpdateProgress(const SignatureProgressUpdate& update) {
    if (progress_) progress_->Update(update);
}

void CDiagSignaturePage::CloseProgress() {
    if (progress_) progress_->deleteLater();
    progress_ = nullptr;
}

void CDiagSignaturePage::EnablePage(bool enable) { setEnabled(enable); }

void CDiagSignaturePage::EnableControls(bool, bool) { UpdateSelection(); }

int CDiagSignaturePage::CloseGraph() {
    if (!graph_) return 0;
    // Leaving the page asks in its own words; the graph window then closes without asking.
    if (graph_->Model().QuerySave(graphs::kPageUnsavedQuestion) == 2) return 2;
    if (!graph_->close()) return 2;  // the user kept unsaved curves
    graph_ = nullptr;
    return 0;
}

int CDiagSignaturePage::AddToGraph(const CSignatureData& record) {
    graphs::CSignatureGraphDlg* graph = Graph();
    const int added = graph->Model().AddSignatureData(record);
    graph->show();
    return added == 0 ? 0 : 1;
}

void CDiagSignaturePage::RedrawGraph() {
    if (graph_) graph_->Graph()->Rebuild();
}

void CDiagSignaturePage::ShowLoadingNotice(bool show) { loading_->setVisible(show); }

void CDiagSignaturePage::StartLoadTimer(uint32_t ms) { loadTimer_->start(static_cast<int>(ms)); }

}  // namespace diagnostics
