#include "diagnostics/SignatureProgressText.h"

#include <cmath>
#include <vector>

#include "diagnostics/SignatureKind.h"
#include "platform/Ui.h"

namespace diagnostics {

namespace {

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
    return text;
}

}  // namespace

int KindOfPhase(uint8_t phase) { return phase == kPhaseOffset || phase == kPhaseStabilizing ? -1 : KindOfBit(phase); }

std::string ProgressTitle(int kind, uint8_t phase) {
    if (phase == kPhaseOffset) return "Offset Measurement";
    if (phase == kPhaseStabilizing) return "Step Response Test";
    if (kind >= KindStandard && kind <= KindPositioner) return KindTitle(kind);
    return "Signature";
}

std::string ProgressSettingsText(int kind, uint8_t phase, const SignatureSettings& s, float defaultStepSize) {
    using platform::Format;
    if (phase == kPhaseOffset) return Join({"", "Measuring Offset ..."});
    if (phase == kPhaseStabilizing) return Join({"", "Stabilizing Start Point, Please Wait ..."});
    switch (kind) {
    case KindStandard:
        return Join({Format(" Recommended Scan Time(s) : %.1f", s.At(0, 0)), Format(" Setting Scan Time(s) : %.1f", s.At(0, 1)),
                     Format(" Deviation Margin(%%) : %.1f", s.At(0, 2))});
    case KindExtended:
    case KindHighResolution:
        return Join({Format(" Lower Set Point(%%) : %.1f", s.At(1, 0)), Format(" Higher Set Point(%%) : %.1f", s.At(1, 1)),
                     Format(" Recommended Scan Time(s) : %.1f", s.At(1, 2)),
                     Format(" Setting Scan Time(s) : %.1f", s.At(1, 3)), Format(" Deviation Margin(%%) : %.1f", s.At(1, 4)),
                     Format(" Sampling Rate(ms) : %.1f", s.At(1, 5))});
    case KindStepResponse: {
        float step = s.At(2, kStepSize);
        // An automatic series without a step size steps by the profile's default, else the
        // whole way.
        if (s.At(2, kStepRoundTrip) <= -1.0f && step == 0.0f) step = defaultStepSize;
        if (step == 0.0f) step = std::fabs(s.At(2, kStepEnd) - s.At(2, kStepStart));
        return Join({Format(" Initial Set Point(%%) : %.1f", s.At(2, kStepStart)),
                     Format(" Destination Set Point(%%) : %.1f", s.At(2, kStepEnd)),
                     Format(" Sampling Rate(ms) : %.1f", s.At(2, kStepSampling)),
                     Format(" Num of Samples : %d", static_cast<int>(s.At(2, kStepSamples))),
                     Format(" Step Size(%%) : %.1f", step),
                     Format(" Round Trip: %s", static_cast<int>(s.At(2, kStepRoundTrip)) == 1 ? "YES" : "NO")});
    }
    case KindPositioner:
        return Join({Format(" Lower Input Signal(%s) : %.1f", "%", s.At(3, 0)),
                     Format(" Higher Input Signal(%s) : %.1f", "%", s.At(3, 1)),
                     Format(" Intervals(points) : %d", static_cast<int>(s.At(3, 2))),
                     Format(" Recommended Wait Time(s) : %.1f", s.At(3, 3)), Format(" Wait Time (s) : %.1f", s.At(3, 4))});
    default:
        return {};
    }
}

std::string ValueWithUnit(float value, const std::string& unit) { return platform::Format("%.2f %s", value, unit.c_str()); }

std::string LastUpdateText(std::time_t when) {
    std::tm t{};
    localtime_r(&when, &t);
    char text[64] = {};
    std::strftime(text, sizeof text, "Last update time @ %m-%d-%y %H:%M:%S", &t);
    return text;
}

}  // namespace diagnostics
