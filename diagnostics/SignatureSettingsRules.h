#pragma once
// The rules of the "Signature Setting" sheet: the ranges each page checks before its values
// are taken (one message box titled "Parameters Validate" lists every failed rule under the
// page's heading), and how the step-response page's controls code the round trip, the
// several-steps choice and the dead-band test into the settings floats.
#include <string>

#include "diagnostics/SignatureSettings.h"

namespace diagnostics {

inline constexpr const char* kValidateTitle = "Parameters Validate";

// Each returns "" when the page's values pass, else the heading, one line per failed rule
// and an empty line.
std::string ValidateStandardSettings(const SignatureSettings& s);
// `samplingIndex`: the entry chosen in the sampling-rate list (0-4), -1 when none is.
std::string ValidateExtendedSettings(const SignatureSettings& s, int samplingIndex);
std::string ValidatePositionerSettings(const SignatureSettings& s);

// What the step-response page holds besides its number fields.
struct StepPageChoice {
    bool roundTrip = false;     // "out and back" (several steps not chosen)
    bool severalSteps = false;
    bool cycles = true;         // several steps: cycles, or the automatic series
    int cycleCount = 0;
    bool deadBand = false;      // the dead-band test (cycles only)
};
// `rangeMin`/`rangeMax`: the device's FINAL_VALUE_RANGE (smaller and larger value).
std::string ValidateStepSettings(const SignatureSettings& s, const StepPageChoice& choice, bool measureAll,
                                 float rangeMin, float rangeMax);

// The step page's controls from the round trip float (group 2 float 5).
StepPageChoice DecodeRoundTrip(float roundTrip);
// Stores the choice: the round trip float, and the reset-off flag (several steps, cycles and
// the dead-band test all chosen). "Measure ALL" stores round trip 0.
void EncodeRoundTrip(const StepPageChoice& choice, bool measureAll, SignatureSettings& s, bool& resetOff);
// A series of several steps starts from 50 %.
inline constexpr float kSeriesStart = 50.0f;

// The extended page's sampling-rate list: entry i stands for (i x 5 + 5) x 40 ms; a rate
// opens at entry ((rate truncated + 100) / 200) - 1, kept within 0-4.
float SamplingRateOfEntry(int index);
int SamplingEntryOfRate(float rate);

// The step page's read-only total time (s): samples x sampling rate / 1000.
float StepTotalTimeS(const SignatureSettings& s);

}  // namespace diagnostics
