#pragma once
// The step-response options of 'tessaro-cli signature', as the settings sheet's step page
// holds them: start and end set points, sampling rate and samples (sent to the device), the
// step size, the round trip, a series of cycles or the automatic series, the dead-band test,
// and the limits for reaching the start. They are checked with the sheet's own rules.
#include <string>
#include <vector>

#include "cli/Verb.h"
#include "diagnostics/SignatureSettings.h"

namespace cli {

class Context;

// The verb's options for the step response.
std::vector<VerbOption> StepResponseOptions();
// Whether any of them was given.
bool HasStepOptions(const Context& ctx);

// Puts the given options into group 2 of `settings` (the rest keep the device's values) and
// sets `resetOff` for a dead-band test. `measureAll`: a run of all kinds, where only the set
// points, the sampling rate and the samples may be changed. `rangeMin`/`rangeMax`: the
// device's set point range. Returns "" or what is wrong (the sheet's messages).
std::string ApplyStepOptions(const Context& ctx, bool measureAll, float rangeMin, float rangeMax,
                             diagnostics::SignatureSettings& settings, bool& resetOff);

}  // namespace cli
