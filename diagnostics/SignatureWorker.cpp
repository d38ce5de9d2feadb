// The signature worker: the device-controlled runs (all kinds in one device run, or kind
// after kind) and what every run shares.
#include "diagnostics/SignatureWorker.h"

#include <algorithm>
#include <cstring>

#include "diagnostics/SignatureKind.h"
#include "platform/Ui.h"

namespace diagnostics {

namespace worker {

namespace {

constexpr uint16_t kChunkPoints = 50;
constexpr uint16_t kRingPoints = 100;

}  // namespace

void Worker::Run() {
    uint8_t mask = 0;
    bool host = false;
    {
        std::lock_guard<std::mutex> lock(s_.mainLock);
        s_.stopRequested = false;
        s_.stepIndex = s_.stepCount = 1;
        s_.resultText.clear();
        s_.runMessage.clear();
        mask = s_.mask;
        host = s_.hostControlled;
    }
    const Outcome outcome = host ? RunHost(mask) : mask == kMeasureAll ? RunAll() : RunKinds(mask);
    {
        std::lock_guard<std::mutex> lock(s_.mainLock);
        if (s_.run == run_) s_.ended = true;
    }
    if (outcome == Outcome::Failed)
        Post(WM_SIG_ERROR, static_cast<uintptr_t>(errorKind_));
    else
        Post(WM_SIG_FINISHED, 0);
    run_->done.Set();
}

// ---- Talking to the page ----------------------------------------------------------------

void Worker::Post(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    platform::WindowHandle notify = 0;
    {
        std::lock_guard<std::mutex> lock(s_.mainLock);
        if (s_.run != run_) return;
        notify = s_.notify;
    }
    platform::PostMessage(notify, msg, wParam, lParam);
}

void Worker::Store(const SignatureProgress& p) {
    std::lock_guard<std::mutex> lock(s_.mainLock);
    if (s_.run == run_) s_.progress = p;
}

void Worker::Permit(bool on) {
    std::lock_guard<std::mutex> lock(s_.mainLock);
    if (s_.run == run_) s_.permitted = on;
}

Outcome Worker::Fail(int kind, const std::string& text) {
    if (!text.empty()) s_.Report(text);
    errorKind_ = kind;
    return Outcome::Failed;
}

bool Worker::StopRequested() {
    std::lock_guard<std::mutex> lock(s_.mainLock);
    return s_.stopRequested;
}

// ---- The device -------------------------------------------------------------------------

int Worker::ReadProgress(SignatureProgress& p, bool withState) {
    fieldbus::TbView3Record view{};
    std::string error;
    if (s_.device.ReadTransducerView(view, error) != 0) {
        if (!error.empty()) s_.Report(error);
        return 1;
    }
    fieldbus::StatusValue ao;
    if (s_.device.ReadAoOut(ao) != 0) return 1;
    p.temperature = view.electTemp;
    p.outputPressure = view.outPressure;
    p.actualPosition = view.finalPositionValue;
    p.servoOutput = view.servoOutputSignal;
    p.aoOutput = ao.value;
    if (!withState) return 0;
    uint8_t result = 0, state = 0;
    if (s_.ReadU8("SIGN_MEAS_RESULT", result) != 0 || s_.ReadU8("SIGN_MEAS_STATE", state) != 0) return 1;
    p.result = result;
    const DecodedState decoded = DecodeSignatureState(state);
    if (decoded.wrong) s_.Report(platform::Format("Wrong SIGN_MEAS_STATE value %d", state));
    p.percent = decoded.percent;
    p.phase = decoded.phase;
    return 0;
}

// The measurement has ended: idle again with a result, after it had started.
bool Worker::EndedNow(const SignatureProgress& p) {
    std::lock_guard<std::mutex> lock(s_.mainLock);
    if (p.phase != kPhaseIdle || !s_.started || p.result == kResultRunning) return false;
    s_.started = false;
    return true;
}

// Keeps the device's label of a warning or error result for the page.
void Worker::KeepResultText(uint32_t result) {
    std::string text;
    if (s_.device.GetEnumText(s_.Tb(), "SIGN_MEAS_RESULT", text, result) != 0 || text.empty())
        text = platform::Format("Result %u", result);
    std::lock_guard<std::mutex> lock(s_.mainLock);
    s_.resultText = text;
}

// SIGN_MEAS_EXEC reads 1, at once or after one retry.
Outcome Worker::CheckIdle(int kind) {
    uint8_t exec = 0;
    if (s_.ReadU8("SIGN_MEAS_EXEC", exec) != 0) return Fail(kind);
    if (exec == kExecOff) return Outcome::Done;
    if (Pause(kBusyRetryMs)) return Outcome::Stopped;
    if (s_.ReadU8("SIGN_MEAS_EXEC", exec) != 0) return Fail(kind, "Signature : Read SIGN_MEAS_EXEC error");
    if (exec == kExecOff) return Outcome::Done;
    return Fail(kind, "Signature : Status SIGN_MEAS_EXEC was not OFF");
}

// SIGN_MEAS_STATE leaves 0 within kStartLimitMs of the command.
Outcome Worker::WaitForStart(int kind) {
    uint8_t state = 0;
    if (s_.ReadU8("SIGN_MEAS_STATE", state) != 0) return Fail(kind, "Read SIGN_MEAS_STATE Error");
    platform::Clock& clock = platform::GetClock();
    const uint64_t since = clock.NowMs();
    while (state == 0) {
        if (Pause(kStartPollMs)) return Outcome::Stopped;
        if (s_.ReadU8("SIGN_MEAS_STATE", state) != 0) return Fail(kind);
        if (state == 0 && clock.NowMs() - since > kStartLimitMs) return Fail(kind);
    }
    std::lock_guard<std::mutex> lock(s_.mainLock);
    s_.started = true;
    return Outcome::Done;
}

// ---- Run of all kinds -------------------------------------------------------------------

// One poll: posts the progress (lParam 1 when a new kind began) and the result.
int Worker::PollAll(bool& ended) {
    SignatureProgress p;
    if (ReadProgress(p) != 0) {
        Fail(kAllKinds, "Signature : Read Real Time Data Error");
        return 1;
    }
    ended = EndedNow(p);
    const bool changed = p.phase != lastPhase_ && !ended;
    lastPhase_ = p.phase;
    Store(p);
    Post(WM_SIG_PROGRESS, kAllKinds, changed ? 1 : 0);
    PostResult(p.result, kAllKinds, ended, false);
    return 0;
}

Outcome Worker::RunAll() {
    Outcome o = CheckIdle(kAllKinds);
    if (o != Outcome::Done) return o;
    if (s_.WriteMeasurementCommand(kExecAll) != 0) return Fail(kAllKinds);
    if ((o = WaitForStart(kAllKinds)) != Outcome::Done) return o;
    Post(WM_SIG_STARTED, kAllKinds);
    lastPhase_ = 1;
    for (;;) {
        bool ended = false;
        if (PollAll(ended) != 0) {
            s_.Cancel();
            return Outcome::Failed;
        }
        if (ended) return Outcome::Done;
        if (Pause(kPollPauseMs)) return Outcome::Stopped;
    }
}

// ---- Kind after kind --------------------------------------------------------------------

void Worker::PostResult(uint32_t result, uintptr_t kind, bool& ended, bool permitOnEnd) {
    if (result == kResultSucceeded || result == kResultCancelled) {
        if (permitOnEnd) {
            Permit(false);
            ended = true;
        }
        Post(result == kResultSucceeded ? WM_SIG_SUCCEEDED : WM_SIG_CANCELLED, kind);
    } else if (IsWarningResult(result) || IsErrorResult(result)) {
        if (ended) KeepResultText(result);
        if (ended && permitOnEnd) Permit(false);
        Post(IsWarningResult(result) ? WM_SIG_WARNING : WM_SIG_DEVICE_ERROR, kind, ended ? 1 : 0);
    }
}

int Worker::PollKind(int kind, bool& ended) {
    SignatureProgress p;
    if (ReadProgress(p) != 0) {
        Fail(kind, "Signature : Read Real Time Data Error");
        return 1;
    }
    ended = EndedNow(p);
    {
        std::lock_guard<std::mutex> lock(s_.mainLock);
        p.percent = StepSeriesPercent(p.percent, p.result, p.phase, s_.stepIndex, s_.stepCount);
    }
    Store(p);
    Post(WM_SIG_PROGRESS, static_cast<uintptr_t>(kind), 0);
    PostResult(p.result, static_cast<uintptr_t>(kind), ended, true);
    return 0;
}

void Worker::SetStepPosition(int index, int count) {
    std::lock_guard<std::mutex> lock(s_.mainLock);
    s_.stepIndex = index;
    s_.stepCount = count;
}

// Whether the running high-resolution measurement must be uploaded while it runs: more
// points than the device's two banks hold.
bool Worker::NeedsCounterCheck(int kind) {
    if (kind != KindHighResolution) return false;
    std::lock_guard<std::mutex> lock(s_.mainLock);
    if (s_.hostControlled) return false;
    const double scanS = s_.settings.At(1, 3), samplingMs = s_.settings.At(1, 5);
    const double expected = samplingMs > 0 ? scanS / samplingMs * 1000.0 + 1.0 : 0.0;
    return expected > kRingPoints;
}

// Tells the page of every 50 points of a high-resolution measurement, or that the device has
// overwritten points not yet loaded (once).
Outcome Worker::CheckCounter(int kind, bool first) {
    if (first) {
        watermark_ = 0;
        overrunPosted_ = false;
    }
    uint16_t count = 0;
    if (s_.ReadU16("SIGN_MEAS_COUNTER", count) != 0) {
        s_.Cancel();
        return Fail(kind, "Signature : SIGN_MEAS_COUNT Error");
    }
    if (count >= watermark_ + kRingPoints) {
        if (!overrunPosted_) Post(WM_SIG_HIRES_OVERRUN, watermark_);
        overrunPosted_ = true;
    } else if (count >= watermark_ + kChunkPoints) {
        Post(WM_SIG_HIRES_CHUNK, watermark_, kChunkPoints);
        watermark_ = static_cast<uint16_t>(watermark_ + kChunkPoints);
    }
    return Outcome::Done;
}

// Between two measurements: the page loads the previous data first. A host-controlled run
// (`onlyChanges`) posts a record only when it differs from the one before.
Outcome Worker::WaitForPermission(int kind, bool onlyChanges) {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(s_.mainLock);
            if (s_.permitted) return Outcome::Done;
        }
        SignatureProgress p;
        if (onlyChanges ? PollHost(p) != 0 : ReadProgress(p) != 0)
            return Fail(kind, "Signature : Error while wait for next measurement");
        if (!onlyChanges || std::memcmp(&p, &lastHost_, sizeof p) != 0) {
            lastHost_ = p;
            Store(p);
            Post(WM_SIG_PROGRESS, static_cast<uintptr_t>(kind), 1);
        }
        if (Pause(kPollPauseMs)) return Outcome::Stopped;
        std::lock_guard<std::mutex> lock(s_.mainLock);
        if (s_.stopRequested) {
            s_.stopRequested = false;
            return Outcome::Stopped;
        }
    }
}

