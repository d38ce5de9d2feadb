// The host-controlled signature run: for positioners without the signature option the
// program strokes the valve itself. The worker ramps FINAL_VALUE as the HostSignatureEngine
// asks, feeds it the polled pressure and position, and softens the servo for the slow ramp
// (a tenth of the gain, three times the reset time); every way out of a run puts the servo
// values back.
#include <algorithm>
#include <cstring>
#include <ctime>

#include "diagnostics/SignatureKind.h"
#include "diagnostics/SignatureWorker.h"
#include "platform/Ui.h"

namespace diagnostics::worker {

namespace {

constexpr uint32_t kHostPollMs = 100;
// A run that is not complete after this many scan times ends with an error.
constexpr double kHostLimitScans = 3.0;
// ... and at least this long, for the settling at both ends of the stroke.
constexpr double kHostLimitExtraS = 60.0;

const char* const kServoNames[5] = {"SERVO_GAIN", "SERVO_RESET", "SERVO_RATE", "SERVO_RATE_GAIN", "SERVO_DEADBAND"};

}  // namespace

int Worker::ReadServo(ServoSet& set) {
    fieldbus::DeviceAccess& d = s_.device;
    float* v = set.values.data();
    return d.ReadTbServoGain(v[0]) != 0 || d.ReadTbServoReset(v[1]) != 0 || d.ReadTbServoRate(v[2]) != 0 ||
                   d.ReadTbServoRateGain(v[3]) != 0 || d.ReadTbServoDeadband(v[4]) != 0 ||
                   d.ReadTbServoOffset(v[5]) != 0
               ? 1
               : 0;
}

int Worker::WriteServo(const ServoSet& set) {
    for (int i = 0; i < 5; ++i)
        if (s_.WriteFloats(kServoNames[i], &set.values[static_cast<size_t>(i)], 1) != 0) return 1;
    return 0;
}

bool Worker::RestoreServo(const ServoSet& set) {
    if (WriteServo(set) == 0 || WriteServo(set) == 0) return true;
    s_.Report("Error: Failed to restore servo parameters.");
    std::lock_guard<std::mutex> lock(s_.mainLock);
    s_.runMessage = "Error: Failed to restore servo parameters.";
    return false;
}

int Worker::PollHost(SignatureProgress& p) {
    if (ReadProgress(p, false) != 0) return 1;
    std::lock_guard<std::mutex> lock(s_.engineLock);
    s_.engine.Progress(p.result, p.percent, p.phase);
    return 0;
}

Outcome Worker::MeasureHost(int kind) {
    Outcome o = WaitForPermission(kind, true);
    if (o != Outcome::Done) return o;
    SignatureProgress p;
    if (PollHost(p) != 0) return Fail(kind, "Signature : Read Real Time Data Error");
    fieldbus::ScalingRecord range;
    if (s_.device.ReadTbFinalValueRange(range) != 0) return Fail(kind, "Signature : Read Real Time Data Error");
    if (kind > KindExtended) return Fail(kind, "Only standard and extended signature available in host controll mode.");

    float settings[kGroupFloats];
    double scanS = 0;
    {
        std::lock_guard<std::mutex> lock(s_.mainLock);
        const int group = SettingsGroupOfKind(kind);
        for (int i = 0; i < kGroupFloats; ++i) settings[i] = s_.settings.At(group, i);
        scanS = kind == KindStandard ? settings[1] : settings[3];
    }
    {
        std::lock_guard<std::mutex> lock(s_.engineLock);
        if (!s_.engine.Start(KindBit(kind), p.temperature, settings, range.eu0, range.eu100, std::time(nullptr)))
            return Fail(kind, "Signature : The settings give no set-point ramp (the end is not above the start).");
    }
    Post(WM_SIG_STARTED, static_cast<uintptr_t>(kind));

    // The servo softened for the slow ramp; read first so that it can be put back.
    ServoSet kept;
    if (ReadServo(kept) != 0) return Fail(kind, "Signature : Read servo parameters failed.");
    ServoSet soft = kept;
    soft.values[0] = std::max(kept.values[0] * 0.1f, 0.5f);
    soft.values[1] = std::min(kept.values[1] * 3.0f, 50.0f);
    if (WriteServo(soft) != 0) {
        RestoreServo(kept);
        return Fail(kind, "Signature : Write servo parameters failed.");
    }
    SetStepPosition(1, 1);

    platform::Clock& clock = platform::GetClock();
    const uint64_t since = clock.NowMs();
    const uint64_t limitMs = static_cast<uint64_t>((kHostLimitScans * scanS + kHostLimitExtraS) * 1000.0);
    lastHost_ = SignatureProgress{};
    auto write = [this](float sp) { return s_.WriteFloats("FINAL_VALUE.VALUE", &sp, 1); };
    for (;;) {
        if (PollHost(p) != 0) {
            RestoreServo(kept);
            return Fail(kind, "Signature : Read Real Time Data Error");
        }
        const bool changed = std::memcmp(&p, &lastHost_, sizeof p) != 0;
        if (changed) {
            lastHost_ = p;
            Store(p);
            Post(WM_SIG_PROGRESS, static_cast<uintptr_t>(kind), 0);
        }
        if (p.result == kResultSucceeded || p.result == kResultCancelled) {
            Permit(false);
            Post(p.result == kResultSucceeded ? WM_SIG_SUCCEEDED : WM_SIG_CANCELLED, static_cast<uintptr_t>(kind));
            RestoreServo(kept);
            return Outcome::Done;
        }
        int stepped = 0;
        {
            std::lock_guard<std::mutex> lock(s_.engineLock);
            stepped = s_.engine.Step(p.outputPressure, p.actualPosition, changed, clock.NowMs(), write);
        }
        if (stepped != 0) {
            RestoreServo(kept);
            return Fail(kind, "Signature : Write FINAL_VALUE Error");
        }
        if (Pause(kHostPollMs)) {
            RestoreServo(kept);
            return Outcome::Stopped;
        }
        if (clock.NowMs() - since > limitMs) {
            {
                std::lock_guard<std::mutex> lock(s_.engineLock);
                s_.engine.RequestStop();
            }
            RestoreServo(kept);
            return Fail(kind, "Signature : Host controlled signature did not complete in time.");
        }
    }
}

Outcome Worker::RunHost(uint8_t mask) {
    if (mask == kMeasureAll) {
        s_.Report("Host Controlled signature does not support MEASURE ALL");
        std::lock_guard<std::mutex> lock(s_.mainLock);
        s_.runMessage = "Host controlled signature does not support MEASURE ALL";
        return Outcome::Stopped;
    }
    for (int kind = KindStandard; kind <= KindPositioner; ++kind) {
        if ((mask & KindBit(kind)) == 0) continue;
        if (kind > KindExtended) {
            std::lock_guard<std::mutex> lock(s_.mainLock);
            s_.runMessage = "Host PC only supports Standard and Extened Signature!";
            return Outcome::Stopped;
        }
        SetStepPosition(1, 1);
        const Outcome o = MeasureHost(kind);
        if (o == Outcome::Stopped) return o;
        if (o == Outcome::Failed) {
            std::lock_guard<std::mutex> lock(s_.mainLock);
            if (s_.stopRequested) return Outcome::Stopped;
            return Outcome::Failed;
        }
    }
    return Outcome::Done;
}

}  // namespace diagnostics::worker
