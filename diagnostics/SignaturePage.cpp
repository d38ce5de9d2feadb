#include "diagnostics/SignaturePage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>

#include "diagnostics/DiagnosticModes.h"
#include "diagnostics/SelfCheck.h"
#include "diagnostics/SignatureKind.h"
#include "diagnostics/SignatureMessages.h"
#include "diagnostics/SignatureProgressText.h"
#include "diagnostics/StepResponsePercent.h"
#include "diagnostics/StepRule.h"
#include "fieldbus/OperationState.h"
#include "logon/Edition.h"
#include "platform/ProfileFile.h"
#include "platform/Ui.h"

namespace diagnostics {

namespace {

constexpr float kUnset = std::numeric_limits<float>::infinity();
// The kinds a run of all kinds stores, in the order they are measured.
constexpr int kAllRunKinds[] = {KindStandard, KindExtended, KindStepResponse, KindPositioner};
// RunBus result: the restore must run on this thread (it may have to ask).
constexpr int kNeedsQuestion = 3;

int Ask(const std::string& text) {
    return platform::GetUi().MessageBox(text, "Warning",
                                        platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2);
}

// The signature option: bit 0x0002 of DEV_OPTIONS read as a big-endian number.
int ReadSignatureOption(fieldbus::DeviceAccess& device, bool& option) {
    uint8_t bytes[2] = {};
    uint16_t size = 2;
    if (device.ReadParameter(device.BlockOf(fieldbus::BlockKind::TB), "DEV_OPTIONS", bytes, size) != 0 || size != 2)
        return 1;
    option = (bytes[1] & 0x02) != 0;
    return 0;
}

float DefaultStepSize() {
    const std::string text = platform::GetPrivateProfileString("Signature", "DefaultStepSize", "5", ProgramProfileFile());
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && std::isfinite(value) ? static_cast<float>(value) : 5.0f;
}

std::string PageTextOf(uintptr_t kind) {
    if (kind == kAllKinds) return "Measure ALL";
    return kind < static_cast<uintptr_t>(kMeasuredKindCount) ? KindPageText(static_cast<int>(kind)) : std::string();
}

}  // namespace

SignaturePage::SignaturePage(SignaturePageView& view, config::BusRunner runner)
    : view_(view), runner_(std::move(runner)) {
    handle_ = platform::MessageDispatcher::Instance().Register(this);
    // The start of a step response is reached within 1 % in at most 30 s unless set otherwise.
    settings_.At(2, kStepErrorLimit) = 1.0f;
    settings_.At(2, kStepTimeLimit) = 30.0f;
}

SignaturePage::~SignaturePage() {
    platform::MessageDispatcher::Instance().Unregister(handle_);
    // Loaders first (they post to this page); a worker still running is stopped.
    for (auto& record : records_)
        if (record) record->StopDataLoading();
    if (procedure_ && procedure_->HasWorker() && !procedure_->IsSignatureEnded()) procedure_->StopSignature();
}

void SignaturePage::SetDevice(std::shared_ptr<SignatureProcedure> procedure, std::string tag) {
    procedure_ = std::move(procedure);
    tag_ = std::move(tag);
    if (procedure_) procedure_->SetDeviceTag(tag_);
}

fieldbus::DeviceAccess* SignaturePage::Device() const { return procedure_ ? &procedure_->Device() : nullptr; }

int SignaturePage::RunBus(const config::BusWork& work) { return config::OrInPlace(runner_)(work); }

const CSignatureData* SignaturePage::Record(int kind) const {
    return kind >= 0 && kind < static_cast<int>(records_.size()) ? records_[static_cast<size_t>(kind)].get() : nullptr;
}

CSignatureData& SignaturePage::RecordOf(int kind) {
    auto& record = records_[static_cast<size_t>(std::clamp(kind, 0, kMeasuredKindCount - 1))];
    if (!record) record = std::make_unique<CSignatureData>(kind);
    return *record;
}

void SignaturePage::SetDeviceError(const std::string& text) {
    deviceError_ = text;
    if (fieldbus::DeviceAccess* device = Device()) device->ReportText(text);
}

int SignaturePage::ReadSettingsFromDevice() {
    if (!procedure_) return 1;
    SignatureSettings read = settings_;
    const int result = RunBus([&] { return procedure_->ReadAllSignatureSettings(read); });
    if (result == 0) settings_ = read;
    return result;
}

// ---- GO ---------------------------------------------------------------------------------------

int SignaturePage::Go() {
    fieldbus::DeviceAccess* device = Device();
    if (!device) {
        platform::ShowMessage("The current selected device is invalid!");
        return 1;
    }
    SignatureProcedure& procedure = *procedure_;

    // Where the valve stands now: it goes back there afterwards.
    float position = 0.0f;
    if (RunBus([&] {
            fieldbus::StatusValue value;
            const int r = device->ReadTbFinalPositionValue(value);
            position = value.value;
            return r;
        }) != 0)
        return 1;

    // The device measures signatures itself (the option, or the diagnostics firmware).
    bool option = false, diagnosticsFirmware = false;
    if (RunBus([&] {
            diagnosticsFirmware = ReadDeviceDiagnostics(*device);
            return ReadSignatureOption(*device, option);
        }) != 0 ||
        (!option && !diagnosticsFirmware && !pcControlled_))
        return 1;
    // The program drives signatures itself only in the maker edition.
    if (pcControlled_ && !logon::IsMakerEdition(logon::InstalledEdition())) return 1;

    uint8_t failsafe = 0;
    std::string failsafeText;
    if (RunBus([&] { return procedure.ReadFailsafeState(failsafe, failsafeText); }) != 0) return 1;
    if (failsafe != 1) {
        platform::GetUi().MessageBox(platform::Format("Can not run diagnostic while device is in failsafe (%s) status.\n",
                                                      failsafeText.c_str()) +
                                         "Please resolve failsafe condition.\n",
                                     "Warning", platform::MB_OK | platform::MB_ICONWARNING);
        return 1;
    }

    bool oos = false;
    std::string failure;
    if (RunBus([&] { return ReadDiagnosticModes(*device, oos, failure); }) != 0) {
        if (!failure.empty()) platform::ShowMessage(failure, platform::MB_OK | platform::MB_ICONSTOP);
        return 1;
    }
    if (!oos) {
        if (Ask(std::string("To run diagnostic, the device must be in OOS (out of service)\n") +
                " state which prevents the valve form tracking the setpoint.\n\n" +
                " Do you wish to change mode to OOS ?\n") != platform::IDYES)
            return 2;
        if (RunBus([&] { return PutDiagnosticModes(*device, failure); }) != 0) {
            if (!failure.empty()) platform::ShowMessage(failure, platform::MB_OK | platform::MB_ICONSTOP);
            platform::ShowMessage("Can not set AO or TB to OOS!");
            return 1;
        }
        device->ReportToHost(kDiagnosticsEvent, "Set Device to OOS");
    }
    if (Ask(std::string("The valve will move during diagnostic. \n") + " Do you wish to continue?\n") !=
        platform::IDYES)
        return 2;
    // The curves of the last run make way for the new ones; unsaved ones are offered for
    // saving first.
    if (view_.CloseGraph() != 0) return 2;

    // An automatic series needs a step that reaches its end; a series whose settings give
    // no step at all is refused before anything moves.
    if (mask_ != kMeasureAll && (mask_ & KindBit(KindStepResponse)) != 0 && !pcControlled_) {
        StepSeriesSettings series{settings_.At(2, kStepStart), settings_.At(2, kStepEnd), settings_.At(2, kStepSize),
                                  settings_.At(2, kStepRoundTrip), DefaultStepSize()};
        StepSeriesPlan plan;
        if (!PlanStepSeries(series, 0, plan)) {
            platform::ShowMessage(series.roundTrip <= -1.0f
                                      ? "Error: The automatic step response series needs a step size above 0."
                                      : "Error: The step response settings give no step.");
            return 1;
        }
    }

    procedure.SetHostControlled(pcControlled_);
    RunBus([&] { return procedure.CancelSignature(); });
    if (RunBus([&] { return procedure.SetupSignature(mask_, settings_, false, resetOff_); }) != 0) {
        platform::ShowMessage("Set Signature Setting Failure!");
        return 1;
    }
    SignatureAxis pressure, positionAxis;
    if (RunBus([&] { return procedure.ReadAxisRanges(pressure, positionAxis); }) == 0) {
        pressureUnit_ = pressure.unit;
        positionUnit_ = positionAxis.unit;
    }

    queue_.clear();
    procedure.PermitNextMeasurement(true);
    running_ = true;
    procedure.GetSignatureProgress();
    if (!view_.OpenProgress(SelectedKindCount(mask_) > 1)) {
        running_ = false;
        platform::ShowMessage("Error: Failed to create Signature Progress Dialog.");
        return 1;
    }
    progressOpen_ = true;
    view_.EnablePage(false);

    pretest_ = position;
    runningKind_ = windowKind_ = -1;
    hiresQueued_ = 0;
    deviceError_.clear();
    runFailed_ = false;
    keptOnCancel_ = false;
    held_.clear();
    seriesStarted_ = false;
    procedure.TakeRunMessage();
    if (procedure.StartSignature(handle_) != 0) {
        EndOfRun();
        platform::ShowMessage("Error: The signature procedure could not be started.");
        Finish();
        return 1;
    }
    deferredFinish_ = false;
    view_.EnableControls(false, false);
    return 0;
}

// ---- Notifications ------------------------------------------------------------------------

void SignaturePage::OnMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    if (handling_) {
        // Its message boxes pump messages: this one waits (once) until the handler is done.
        for (const Held& h : held_)
            if (h.msg == msg && h.wParam == wParam && h.lParam == lParam) return;
        held_.push_back({msg, wParam, lParam});
        return;
    }
    handling_ = true;
    Dispatch(msg, wParam, lParam);
    handling_ = false;
    std::vector<Held> held;
    held.swap(held_);
    for (const Held& h : held) platform::PostMessage(handle_, h.msg, h.wParam, h.lParam);
}

