// The signature worker of a device: the device measures what the page selected, either all
// kinds in one run (SIGN_MEAS_EXEC 2) or kind after kind, waiting between two kinds until the
// page has loaded the data of the first. Each poll reads the live values, the result and the
// state, stores the progress record and posts it; results, starts and the end are posted too.
// A worker's run ends with exactly one of WM_SIG_FINISHED and WM_SIG_ERROR.
#include <algorithm>

#include "diagnostics/SignatureKind.h"
#include "diagnostics/SignatureMessages.h"
#include "diagnostics/SignatureProcedureState.h"
#include "platform/Clock.h"
#include "platform/ProfileFile.h"
#include "platform/Ui.h"

namespace diagnostics {

namespace {

constexpr uint16_t kChunkPoints = 50;
constexpr uint16_t kRingPoints = 100;

enum class Outcome {
    Done,     // the step succeeded (the measurement ended, whatever its result)
    Failed,   // the run ends with WM_SIG_ERROR
    Stopped,  // the run ends with WM_SIG_FINISHED (stop signalled, or asked to finish)
};

class Worker {
public:
    Worker(std::shared_ptr<SignatureProcedure::State> state, std::shared_ptr<SignatureWorkerRun> run)
        : keep_(std::move(state)), s_(*keep_), run_(std::move(run)) {}

