#include "diagnostics/SignatureReport.h"

#include <cmath>

#include "platform/Ui.h"

namespace diagnostics {

namespace {

using platform::Format;

int Truncated(float v) { return std::isfinite(v) ? static_cast<int>(std::trunc(std::fmax(std::fmin(v, 2e9f), -2e9f))) : 0; }
int Rounded(float v) { return Truncated(std::round(v)); }

std::string Line(const std::string& text) { return text + "\n"; }

}  // namespace

std::string MeasurementSettingText(const CSignatureData& r) {
    const SignatureHeader& h = r.header;
    std::string out = Line("Measurement Setting : ");
    out += Line(Format("\tTemperature  : %.1f", h[0]));
    switch (r.kind) {
    case KindStandard:
        out += Line(Format("\tRecommended Scan Time(s) : %.1f", h[1]));
        out += Line(Format("\tSetting Scan Time(s) : %.1f", h[2]));
        out += Line(Format("\tDeviation Margin(%%) : %.1f", h[3]));
        break;
    case KindExtended:
    case KindHighResolution:
        out += Line(Format("\tLower Set Point(%%) : %.1f", h[1]));
        out += Line(Format("\tHigher Set Point(%%) : %.1f", h[2]));
        out += Line(Format("\tRecommended Scan Time(s) : %.1f", h[3]));
        out += Line(Format("\tSetting Scan Time(s) : %.1f", h[4]));
        out += Line(Format("\tDeviation Margin(%%) : %.1f", h[5]));
        out += Line(Format("\tSampling Rate(ms) : %.1f", h[6]));
        break;
    case KindStepResponse: {
        out += Line(Format("\tInitial Set Point(%%) : %.1f", h[1]));
        out += Line(Format("\tDestination Set Point(%%) : %.1f", h[2]));
        out += Line(Format("\tSampling Rate(ms) : %.1f", h[3]));
        out += Line(Format("\tNum of Samples : %d", Truncated(h[4])));
        if (h[5] == 0.0f)
            out += Line(Format("\tStep Size(%%) : %.1f", std::fabs(h[2] - h[1])));
        else if (h[5] > 0.0f)
            out += Line(Format("\tStep Size(%%) : %.1f", h[5]));
        if (h[6] >= 0.0f) out += Line(Format("\tRound Trip: %s", Truncated(h[6]) == 1 ? "YES" : "NO"));
        if (h[7] >= 0.0f) out += Line(Format("\tInit Start Position Error limit(%%): %.2f", h[7]));
        if (h[8] >= 0.0f) out += Line(Format("\tInit Start Pos. Time Limit(sec): %d", Truncated(h[8])));
        break;
    }
    case KindPositioner:
        out += Line(Format("\tLower Input Signal(%s) : %.1f", "%", h[1]));
        out += Line(Format("\tHigher Input Signal(%s) : %.1f", "%", h[2]));
        out += Line(Format("\tIntervals(points) : %d", Truncated(h[3])));
        out += Line(Format("\tRecommended Wait Time(s) : %.1f", h[4]));
        out += Line(Format("\tWait Time (s) : %.1f", h[5]));
        break;
    default: break;
    }
    return out + "\n";
}

std::string ResultAnalysisText(const CSignatureData& r) {
    const SignatureResults& s = r.results;
    if (s.valid == 0) return {};
    std::string out = Line("Result Analysis : ");
    const char* unit = r.xAxis.unit.c_str();
    if (IsActuatorKind(r.kind)) {
        out += Line(Format("\tSpring Range Low   : %.3f %s", s.springRangeLow, unit));
        out += Line(Format("\tSpring Range High   : %.3f %s", s.springRangeHigh, unit));
        out += Line(Format("\tMaximum Friction  : %.3f %s,  %.3f %%", s.maxFriction, unit, s.maxFrictionPercent));
        out += Line(Format("\tMinimum Friction  : %.3f %s,  %.3f %%", s.minFriction, unit, s.minFrictionPercent));
        out += Line(Format("\tAverage Friction  : %.3f %s,  %.3f %%", s.avgFriction, unit, s.avgFrictionPercent));
    } else if (r.kind == KindStepResponse && s.series) {
        out += Line(Format("\tMeasured Accuracy High  : %.2f %%", s.accuracyHigh));
        out += Line(Format("\tMeasured Accuracy Low  : %.2f %%", s.accuracyLow));
        out += Line(Format("\tHysteresis plus Dead Band  : %.2f %%", s.hysteresis));
        out += Line(Format("\tRepeatability  : %.2f %%", s.repeatability));
        out += Line(Format("\tDead Band  : %.2f %%", s.deadBand));
    } else if (r.kind == KindStepResponse) {
        out += Line(Format("\tOvershoot  : %.2f %%", s.overshoot));
        const int p = Rounded(s.stepResponseTimePercent);
        out += Line(s.found ? Format("\tT%d  : %.2f sec", p, s.stepResponseTime) : Format("\tT%d was not found", p));
    }
    return out + "\n";
}

std::string MeasurementSummaryText(const CSignatureData& r) {
    std::string out = Line("Signature Type :" + KindTitle(r.kind)) + "\n";
    out += MeasurementSettingText(r);

    out += Line("Input and Output Setting : ");
    const std::string spring =
        Format("\tSPRING_RANGE      : %.1f -- %.1f %s ", r.xAxis.minimum, r.xAxis.maximum, r.xAxis.unit.c_str());
    const std::string position =
        Format("\tFINAL_VALUE_RANGE : %.1f -- %.1f %s ", r.yAxis.minimum, r.yAxis.maximum, r.yAxis.unit.c_str());
    if (IsActuatorKind(r.kind)) {
        out += Line(spring) + Line(position);
    } else if (r.kind == KindStepResponse) {
        out += Line(position);
    } else if (r.kind == KindPositioner) {
        out += Line(Format("\tAO_LIMIT_RANGE : %.1f -- %.1f %s ", r.xAxis.minimum, r.xAxis.maximum,
                           r.xAxis.unit.c_str()));
        out += Line(position);
    }
    out += "\n";

    out += Line("Measurement Notes : ");
    size_t start = 0;
    while (start <= r.notes.size()) {
        const size_t stop = r.notes.find_first_of("\r\n", start);
        const std::string piece = r.notes.substr(start, stop == std::string::npos ? std::string::npos : stop - start);
        if (!piece.empty()) out += Line("\t" + piece);
        if (stop == std::string::npos) break;
        start = stop + 1;
    }
    out += "\n";

    out += Line("Measurement Time : " + r.DateText()) + "\n";
    out += ResultAnalysisText(r);
    return out;
}

std::string SignatureReportText(const CSignatureData& r) {
    std::string out = MeasurementSummaryText(r);
    const char* xUnit = r.xAxis.unit.c_str();
    const char* yUnit = r.yAxis.unit.c_str();
    if (r.kind == KindStepResponse) {
        out += Line(Format("%s\t%s\t%s", Format("Time(%s)", xUnit).c_str(), "Set Points",
                           Format("Position(%s)", yUnit).c_str()));
    } else {
        const std::string first = Format(r.kind == KindPositioner ? "Input(%s)" : "Pressure(%s)", xUnit);
        out += Line(Format("%s\t%s", first.c_str(), Format("Position(%s)", yUnit).c_str()));
    }
    out += Line(" ");
    for (size_t i = 0; i < r.curve1.size(); ++i) {
        const CFloatPT& p = r.curve1[i];
        if (r.kind == KindStepResponse) {
            if (i < r.curve2.size())
                out += Line(Format("%.2f\t%.2f\t%.2f", p.x, r.curve2[i].y, p.y));
            else
                out += Line(Format("%.2f\t\t%.2f", p.x, p.y));
        } else {
            out += Line(Format("%.2f\t%.2f", p.x, p.y));
        }
    }
    return out + "\n";
}

std::string SignatureReportText(const std::vector<const CSignatureData*>& records) {
    std::string out;
    const int total = static_cast<int>(records.size());
    for (int i = 0; i < total; ++i) {
        out += Line(Format("MEASUREMENT %d of %d\n", i + 1, total));
        out += SignatureReportText(*records[static_cast<size_t>(i)]);
    }
    return out;
}

std::string StepResponseNoticeText(const CSignatureData& r) {
    const SignatureResults& s = r.results;
    if (r.kind != KindStepResponse || s.valid == 0 || s.series) return {};
    const int p = Rounded(s.stepResponseTimePercent);
    return s.found ? Format(" Overshoot = %.2f%% \n\r T%d = %.2f sec.", s.overshoot, p, s.stepResponseTime)
                   : Format(" Overshoot = %.2f%% \n\r T%d = 'not found'.", s.overshoot, p);
}

}  // namespace diagnostics