void SignaturePage::Dispatch(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    if (!procedure_ && msg != WM_SIG_DATA_LOADED) return;
    switch (msg) {
    case WM_SIG_SUCCEEDED: QueueResults(wParam); break;
    case WM_SIG_WARNING:
        if (lParam == 1) QueueResults(wParam);
        break;
    case WM_SIG_CANCELLED:
        if (wParam == kAllKinds && !keptOnCancel_) QueueKindsBefore(runningKind_);
        keptOnCancel_ = keptOnCancel_ || wParam == kAllKinds;
        procedure_->PermitNextMeasurement(true);
        break;
    case WM_SIG_DEVICE_ERROR: OnDeviceError(wParam, lParam == 1); break;
    case WM_SIG_PROGRESS: OnProgress(wParam, lParam); break;
    case WM_SIG_STARTED:
        view_.ShowProgress();
        windowKind_ = static_cast<int>(wParam);
        if (wParam == KindHighResolution) {
            RecordOf(KindHighResolution).Clear();
            hiresQueued_ = 0;
        }
        break;
    case WM_SIG_HIRES_CHUNK:
        QueueLoad({KindHighResolution, true, true, static_cast<uint16_t>(wParam), 50, false});
        hiresQueued_ = static_cast<uint16_t>(wParam + 50);
        break;
    case WM_SIG_HIRES_OVERRUN:
        RunBus([this] { return procedure_->CancelSignature(); });
        platform::ShowMessage("High Resolution data is overlayed. Measurement will be canceled");
        RecordOf(KindHighResolution).Clear();
        hiresQueued_ = 0;
        break;
    case WM_SIG_STEP_SERIES_DONE:
        // Loads nothing: hands the series collected so far to the graph.
        if (wParam == KindStepResponse) QueueLoad({KindStepResponse, true, true, 0, 0, true});
        break;
    case WM_SIG_STABILIZE_TIMEOUT:
        platform::GetUi().MessageBox(
            std::string("The measurement of step response test failed. The valve can not reach \n") +
                "the Initial Set Position in given time period. Please go to Step Response\n" +
                "setting and increase the value of Init Time Limit or Init Error Limit, then\n" + "try again. \n",
            "Timeout", platform::MB_OK | platform::MB_ICONWARNING);
        break;
    case WM_SIG_CANCEL_CURRENT: CancelCurrent(); break;
    case WM_SIG_CANCEL_ALL:
        if (!procedure_->IsSignatureEnded()) RunBus([this] {
            procedure_->StopSignature();
            return 0;
        });
        CancelCurrent();
        // The worker stops without waiting for the device's cancelled result, so the kinds a
        // run of all measured before are queued here; the device keeps them.
        if (mask_ == kMeasureAll && running_ && !keptOnCancel_) {
            keptOnCancel_ = true;
            QueueKindsBefore(runningKind_);
        }
        break;
    case WM_SIG_ERROR: OnError(wParam); break;
    case WM_SIG_FINISHED: OnFinished(); break;
    case WM_SIG_DATA_LOADED: OnDataLoaded(wParam); break;
    default: break;
    }
}

