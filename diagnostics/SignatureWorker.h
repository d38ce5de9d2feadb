#pragma once
// The signature worker of a device. Only the procedure's own files include this.
//
// The device measures what the page selected, either all kinds in one run (SIGN_MEAS_EXEC 2)
// or kind after kind, waiting between two kinds until the page has loaded the data of the
// first; a step response runs as a series of device measurements, one per step, after the
// valve has been settled at the initial set point. Without the device's signature option the
// program drives the standard and extended signatures itself (host-controlled). Each poll
// reads the live values, the result and the state, stores the progress record and posts it;
// results, starts and the end are posted too. A worker's run ends with exactly one of
// WM_SIG_FINISHED and WM_SIG_ERROR.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "diagnostics/SignatureMessages.h"
#include "diagnostics/SignatureProcedureState.h"
#include "platform/Clock.h"

namespace diagnostics::worker {

enum class Outcome {
    Done,     // the step succeeded (the measurement ended, whatever its result)
    Failed,   // the run ends with WM_SIG_ERROR
    Stopped,  // the run ends with WM_SIG_FINISHED (stop signalled, or asked to finish)
};

// The five servo parameters a host-controlled run softens, and the offset read with them.
struct ServoSet {
    std::array<float, 6> values{};  // gain, reset, rate, rate gain, dead band, offset
};

class Worker {
public:
    Worker(std::shared_ptr<SignatureProcedure::State> state, std::shared_ptr<SignatureWorkerRun> run)
        : keep_(std::move(state)), s_(*keep_), run_(std::move(run)) {}

    void Run();

private:
    // ---- Talking to the page ----
    // A worker that was abandoned posts nothing more.
    void Post(unsigned msg, uintptr_t wParam, intptr_t lParam = 0);
    void Store(const SignatureProgress& p);
    void Permit(bool on);
    // Reports `text` (when given) as a device line and remembers the kind the run failed in.
    Outcome Fail(int kind, const std::string& text = {});
    // Waits on the stop event: true when the stop was signalled.
    bool Pause(uint32_t ms) { return platform::GetClock().WaitFor(run_->stop, ms); }
    bool StopRequested();

    // ---- The device ----
    // The live values; with `withState` also the result and the decoded state.
    int ReadProgress(SignatureProgress& p, bool withState = true);
    bool EndedNow(const SignatureProgress& p);
    void KeepResultText(uint32_t result);
    Outcome CheckIdle(int kind);
    Outcome WaitForStart(int kind);

    // ---- Run of all kinds ----
    int PollAll(bool& ended);
    Outcome RunAll();

    // ---- Kind after kind ----
    void PostResult(uint32_t result, uintptr_t kind, bool& ended, bool permitOnEnd);
    int PollKind(int kind, bool& ended);
    void SetStepPosition(int index, int count);
    bool NeedsCounterCheck(int kind);
    Outcome CheckCounter(int kind, bool first);
    Outcome WaitForPermission(int kind, bool onlyChanges);
    Outcome Measure(int kind, int index, int count);
    Outcome RunKinds(uint8_t mask);

    // ---- Step-response series (SignatureStepSeries.cpp) ----
    Outcome RunStepResponse();
    // Settles the valve at `target` within `tolerance` in at most `limitS` seconds.
    Outcome Stabilize(float target, float tolerance, float limitS, bool resetOff);
    // Writes STEP_RESP_SET for step `index`: 0 written, 1 past the last step, -1 failed.
    int WriteStep(int index, int& stepCount);
    // Puts SERVO_RESET back after the dead-band test.
    void RestoreServoReset(bool resetOff, float value);

    // ---- Host-controlled run (SignatureHostRun.cpp) ----
    Outcome RunHost(uint8_t mask);
    Outcome MeasureHost(int kind);
    int PollHost(SignatureProgress& p);
    int ReadServo(ServoSet& set);
    int WriteServo(const ServoSet& set);
    // Writes the servo values back, once more when the first try fails; false when both failed.
    bool RestoreServo(const ServoSet& set);

    std::shared_ptr<SignatureProcedure::State> keep_;
    SignatureProcedure::State& s_;
    std::shared_ptr<SignatureWorkerRun> run_;
    int errorKind_ = kAllKinds;
    uint8_t lastPhase_ = 1;
    uint16_t watermark_ = 0;
    bool overrunPosted_ = false;
    SignatureProgress lastHost_{};
    bool stabilizeTimedOut_ = false;
};

}  // namespace diagnostics::worker
