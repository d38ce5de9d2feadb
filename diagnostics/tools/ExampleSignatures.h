#pragma once
// Signature records computed from a simple valve model (spring range, friction, a second
// order step response), for the shipped example files, tests, pictures and benchmarks.
#include <string>

#include "diagnostics/CSignatureData.h"
#include "diagnostics/SignatureFile.h"

namespace diagnostics::examples {

struct ValveModel {
    float springLow = 20.0f;   // kPa at 0 % position
    float springHigh = 100.0f; // kPa at 100 %
    float friction = 4.0f;     // kPa, half the width of the hysteresis loop
    float overshoot = 8.0f;    // % of a step
    float timeConstant = 0.4f; // s
    float accuracy = 0.3f;     // % settling error of a step series
};

SignatureDate MakeDate(int year, int month, int day, int hour, int minute);

// 18 points: nine on the rising stroke (10 to 90 %), nine coming back.
CSignatureData StandardSignature(const ValveModel& valve, const std::string& name, const SignatureDate& date);
// 100 points from 95 % down to 5 % and back up.
CSignatureData ExtendedSignature(const ValveModel& valve, const std::string& name, const SignatureDate& date);
// One step from `from` to `to` % with `samples` samples 50 ms apart (nine before the step).
CSignatureData StepResponse(const ValveModel& valve, const std::string& name, const SignatureDate& date,
                            float from, float to, int samples);
// A series from 50 to 70 % in steps of 10, round trip 2: eight steps of `samplesPerStep`.
CSignatureData StepSeries(const ValveModel& valve, const std::string& name, const SignatureDate& date,
                          int samplesPerStep);
// Input 0-100 % and back in ten intervals (21 points).
CSignatureData PositionerSignature(const ValveModel& valve, const std::string& name, const SignatureDate& date);

// A block of one kind holding the records, with a scale fitted to them.
SignatureBlockToWrite Block(int kind, std::vector<const CSignatureData*> curves);

}  // namespace diagnostics::examples