void SignaturePage::OnProgress(uintptr_t kind, intptr_t lParam) {
    const SignatureProgress p = procedure_->GetSignatureProgress();
    const bool all = kind == kAllKinds;
    if (all) {
        // The kinds of a run of all follow each other in order; a record read after the run
        // ended (phase 0) says nothing about which kind ran.
        runningKind_ = std::max(runningKind_, KindOfPhase(p.phase));
        if (p.phase != kPhaseIdle || windowKind_ < 0) windowKind_ = KindOfPhase(p.phase);
    }
    SignatureProgressUpdate u;
    const int shown = all ? windowKind_ : static_cast<int>(kind);
    u.title = ProgressTitle(shown, p.phase);
    u.status = SignatureStatusText(p, all, lParam == 1);
    u.position = ValueWithUnit(p.actualPosition, positionUnit_);
    u.pressure = ValueWithUnit(p.outputPressure, pressureUnit_);
    u.aoOutput = ValueWithUnit(p.aoOutput, "%");
    u.updated = LastUpdateText(std::time(nullptr));
    u.settings = ProgressSettingsText(shown, p.phase, settings_, DefaultStepSize());
    u.percent = p.percent;
    u.positionValue = p.actualPosition;
    u.pressureValue = p.outputPressure;
    u.aoValue = p.aoOutput;
    if (progressOpen_) view_.UpdateProgress(u);
}

