#pragma once
// What the analysis found in one signature record. All zero until the record was analysed;
// never stored in files (a record read from a file is analysed again).
#include <cstdint>
#include <string>
#include <vector>

namespace diagnostics {

// One cell of a step series' calibration table: the deviation of a settled position from its
// set point, or an empty place.
struct StepSeriesCell {
    float value = 0.0f;
    bool valid = false;
    bool operator==(const StepSeriesCell&) const = default;
};

struct SignatureResults {
    uint32_t error = 0;  // 1: the analysis ran and found nothing to show
    uint32_t valid = 0;  // 1: the figures below may be shown

    // Actuator signatures, in the pressure unit of the record's x axis (percent: of the span).
    double springRangeLow = 0.0;
    double springRangeHigh = 0.0;
    double maxFriction = 0.0;
    double minFriction = 0.0;
    double avgFriction = 0.0;
    double maxFrictionPercent = 0.0;
    double minFrictionPercent = 0.0;
    double avgFrictionPercent = 0.0;

    // Single step response.
    float stepResponseTimePercent = 0.0f;  // the p of "Tp"
    double overshoot = 0.0;                // percent of the step
    double stepResponseTime = 0.0;         // seconds
    uint32_t found = 0;                    // 1 when Tp was reached

    // Step series shown as a calibration.
    bool series = false;
    double accuracyHigh = 0.0;  // largest deviation (%)
    double accuracyLow = 0.0;   // smallest deviation (%)
    double hysteresis = 0.0;    // hysteresis plus dead band (%)
    double repeatability = 0.0;
    double deadBand = 0.0;
    int stepsPerLeg = 0;
    double stepSize = 0.0;
    double seriesStart = 0.0;
    double seriesEnd = 0.0;
    std::vector<StepSeriesCell> cells;  // rows of 2 * stepsPerLeg + 1, in list order

    // The error text of a failed analysis ("Error: the Gain is 0!"), "" otherwise.
    std::string message;

    bool Analysed() const { return error != 0 || valid != 0; }
};

}  // namespace diagnostics
