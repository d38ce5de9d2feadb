#pragma once
// The program's own signature generator for positioners that cannot measure actuator
// signatures themselves. It ramps the set point from the start of the stroke to its end and
// back, one increment per write interval, and records the sample (output pressure, position)
// nearest to each target position: 10, 20 ... 90 % up and down for the standard signature
// (18 points), 100 evenly spread targets for the extended one. The worker feeds it the polled
// samples and writes the set points it asks for; the uploads read its record instead of the
// device's.
#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <vector>

#include "diagnostics/SignatureProgress.h"

namespace diagnostics {

class HostSignatureEngine {
public:
    // Writes FINAL_VALUE.VALUE: 0, or nonzero when the write failed.
    using SetPointWriter = std::function<int(float)>;

    // States of a run.
    enum State : int {
        kToStart = 1,    // the first set point is being written
        kSettling = 2,   // waiting for the valve at the start of the ramp
        kUp = 3,
        kTop = 4,
        kDown = 5,
        kBottom = 6,
    };

    // Starts a run of the standard (bit 1) or extended (bit 2) signature with the kind's eight
    // settings floats and the set point clamps. `localStart` stamps the record. False when the
    // settings give no ramp: the end not above the start after clamping, or an increment that
    // is no positive number.
    bool Start(uint8_t kindBit, float temperature, const float settings[8], float eu0, float eu100,
               std::time_t localStart);
    // One step with the latest sample; `changed` when it differs from the one before. Returns
    // nonzero when a set-point write failed.
    int Step(float pressure, float position, bool changed, uint64_t nowMs, const SetPointWriter& write);
    void RequestStop() { stop_ = true; }
    // Started, and neither complete nor stopped.
    bool Running() const { return n_ > 0 && !stop_ && pressures_.size() < n_; }

    // Result (0xFF running, 1 done, 2 stopped), percent and phase for the progress record.
    void Progress(uint32_t& result, float& percent, uint8_t& phase) const;

    // ---- What the uploads read ----
    uint16_t RecordedCount() const { return static_cast<uint16_t>(pressures_.size()); }
    uint16_t ExpectedCount() const { return n_; }
    const std::array<float, 9>& Header() const { return header_; }
    const std::array<uint8_t, 7>& Date() const { return date_; }
    const std::vector<float>& Pressures() const { return pressures_; }
    const std::vector<float>& Positions() const { return positions_; }

    // ---- For tests and the worker ----
    int CurrentState() const { return state_; }
    float From() const { return from_; }
    float To() const { return to_; }
    uint32_t IntervalMs() const { return intervalMs_; }
    // The target position of recorded point `i`.
    float Target(int i) const;

private:
    void ResetRing();
    void Push(float y);
    bool Settled() const;
    // Writes the next set point when its interval has passed: 1 written, 0 not yet, -1 the
    // write failed; the clamps may move the state on instead.
    int NextSetPoint(uint64_t nowMs, const SetPointWriter& write);
    void Offer(float p, float y);
    void Record(float p, float y);

    int state_ = kToStart;
    uint8_t kindBit_ = 0;
    uint16_t n_ = 0;
    std::array<float, 9> header_{};
    std::array<uint8_t, 7> date_{};
    std::vector<float> pressures_, positions_;
    std::array<float, 10> ring_{};
    uint32_t pushes_ = 0;
    bool holding_ = false;
    float heldP_ = 0.0f, heldY_ = 0.0f;
    bool up_ = true;
    uint32_t counter_ = 0;
    uint32_t legSteps_ = 0;  // N
    float from_ = 0.0f, to_ = 0.0f, increment_ = 1.0f;
    float lower_ = 0.0f, higher_ = 100.0f;
    uint32_t intervalMs_ = 0;
    uint64_t lastWriteMs_ = 0;
    bool written_ = false;
    float eu0_ = 0.0f, eu100_ = 100.0f;
    bool stop_ = false;
};

// The 7-byte Fieldbus date of a local time: milliseconds (seconds x 1000), minutes, hour
// without summer time, weekday (1 Sunday .. 7) with the day, month, two-digit year.
std::array<uint8_t, 7> LocalFieldbusDate(std::time_t when);

}  // namespace diagnostics