// One measurement of `kind` as step `index` of `count`.
Outcome Worker::Measure(int kind, int index, int count) {
    SetStepPosition(index - 1, count);
    Outcome o = WaitForPermission(kind, false);
    if (o != Outcome::Done) return o;
    if ((o = CheckIdle(kind)) != Outcome::Done) return o;
    if (s_.WriteMeasurementCommand(MeasurementCode(kind)) != 0) return Fail(kind);
    if ((o = WaitForStart(kind)) != Outcome::Done) return o;
    Post(WM_SIG_STARTED, static_cast<uintptr_t>(kind));
    if (kind == KindStepResponse) {
        std::lock_guard<std::mutex> lock(s_.mainLock);
        s_.stepFrom = s_.nextStepFrom;
        s_.stepTo = s_.nextStepTo;
    }
    const bool counterCheck = NeedsCounterCheck(kind);
    SetStepPosition(index, count);
    for (bool first = true;; first = false) {
        bool ended = false;
        if (PollKind(kind, ended) != 0) {
            if (s_.Cancel() != 0) s_.Cancel();
            return Outcome::Failed;
        }
        if (ended) return Outcome::Done;
        if (counterCheck && (o = CheckCounter(kind, first)) != Outcome::Done) return o;
        if (Pause(kPollPauseMs)) return Outcome::Stopped;
    }
}

Outcome Worker::RunKinds(uint8_t mask) {
    for (int kind = KindStandard; kind <= KindPositioner; ++kind) {
        if ((mask & KindBit(kind)) == 0) continue;
        SetStepPosition(1, 1);
        const Outcome o = kind == KindStepResponse ? RunStepResponse() : Measure(kind, 1, 1);
        if (o == Outcome::Stopped) return o;
        if (o == Outcome::Failed) {
            std::lock_guard<std::mutex> lock(s_.mainLock);
            // A cancel asked for while the device was idle ends the run without an error.
            if (s_.stopRequested) return Outcome::Stopped;
            return Outcome::Failed;
        }
    }
    return Outcome::Done;
}

}  // namespace worker

void RunSignatureWorker(std::shared_ptr<SignatureProcedure::State> state, std::shared_ptr<SignatureWorkerRun> run) {
    worker::Worker(std::move(state), std::move(run)).Run();
}

}  // namespace diagnostics