void SignaturePage::OnDeviceError(uintptr_t kind, bool ended) {
    SetDeviceError("The Signature Procedure  Error");
    if (!ended) return;
    runFailed_ = true;
    if (kind == kAllKinds) QueueKindsBefore(runningKind_);
    const std::string what = kind == kAllKinds ? std::string("Signature") : KindTitle(static_cast<int>(kind));
    platform::ShowMessage("The Signature Procedure  Error\n" + what + ": " + procedure_->ResultText());
    // The run goes on with the next kind once the loads queued before are done.
    if (kind != kAllKinds && queue_.empty()) procedure_->PermitNextMeasurement(true);
}

void SignaturePage::CancelCurrent() {
    RunBus([this] { return procedure_->CancelSignature(); });
    uint8_t exec = 0;
    if (RunBus([&] { return procedure_->ReadMeasurementCommand(exec); }) == 0 && exec == kExecOff)
        procedure_->RequestStop();
}

void SignaturePage::EndOfRun() {
    if (progressOpen_) view_.CloseProgress();
    progressOpen_ = false;
    view_.EnablePage(true);
    RestorePosition();
}

void SignaturePage::OnError(uintptr_t kind) {
    runFailed_ = true;
    const std::string text = PageTextOf(kind);
    platform::ShowMessage(text.empty() ? "An error occured during signature.\n The signature procedure has been stoped."
                                       : platform::Format("An error occured during %s.\n The signature procedure has "
                                                          "been stoped.",
                                                          text.c_str()));
    OnFinished();
}

