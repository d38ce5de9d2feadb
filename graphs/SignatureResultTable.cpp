#include "graphs/SignatureResultTable.h"

#include <algorithm>
#include <cmath>

#include "graphs/SignatureGraphTypes.h"
#include "platform/Ui.h"

namespace graphs {

using namespace diagnostics;

namespace {

std::string Value(double v) { return platform::Format("%.2f", v); }
std::string ValueOrNa(double v) { return v == 0.0 ? "N/A" : Value(v); }

// Two header rows: `top` over `sub`; a top cell over an empty sub cell spans both rows, one
// followed by empty top cells spans those columns.
void AddHeader(ResultTable& t, const std::vector<std::string>& top, const std::vector<std::string>& sub) {
    t.rows.push_back(top);
    t.rows.push_back(sub);
    for (int c = 0; c < static_cast<int>(top.size()); ++c) {
        if (top[static_cast<size_t>(c)].empty()) continue;
        int width = 1;
        while (c + width < static_cast<int>(top.size()) && top[static_cast<size_t>(c + width)].empty()) ++width;
        if (sub[static_cast<size_t>(c)].empty() && width == 1)
            t.spans.push_back({0, c, 2, 1});
        else if (width > 1)
            t.spans.push_back({0, c, 1, width});
    }
}

}  // namespace

ResultTable BuildResultTable(int type, const std::vector<const CSignatureData*>& records, bool calibration) {
    ResultTable t;
    type = GraphTypeOf(type);
    if (type == KindStandard || type == KindExtended) {
        t.title = type == KindStandard ? "Standard Signature Result Analysis"
                                       : "Extended/High Resolution Signature Result Analysis";
        const std::string unit = records.empty() ? "kPa" : records.front()->xAxis.unit;
        AddHeader(t,
                  {"PD_TAG", "TimeStamp", "Spring Range", "", "Max Friction", "", "Mean Friction", "", "Min Friction", ""},
                  {"", "", "High", "Low", unit, "%", unit, "%", unit, "%"});
        for (const CSignatureData* r : records) {
            const SignatureResults& s = r->results;
            t.rows.push_back({r->name, r->DateText(), Value(s.springRangeHigh), Value(s.springRangeLow),
                              Value(s.maxFriction), Value(s.maxFrictionPercent), Value(s.avgFriction),
                              Value(s.avgFrictionPercent), Value(s.minFriction), Value(s.minFrictionPercent)});
        }
    } else if (type == KindStepResponse && calibration) {
        t.title = "Step Response Test - Calibration Report";
        AddHeader(t, {"PD_TAG", "TimeStamp", "Measured Accuracy", "", "Hysteresis plus Dead Band", "Repeatability", "Dead Band"},
                  {"", "", "High(%)", "Low(%)", " %", "%", "% "});
        for (const CSignatureData* r : records) {
            const SignatureResults& s = r->results;
            t.rows.push_back({r->name, r->DateText(), ValueOrNa(s.accuracyHigh), ValueOrNa(s.accuracyLow),
                              ValueOrNa(s.hysteresis), ValueOrNa(s.repeatability), ValueOrNa(s.deadBand)});
        }
    } else if (type == KindStepResponse) {
        t.title = "Step Response Test Result Analysis";
        const float p = records.empty() ? 86.0f : records.front()->results.stepResponseTimePercent;
        AddHeader(t, {"PD_TAG", "TimeStamp", "Overshoot (%)", platform::Format("T%d (sec)", static_cast<int>(p))},
                  {"", "", "", ""});
        for (const CSignatureData* r : records)
            t.rows.push_back({r->name, r->DateText(), Value(r->results.overshoot), Value(r->results.stepResponseTime)});
    }
    return t;
}

ResultTable BuildCalibrationCells(const CSignatureData& record) {
    ResultTable t;
    const SignatureResults& s = record.results;
    if (!s.series || s.valid == 0 || s.stepsPerLeg <= 0) return t;
    t.title = "Step Response Test - Calibration Report";
    t.headerRows = 1;
    const size_t rowLength = 2 * static_cast<size_t>(s.stepsPerLeg) + 1;
    const size_t columns = (s.cells.size() + rowLength - 1) / rowLength;
    const bool rising = s.seriesStart < s.seriesEnd;
    std::vector<std::string> head{"Input"};
    for (size_t k = 0; k < columns; ++k) head.push_back((k % 2 == 0) == rising ? "Up" : "Down");
    t.rows.push_back(head);
    const double lowest = std::min(s.seriesEnd, 2 * s.seriesStart - s.seriesEnd);
    const double highest = std::max(s.seriesEnd, 2 * s.seriesStart - s.seriesEnd);
    for (size_t r = 0; r < rowLength; ++r) {
        const double offset = (static_cast<double>(r) - s.stepsPerLeg) * s.stepSize;
        const double input = std::clamp(50.0 + (rising ? offset : -offset), lowest, highest);
        std::vector<std::string> row{platform::Format("%.1f", input)};
        for (size_t k = 0; k < columns; ++k) {
            const size_t i = r + k * rowLength;
            row.push_back(i < s.cells.size() ? ValueOrNa(s.cells[i].value) : "");
        }
        t.rows.push_back(row);
    }
    return t;
}

std::string NoResultsText(const CSignatureData& record) {
    if (!record.HasPoints()) return "No signature data.";
    if (record.results.valid == 0) return "No Friction data.";
    return {};
}

}  // namespace graphs
