// The step-response series of the signature worker: the valve is first settled at the
// initial set point, then each step is written into STEP_RESP_SET and measured by the device.
// The dead-band test turns the servo's integral action off (SERVO_RESET 0) for the series and
// puts it back afterwards.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "diagnostics/SignatureKind.h"
#include "diagnostics/SignatureWorker.h"
#include "diagnostics/StepRule.h"
#include "platform/ProfileFile.h"
#include "platform/Ui.h"

namespace diagnostics::worker {

namespace {

constexpr uint32_t kSeriesEndPauseMs = 500;
// The pause between two position reads while the valve settles.
constexpr uint32_t kStabilizePollMs = 100;

float ProfileFloat(const char* section, const char* key, float fallback, const std::string& file) {
    const std::string text = platform::GetPrivateProfileString(section, key, "", file);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return !text.empty() && end != text.c_str() && std::isfinite(value) ? static_cast<float>(value) : fallback;
}

}  // namespace

int Worker::WriteStep(int index, int& stepCount) {
    StepSeriesSettings series;
    float sampling = 0, samples = 0;
    std::string profile;
    {
        std::lock_guard<std::mutex> lock(s_.mainLock);
        series.start = s_.settings.At(2, kStepStart);
        series.end = s_.settings.At(2, kStepEnd);
        series.stepSize = s_.settings.At(2, kStepSize);
        series.roundTrip = s_.settings.At(2, kStepRoundTrip);
        sampling = s_.settings.At(2, kStepSampling);
        samples = s_.settings.At(2, kStepSamples);
        profile = s_.profileFile;
    }
    series.defaultStepSize = ProfileFloat("Signature", "DefaultStepSize", 5.0f, profile);
    int64_t from = 0, to = 0;
    const int r = ComputeStep(series, index, from, to, stepCount);
    if (r < 0) {
        s_.Report("Signature : The step response series has no step that reaches its end.");
        return -1;
    }
    if (r > 0) return 1;
    const float values[4] = {static_cast<float>(from) / 100.0f, static_cast<float>(to) / 100.0f, sampling, samples};
    if (s_.WriteFloats("STEP_RESP_SET", values, 4) != 0) {
        s_.Report(platform::Format("Signature Setting Error: Step Resp start =%.1f  end = %.1f ", values[0], values[1]));
        return -1;
    }
    std::lock_guard<std::mutex> lock(s_.mainLock);
    s_.nextStepFrom = values[0];
    s_.nextStepTo = values[1];
    return 0;
}

void Worker::RestoreServoReset(bool resetOff, float value) {
    if (!resetOff) return;
    if (s_.WriteFloats("SERVO_RESET", &value, 1) == 0 || s_.WriteFloats("SERVO_RESET", &value, 1) == 0) return;
    s_.Report("Write SERVO_RESET failed.");
    std::lock_guard<std::mutex> lock(s_.mainLock);
    s_.runMessage = "Error: Failed to restore servo parameters.";
}

Outcome Worker::Stabilize(float target, float tolerance, float limitS, bool resetOff) {
    const int kind = KindStepResponse;
    std::array<float, 3> ring{};
    auto readPosition = [this](float& value) {
        fieldbus::StatusValue v;
        if (s_.device.ReadTbFinalPositionValue(v) != 0) return 1;
        value = v.value;
        return 0;
    };
    auto within = [&ring](float x, float e) {
        return std::all_of(ring.begin(), ring.end(), [x, e](float v) { return std::fabs(v - x) <= e; });
    };
    stabilizeTimedOut_ = false;
    // A position that cannot be read is no settled valve.
    for (float& v : ring)
        if (readPosition(v) != 0) return Fail(kind, "Signature : Read Real Time Data Error");
    if (within(target, tolerance)) return Outcome::Done;

    fieldbus::ScalingRecord range;
    if (s_.device.ReadTbFinalValueRange(range) != 0) return Fail(kind, "Signature : Read Real Time Data Error");
    const float command = std::clamp(target, std::min(range.eu0, range.eu100), std::max(range.eu0, range.eu100));
    if (s_.WriteFloats("FINAL_VALUE.VALUE", &command, 1) != 0)
        return Fail(kind, platform::Format("Signature : Write FINAL_VALUE %.1f Error", command));
    float cutHi = 0, cutLo = 0;
    if (s_.device.ReadTbFinalValueCuttoffHi(cutHi) != 0 || s_.device.ReadTbFinalValueCuttoffLo(cutLo) != 0)
        return Fail(kind, "Signature : Read Real Time Data Error");
    float expected = command;
    if (command >= cutHi) expected = 100.0f;
    if (target < cutLo) expected = 0.0f;

    const float mean0 = (ring[0] + ring[1] + ring[2]) / 3.0f;
    const float d0 = std::max(std::fabs(target - mean0), 1e-3f);
    platform::Clock& clock = platform::GetClock();
    const uint64_t since = clock.NowMs();
    for (size_t next = 0;; next = (next + 1) % ring.size()) {
        if (StopRequested()) return Outcome::Stopped;
        if (Pause(kStabilizePollMs)) return Outcome::Stopped;
        if (readPosition(ring[next]) != 0) return Fail(kind, "Signature : Read Real Time Data Error");
        if (within(expected, tolerance)) return Outcome::Done;
        const float spread = std::max({std::fabs(ring[0] - ring[1]), std::fabs(ring[1] - ring[2]),
                                       std::fabs(ring[0] - ring[2])});
        if (resetOff && spread <= tolerance) return Outcome::Done;  // the valve has stopped moving
        SignatureProgress p;
        if (ReadProgress(p) != 0) return Fail(kind, "Signature : Read Real Time Data Error");
        const float m = resetOff ? spread : std::fabs(expected - (ring[0] + ring[1] + ring[2]) / 3.0f);
        p.percent = std::clamp(100.0f - std::fabs((m - tolerance) / d0 * 100.0f), 0.0f, 100.0f);
        p.phase = kPhaseStabilizing;
        {
            std::lock_guard<std::mutex> lock(s_.mainLock);
            p.percent = StepSeriesPercent(p.percent, kResultRunning, p.phase, s_.stepIndex, s_.stepCount);
        }
        Store(p);
        Post(WM_SIG_PROGRESS, static_cast<uintptr_t>(kind), 0);
        if (clock.NowMs() - since > static_cast<uint64_t>(std::max(limitS, 0.0f) * 1000.0f)) {
            s_.Report("Signature : Stabilizing process time out.");
            Post(WM_SIG_STABILIZE_TIMEOUT, 0);
            stabilizeTimedOut_ = true;
            return Outcome::Done;  // not settled: the series is left out, the next kind runs
        }
    }
}

Outcome Worker::RunStepResponse() {
    const int kind = KindStepResponse;
    std::string profile;
    float start = 0, tolerance = 0, limitS = 0;
    bool resetOff = false;
    {
        std::lock_guard<std::mutex> lock(s_.mainLock);
        profile = s_.profileFile;
        start = s_.settings.At(2, kStepStart);
        tolerance = s_.settings.At(2, kStepErrorLimit);
        limitS = s_.settings.At(2, kStepTimeLimit);
        resetOff = s_.resetOff;
    }
    const int seconds = std::clamp(
        platform::GetPrivateProfileInt("Diagnostics", "Signature Interval(sec)", 1, profile), 0, kLongestIntervalS);
    if (seconds > 0 && Pause(static_cast<uint32_t>(seconds) * 1000u)) return Outcome::Stopped;

    // The dead-band test: no integral action while the steps run.
    float servoReset = 0.0f;
    if (resetOff) {
        const float off = 0.0f;
        if (s_.ReadFloats("SERVO_RESET", &servoReset, 1) != 0 || s_.WriteFloats("SERVO_RESET", &off, 1) != 0)
            return Fail(kind, "Write SERVO_RESET failed.");
    }

    // Not settled in time: the series is left out and the next kind runs.
    Outcome o = Stabilize(start, tolerance, limitS, resetOff);
    if (o != Outcome::Done || stabilizeTimedOut_) {
        RestoreServoReset(resetOff, servoReset);
        return o;
    }

    int count = 1;
    for (int i = 0;;) {
        const int r = WriteStep(i, count);
        if (r < 0) {
            RestoreServoReset(resetOff, servoReset);
            return Fail(kind);
        }
        ++i;
        if (r > 0) {
            Pause(kSeriesEndPauseMs);
            Post(WM_SIG_STEP_SERIES_DONE, kind);
            RestoreServoReset(resetOff, servoReset);
            return Outcome::Done;
        }
        o = Measure(kind, i, count);
        if (o == Outcome::Failed) {
            SetStepPosition(1, 1);
            RestoreServoReset(resetOff, servoReset);
            return o;
        }
        if (o == Outcome::Stopped) {
            Pause(kSeriesEndPauseMs);
            Post(WM_SIG_STEP_SERIES_DONE, kind);
            RestoreServoReset(resetOff, servoReset);
            return o;
        }
        uint8_t result = 0;
        if (s_.ReadU8("SIGN_MEAS_RESULT", result) != 0) {
            SetStepPosition(1, 1);
            RestoreServoReset(resetOff, servoReset);
            return Fail(kind, "Signature :Read SIGN_MEAS_RESULT Error!");
        }
        if (result == kResultSucceeded) {
            SetStepPosition(1, 1);
            continue;
        }
        if (i > 1) {
            Pause(kSeriesEndPauseMs);
            Post(WM_SIG_STEP_SERIES_DONE, kind);
        }
        RestoreServoReset(resetOff, servoReset);
        return Outcome::Done;
    }
}

}  // namespace diagnostics::worker