void SignaturePage::OnFinished() {
    EndOfRun();
    if (procedure_) {
        const std::string message = procedure_->TakeRunMessage();
        if (!message.empty()) platform::ShowMessage(message);
    }
    if (queue_.empty()) {
        Finish();
        return;
    }
    deferredFinish_ = true;
    if (!noticeShown_) view_.ShowLoadingNotice(true);
    noticeShown_ = true;
}

void SignaturePage::RestorePosition() {
    fieldbus::DeviceAccess* device = Device();
    if (!std::isfinite(pretest_) || !device) return;
    const float position = pretest_;
    pretest_ = kUnset;
    // Out of service as the run left it, the write needs no question and goes to the bus
    // worker; otherwise it is made here, where it may ask.
    int result = RunBus([&] {
        uint8_t ao = 0;
        if (device->ReadActualMode(device->BlockOf(fieldbus::BlockKind::AO), ao) != 0) return 1;
        if (ao != fieldbus::kModeOos) return kNeedsQuestion;
        return device->WriteTbFinalValue(position);
    });
    if (result == kNeedsQuestion) result = device->WriteTbFinalValue(position);
    if (result != 0)
        platform::ShowMessage(std::string("Valve can not go back to it's original position \n") +
                              "prior to running a diagnostic test.\n");
}

void SignaturePage::Finish() {
    if (noticeShown_) view_.ShowLoadingNotice(false);
    noticeShown_ = false;
    running_ = false;
    view_.EnableControls(mask_ != 0 && procedure_ != nullptr, true);
    view_.RedrawGraph();
}

// ---- Loads ------------------------------------------------------------------------------

void SignaturePage::QueueLoad(const SignatureLoadRequest& request) {
    queue_.push_back(request);
    if (queue_.size() == 1 && !loadRunning_) StartHeadLoad();
}

void SignaturePage::QueueResults(uintptr_t kind) {
    if (kind == kAllKinds) {
        for (int k : kAllRunKinds) QueueLoad({k, false, false, 0, 0, false});
        return;
    }
    switch (kind) {
    case KindHighResolution: QueueLoad({KindHighResolution, true, false, hiresQueued_, 0, false}); break;
    case KindStepResponse: QueueLoad({KindStepResponse, true, false, 0, 0, true}); break;
    default:
        if (kind < static_cast<uintptr_t>(kMeasuredKindCount)) QueueLoad({static_cast<int>(kind), true, false, 0, 0, false});
        break;
    }
}

void SignaturePage::QueueKindsBefore(int runningKind) {
    for (int k : kAllRunKinds)
        if (k < runningKind) QueueLoad({k, false, false, 0, 0, false});
}