    void Run() {
        uint8_t mask = 0;
        {
            std::lock_guard<std::mutex> lock(s_.mainLock);
            s_.stopRequested = false;
            s_.stepIndex = s_.stepCount = 1;
            s_.resultText.clear();
            mask = s_.mask;
        }
        const Outcome outcome = mask == kMeasureAll ? RunAll() : RunKinds(mask);
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

private:
    // ---- Talking to the page ----
    bool Current() const {
        std::lock_guard<std::mutex> lock(s_.mainLock);
        return s_.run == run_;
    }
    // A worker that was abandoned posts nothing more.
    void Post(unsigned msg, uintptr_t wParam, intptr_t lParam = 0) {
        platform::WindowHandle notify = 0;
        {
            std::lock_guard<std::mutex> lock(s_.mainLock);
            if (s_.run != run_) return;
            notify = s_.notify;
        }
        platform::PostMessage(notify, msg, wParam, lParam);
    }
    void Store(const SignatureProgress& p) {
        std::lock_guard<std::mutex> lock(s_.mainLock);
        if (s_.run == run_) s_.progress = p;
    }
    void Permit(bool on) {
        std::lock_guard<std::mutex> lock(s_.mainLock);
        if (s_.run == run_) s_.permitted = on;
    }
    // Reports `text` (when given) as a device line and remembers the kind the run failed in.
    Outcome Fail(int kind, const std::string& text = {}) {
        if (!text.empty()) s_.Report(text);
        errorKind_ = kind;
        return Outcome::Failed;
    }
    // Waits on the stop event: true when the stop was signalled.
    bool Pause(uint32_t ms) { return platform::GetClock().WaitFor(run_->stop, ms); }

    // ---- The device ----
    // The live values, the result and the decoded state.
    int ReadProgress(SignatureProgress& p) {
        fieldbus::TbView3Record view{};
        std::string error;
        if (s_.device.ReadTransducerView(view, error) != 0) {
            if (!error.empty()) s_.Report(error);
            return 1;
        }
        fieldbus::StatusValue ao;
        uint8_t result = 0, state = 0;
        if (s_.device.ReadAoOut(ao) != 0 || s_.ReadU8("SIGN_MEAS_RESULT", result) != 0 ||
            s_.ReadU8("SIGN_MEAS_STATE", state) != 0)
            return 1;
        p.temperature = view.electTemp;
        p.outputPressure = view.outPressure;
        p.actualPosition = view.finalPositionValue;
        p.servoOutput = view.servoOutputSignal;
        p.aoOutput = ao.value;
        p.result = result;
        const DecodedState decoded = DecodeSignatureState(state);
        if (decoded.wrong) s_.Report(platform::Format("Wrong SIGN_MEAS_STATE value %d", state));
        p.percent = decoded.percent;
        p.phase = decoded.phase;
        return 0;
    }
    // The measurement has ended: idle again with a result, after it had started.
    bool EndedNow(const SignatureProgress& p) {
        std::lock_guard<std::mutex> lock(s_.mainLock);
        if (p.phase != kPhaseIdle || !s_.started || p.result == kResultRunning) return false;
        s_.started = false;
        return true;
    }
    // Keeps the device's label of a warning or error result for the page.
    void KeepResultText(uint32_t result) {
        std::string text;
        if (s_.device.GetEnumText(s_.Tb(), "SIGN_MEAS_RESULT", text, result) != 0 || text.empty())
            text = platform::Format("Result %u", result);
        std::lock_guard<std::mutex> lock(s_.mainLock);
        s_.resultText = text;
    }

    // SIGN_MEAS_EXEC reads 1, at once or after one retry.
    Outcome CheckIdle(int kind) {
        uint8_t exec = 0;
        if (s_.ReadU8("SIGN_MEAS_EXEC", exec) != 0) return Fail(kind);
        if (exec == kExecOff) return Outcome::Done;
        if (Pause(kBusyRetryMs)) return Outcome::Stopped;
        if (s_.ReadU8("SIGN_MEAS_EXEC", exec) != 0) return Fail(kind, "Signature : Read SIGN_MEAS_EXEC error");
        if (exec == kExecOff) return Outcome::Done;
        return Fail(kind, "Signature : Status SIGN_MEAS_EXEC was not OFF");
    }

    // SIGN_MEAS_STATE leaves 0 within kStartLimitMs of the command.
    Outcome WaitForStart(int kind) {
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

    // ---- Run of all kinds ----
    // One poll: posts the progress (lParam 1 when a new kind began) and the result.
    int PollAll(bool& ended) {
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

    Outcome RunAll() {
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

    // ---- Kind after kind ----
    void PostResult(uint32_t result, uintptr_t kind, bool& ended, bool permitOnEnd) {
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

    int PollKind(int kind, bool& ended) {
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

    void SetStepPosition(int index, int count) {
        std::lock_guard<std::mutex> lock(s_.mainLock);
        s_.stepIndex = index;
        s_.stepCount = count;
    }

    // Whether the running high-resolution measurement must be uploaded while it runs: more
    // points than the device's two banks hold.
    bool NeedsCounterCheck(int kind) {
        if (kind != KindHighResolution) return false;
        std::lock_guard<std::mutex> lock(s_.mainLock);
        if (s_.hostControlled) return false;
        const double scanS = s_.settings.At(1, 3), samplingMs = s_.settings.At(1, 5);
        const double expected = samplingMs > 0 ? scanS / samplingMs * 1000.0 + 1.0 : 0.0;
        return expected > kRingPoints;
    }

    // Tells the page of every 50 points of a high-resolution measurement, or that the device
    // has overwritten points not yet loaded (once).
    Outcome CheckCounter(int kind, bool first) {
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

    // One measurement of `kind` as step `index` of `count`.
    Outcome Measure(int kind, int index, int count) {
        SetStepPosition(index - 1, count);
        // Between two measurements: the page loads the previous data first.
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(s_.mainLock);
                if (s_.permitted) break;
            }
            SignatureProgress p;
            if (ReadProgress(p) != 0) return Fail(kind, "Signature : Error while wait for next measurement");
            Store(p);
            Post(WM_SIG_PROGRESS, static_cast<uintptr_t>(kind), 1);
            if (Pause(kPollPauseMs)) return Outcome::Stopped;
            std::lock_guard<std::mutex> lock(s_.mainLock);
            if (s_.stopRequested) {
                s_.stopRequested = false;
                return Outcome::Stopped;
            }
        }
        Outcome o = CheckIdle(kind);
        if (o != Outcome::Done) return o;
        if (s_.WriteMeasurementCommand(MeasurementCode(kind)) != 0) return Fail(kind);
        if ((o = WaitForStart(kind)) != Outcome::Done) return o;
        Post(WM_SIG_STARTED, static_cast<uintptr_t>(kind));
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

    // The step response: after the pause of "Signature Interval(sec)", one measurement from
    // the initial to the destination set point.
    Outcome RunStepResponse() {
        std::string profile;
        float from = 0, to = 0;
        {
            std::lock_guard<std::mutex> lock(s_.mainLock);
            profile = s_.profileFile;
            from = s_.settings.At(2, kStepStart);
            to = s_.settings.At(2, kStepEnd);
        }
        const int seconds =
            std::clamp(platform::GetPrivateProfileInt("Diagnostics", "Signature Interval(sec)", 1, profile), 0,
                       kLongestIntervalS);
        if (seconds > 0 && Pause(static_cast<uint32_t>(seconds) * 1000u)) return Outcome::Stopped;
        {
            std::lock_guard<std::mutex> lock(s_.mainLock);
            s_.stepFrom = from;
            s_.stepTo = to;
        }
        return Measure(KindStepResponse, 1, 1);
    }

    Outcome RunKinds(uint8_t mask) {
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

    std::shared_ptr<SignatureProcedure::State> keep_;
    SignatureProcedure::State& s_;
    std::shared_ptr<SignatureWorkerRun> run_;
    int errorKind_ = kAllKinds;
    uint8_t lastPhase_ = 1;
    uint16_t watermark_ = 0;
    bool overrunPosted_ = false;
};

}  // namespace

void RunSignatureWorker(std::shared_ptr<SignatureProcedure::State> state, std::shared_ptr<SignatureWorkerRun> run) {
    Worker(std::move(state), std::move(run)).Run();
}

}  // namespace diagnostics
