#include "diagnostics/SignatureSettingsRules.h"

#include <algorithm>
#include <cmath>

#include "platform/Ui.h"

namespace diagnostics {

namespace {

// Inclusive, with room for the rounding of values typed in decimals.
constexpr double kSlack = 1e-4;
bool Within(double v, double lo, double hi) { return std::isfinite(v) && v >= lo - kSlack && v <= hi + kSlack; }

std::string Result(const char* heading, const std::string& lines) {
    return lines.empty() ? std::string() : std::string(heading) + lines + "\n";
}

}  // namespace

std::string ValidateStandardSettings(const SignatureSettings& s) {
    std::string lines;
    if (!Within(s.At(0, 1), 20, 3600)) lines += "  The Scan Time range is (20,3600)\n";
    if (!Within(s.At(0, 2), 0, 500)) lines += "  The range of Deviation Margin is (0,500)\n";
    return Result("Standard Actuator Signature Parameter(s):\n", lines);
}

std::string ValidateExtendedSettings(const SignatureSettings& s, int samplingIndex) {
    std::string lines;
    const double lower = s.At(1, 0), higher = s.At(1, 1);
    if (!Within(lower, -10, 110)) lines += "  The range of Lower Set Point is (-10,110)\n";
    if (!Within(higher, -10, 110)) lines += "  The range of Higher Set Point is (-10,110)\n";
    if (!(higher > lower)) lines += "  Higher Set Point must greater Lower Set Point\n";
    if (!Within(s.At(1, 3), 20, 3600)) lines += "  The range of Scan Time is (20,3600).\n";
    if (!Within(s.At(1, 4), 0, 500)) lines += "  The range of Deviation Margin is (0,500)\n";
    if (samplingIndex < 0 || samplingIndex > 4) lines += "  The range of Sampling Rate is (200,1000)\n";
    return Result("Extended Actuator Signature Parameter(s):\n", lines);
}

std::string ValidatePositionerSettings(const SignatureSettings& s) {
    std::string lines;
    const double lower = s.At(3, 0), higher = s.At(3, 1);
    if (!Within(lower, -10, 110)) lines += "  The range of Lower Set Point  is (-10,110)\n";
    if (!Within(higher, -10, 110)) lines += "  The range of Higher Set Point  is (-10,110)\n";
    if (!(higher >= lower + 10 - kSlack)) lines += "  Higher Set Point - Lower Set Point should be greater than 10%.\n";
    if (!Within(s.At(3, 2), 4, 20)) lines += "  The range of Intervals (points) is (4,20).\n";
    if (!Within(s.At(3, 4), 5, 300)) lines += "  The range of Wait Time is (5,300).\n";
    return Result("Positioner Signature Parameter(s):\n", lines);
}

std::string ValidateStepSettings(const SignatureSettings& s, const StepPageChoice& choice, bool measureAll,
                                 float rangeMin, float rangeMax) {
    std::string lines;
    const double initial = s.At(2, kStepStart), destination = s.At(2, kStepEnd);
    if (!Within(initial, rangeMin, rangeMax))
        lines += platform::Format("  The range Initial Set Point is (%.1f, %.1f)\n", rangeMin, rangeMax);
    if (!Within(destination, rangeMin, rangeMax))
        lines += platform::Format("  The range of Destination Set Point  is (%.1f, %.1f)\n", rangeMin, rangeMax);
    if (!Within(s.At(2, kStepSampling), 20, 1000)) lines += "  The range of Smaple Rate is (20,1000).\n";
    if (!Within(s.At(2, kStepSamples), 20, 600)) lines += "  The range of Number of Point is (20,600)\n";
    const double way = std::fabs(destination - initial);
    if (!(way >= 0.1 - kSlack))
        lines += "  The diffence between Destination Point and Initial Point must be greater than 0.1\n";
    if (!measureAll) {
        const bool deadBandTest = choice.severalSteps && choice.cycles && choice.deadBand;
        const double limit = deadBandTest ? std::min(way, 2.0) : way;
        const double step = s.At(2, kStepSize);
        if (deadBandTest) {
            if (!Within(step, 0.1, limit))
                lines += platform::Format("  The step size of Step Response Test(Dead Band Test) should be (0.1,%.1f)\n",
                                          limit);
        } else if (!(step == 0.0) && !Within(step, 0.1, limit)) {
            lines += platform::Format("  The step size of Step Response Test should be 0 or (0.1,%.1f)\n", limit);
        }
        const double half = (step == 0.0 ? way : step) * 0.5;
        const double lower = half >= 0.1 ? 0.1 : half;
        if (!Within(s.At(2, kStepErrorLimit), lower, way))
            lines += platform::Format("  The Init Start Pos Error Limit of Step Response Test should be (%.2f, %.2f)\n",
                                      lower, way);
        if (!Within(s.At(2, kStepTimeLimit), 10, 60))
            lines += "  The Init Start Pos Time Limit of Step Response Test should be (10, 60)\n";
    }
    if (choice.severalSteps && choice.cycles && choice.cycleCount < 1) lines += "  The Cycle must be greater than 0 \n";
    return Result("Step Response Test Parameter(s):\n", lines);
}

StepPageChoice DecodeRoundTrip(float r) {
    StepPageChoice c;
    if (r > -1.0f && r < 2.0f) {
        c.roundTrip = r != 0.0f;
    } else if (std::isfinite(r)) {
        c.severalSteps = true;
        c.cycles = r >= 2.0f;
        c.cycleCount = c.cycles ? static_cast<int>(r / 2.0f) : 0;
    }
    return c;
}

void EncodeRoundTrip(const StepPageChoice& choice, bool measureAll, SignatureSettings& s, bool& resetOff) {
    float& r = s.At(2, kStepRoundTrip);
    if (measureAll)
        r = 0.0f;
    else if (!choice.severalSteps)
        r = choice.roundTrip ? 1.0f : 0.0f;
    else if (choice.cycles)
        r = 2.0f * static_cast<float>(choice.cycleCount);
    else
        r = -1.0f;
    resetOff = choice.severalSteps && choice.cycles && choice.deadBand;
    if (choice.severalSteps && !measureAll) s.At(2, kStepStart) = kSeriesStart;
}

float SamplingRateOfEntry(int index) { return static_cast<float>((std::clamp(index, 0, 4) * 5 + 5) * 40); }

int SamplingEntryOfRate(float rate) {
    const double r = std::isfinite(rate) ? std::clamp<double>(rate, -1e6, 1e6) : 0.0;
    return std::clamp((static_cast<int>(r) + 100) / 200 - 1, 0, 4);
}

float StepTotalTimeS(const SignatureSettings& s) { return s.At(2, kStepSamples) * s.At(2, kStepSampling) / 1000.0f; }

}  // namespace diagnostics