void SignaturePage::StartHeadLoad() {
    while (!queue_.empty()) {
        const SignatureLoadRequest node = queue_.front();
        if (!procedure_) {
            platform::ShowMessage("Error! m_pDevice is NULL");
            queue_.clear();
            return;
        }
        CSignatureData& record = RecordOf(node.kind);
        if (node.kind == KindStepResponse && node.stepSeries && node.partial) {
            // The end of a step-response series: the record with all its steps goes to the
            // graph.
            queue_.pop_front();
            seriesStarted_ = false;
            if (record.HasPoints()) {
                record.notes = notes_;
                if (!tag_.empty()) record.name = tag_;
                if (view_.AddToGraph(record) < 0)
                    platform::ShowMessage("RemoveFromDataLoadingQueue: Signature graph window invalid!");
            }
            if (queue_.empty()) QueueDrained();
            continue;
        }
        // A complete load replaces what the record held; a chunk adds to it, and so do the end
        // of a high-resolution measurement and the later steps of a series.
        bool keep = node.partial || (node.kind == KindHighResolution && node.first > 0);
        if (node.kind == KindStepResponse && node.stepSeries) {
            keep = seriesStarted_;
            seriesStarted_ = true;
        }
        if (!keep) record.Clear();
        record.dataSource = SourceCurrent;
        if (record.StartDataLoading(*procedure_, handle_, node) == 0) {
            loadRunning_ = true;
            return;
        }
        queue_.pop_front();  // the record could not load: the next one
    }
}

void SignaturePage::QueueDrained() {
    if (procedure_) procedure_->PermitNextMeasurement(true);
    if (deferredFinish_) {
        deferredFinish_ = false;
        Finish();
    }
}

void SignaturePage::OnLoadTimer() {
    if (!loadRunning_) StartHeadLoad();
}

void SignaturePage::OnDataLoaded(uintptr_t recordTag) {
    CSignatureData* record = nullptr;
    for (auto& r : records_)
        if (r && reinterpret_cast<uintptr_t>(r.get()) == recordTag) record = r.get();
    if (!record) return;  // a load of an earlier page
    loadRunning_ = false;
    std::string error;
    const int result = record->TakeLoadedData(&error);
    if (result == -1) {
        SetDeviceError("data buffer is overrun due to slow communication!");
        queue_.clear();
        RunBus([this] { return procedure_ ? procedure_->CancelSignature() : 1; });
        platform::ShowMessage(std::string("The data buffer in device is overrun due to slow communication.\n") +
                              "The measurement process has been cancelled. Please increase the\n" +
                              "Sampling Interval under Signature Setting Windows and try again.\n");
        return;
    }
    if (result == 2) platform::ShowMessage("Invalid thread object!");
    if (result != 0) {
        SetDeviceError("Data Loading Error!");
        if (!error.empty()) platform::ShowMessage(error);
    }
    if (queue_.empty()) return;  // the run was abandoned meanwhile
    {
        const SignatureLoadRequest node = queue_.front();
        queue_.pop_front();
        // A chunk of a running high-resolution measurement, and a step of a series, stay with
        // the page until the measurement or the series is complete.
        if (result == 0 && !node.partial && !(node.kind == KindStepResponse && node.stepSeries)) {
            record->notes = notes_;
            if (!tag_.empty()) record->name = tag_;
            if (view_.AddToGraph(*record) < 0)
                platform::ShowMessage("RemoveFromDataLoadingQueue: Signature graph window invalid!");
        }
    }
    if (!queue_.empty()) {
        view_.StartLoadTimer(kNextLoadMs);
        return;
    }
    QueueDrained();
}

// ---- Leaving --------------------------------------------------------------------------------

bool SignaturePage::CanLeave() {
    if (procedure_ && procedure_->HasWorker() && !procedure_->IsSignatureEnded()) {
        if (platform::ShowMessage("The Signature procedure is running! Stop it?",
                                  platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) !=
            platform::IDYES)
            return false;
        Abandon();
    }
    return true;
}

void SignaturePage::Abandon() {
    if (!procedure_) return;
    RunBus([this] {
        procedure_->StopSignature();
        procedure_->CancelSignature();
        return 0;
    });
    for (auto& record : records_)
        if (record) record->StopDataLoading();
    queue_.clear();
    loadRunning_ = false;
    deferredFinish_ = false;
    EndOfRun();
    Finish();
}

}  // namespace diagnostics
