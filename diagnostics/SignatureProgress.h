#pragma once
// What the signature worker learns at each poll of a running measurement, and how the
// device's SIGN_MEAS_STATE and SIGN_MEAS_RESULT read.
#include <cstdint>
#include <string>

namespace diagnostics {

// Phase byte: the kind bit being measured, or one of these.
inline constexpr uint8_t kPhaseIdle = 0;
inline constexpr uint8_t kPhaseOffset = 0x20;
inline constexpr uint8_t kPhaseStabilizing = 0x40;

// SIGN_MEAS_RESULT while the measurement runs.
inline constexpr uint32_t kResultRunning = 0xFF;
inline constexpr uint32_t kResultSucceeded = 1;
inline constexpr uint32_t kResultCancelled = 2;
inline bool IsWarningResult(uint32_t r) { return r == 10 || r == 20 || r == 30 || r == 40; }
inline bool IsErrorResult(uint32_t r) { return r == 100 || r == 110 || r == 120 || r == 130; }

#pragma pack(push, 1)
struct SignatureProgress {
    float temperature = 0.0f;     // ELECT_TEMP
    float outputPressure = 0.0f;  // OUT_PRESSURE
    float actualPosition = 0.0f;  // FINAL_POSITION_VALUE
    float servoOutput = 0.0f;     // SERVO_OUTPUT_SIGNAL
    float aoOutput = 0.0f;        // AO OUT
    uint32_t result = 0;          // SIGN_MEAS_RESULT
    float percent = 0.0f;         // of the kind being measured
    uint8_t phase = 0;            // kind bit, kPhaseOffset, kPhaseStabilizing or 0
};
#pragma pack(pop)
static_assert(sizeof(SignatureProgress) == 29);

// SIGN_MEAS_STATE decoded: 1-9 offset measurement (10 % a step), 10-29 standard, 30-49
// extended, 50-69 step response, 70-89 positioner (5 % a step), 0 idle. Any other value reads
// as 100 % of the positioner signature and is `wrong`.
struct DecodedState {
    float percent = 0.0f;
    uint8_t phase = kPhaseIdle;
    bool wrong = false;
};
DecodedState DecodeSignatureState(uint8_t state);

// The percent of a whole step-response series while its step `index` of `count` runs.
float StepSeriesPercent(float percent, uint32_t result, uint8_t phase, int index, int count);

// The status the progress window shows: "SUCCEEDED", "CANCELLED", "WARNING", "ERROR" (each
// "STABILIZING" while stabilizing), "RUNNING" ("OFFSET MEAS" during the offset measurement,
// "STARTING" in a run of all kinds before its first percent), "UNKNOWN"; "LOADING" while a
// single kind waits for its data to be loaded.
std::string SignatureStatusText(const SignatureProgress& progress, bool allKinds, bool loading);

}  // namespace diagnostics
