#include "diagnostics/SignatureAnalyser.h"

#include <algorithm>
#include <cmath>

#include "diagnostics/StepRule.h"

namespace diagnostics {

namespace {

constexpr size_t kStandardPoints = 18;
constexpr size_t kLeastStrokePoints = 3;
// How far (%) the valve must have moved from where a stroke began before its points count.
constexpr float kLeftTurnPct = 1.0f;

void Refuse(SignatureResults& results, const std::string& message = {}) {
    const float p = results.stepResponseTimePercent;
    results = SignatureResults{};
    results.stepResponseTimePercent = p;
    results.error = 1;
    results.message = message;
}

const char* const kNotAtStart = "Error: the valve was not at rest at the start of the step.";

// How far a sample before the step may lie from the initial set point (%): a quarter of the
// step, at least the play friction leaves a valve at rest.
double StartBand(double range) { return std::max(0.25 * std::fabs(range), 1.0); }

const char* const kNotSettled = "Error: the valve did not settle within the samples of each step.";

// The last quarter of a step's samples (at least three) must show the valve come to rest: it
// moves less in them than a fifth of what it moved in the whole step (a valve still on its
// way moves on at its pace; one that creeps after its jump does not), and what noise makes.
int64_t SettleWindow(size_t perStep) { return std::max<int64_t>(3, static_cast<int64_t>(perStep / 4)); }
double SettleBand(double stepMoved) { return std::max(0.2 * std::fabs(stepMoved), 0.25); }

bool AllFinite(std::initializer_list<double> values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

}  // namespace

SignatureAnalyser::SignatureAnalyser(const CSignatureData& record) : record_(record) {
    if (record.kind == KindStandard)
        SplitStandard();
    else if (record.kind == KindExtended || record.kind == KindHighResolution)
        SplitExtended();
    else
        valid_ = record.kind == KindStepResponse;
}

void SignatureAnalyser::SplitStandard() {
    const std::vector<CFloatPT>& c = record_.curve1;
    if (c.size() != kStandardPoints) return;
    rising_.assign(c.begin(), c.begin() + 9);
    falling_.assign(c.rbegin(), c.rbegin() + 9);
    valid_ = true;
}

void SignatureAnalyser::SplitExtended() {
    const std::vector<CFloatPT>& c = record_.curve1;
    const int n = static_cast<int>(c.size());
    if (n == 0) return;
    const float lower = record_.header[1], higher = record_.header[2];
    int highest = 0, lowest = 0;
    for (int i = 1; i < n; ++i) {
        if (c[i].y > c[highest].y) highest = i;
        if (c[i].y < c[lowest].y) lowest = i;
    }
    // The valve turns at an extreme inside the curve: the set points say which one to expect,
    // but a curve that rises first turns at its highest point whatever they say.
    const int expected = lower >= higher ? highest : lowest;
    const int other = expected == highest ? lowest : highest;
    auto depth = [n](int i) { return std::min(i, n - 1 - i); };
    turning_ = depth(other) > depth(expected) ? other : expected;
    if (turning_ >= n - 1) return;

    // Keep the points between the set points and between 10 and 90 %. Each stroke begins
    // where the valve leaves the position it started or turned at: until then friction holds
    // it while the pressure changes, points on neither spring line (a friction loop wider
    // than the ramp's margin puts them inside the kept band).
    const float from = std::min(lower, higher), to = std::max(lower, higher);
    bool left = false;
    for (int i = 0; i < n; ++i) {
        const float y = c[i].y;
        const float anchor = i <= turning_ ? c[0].y : c[turning_].y;
        if (i == turning_ + 1) left = false;
        left = left || std::fabs(y - anchor) >= kLeftTurnPct;
        if (!left && i != turning_) continue;
        if (!(y >= 10.0f && y <= 90.0f && y >= from && y <= to)) continue;
        (i <= turning_ ? rising_ : falling_).push_back(c[i]);
    }
    valid_ = rising_.size() >= kLeastStrokePoints && falling_.size() >= kLeastStrokePoints;
}

int SpringRangeAndFriction(double au, double bu, double ad, double bd, SignatureResults& r) {
    if (au == 0.0 || ad == 0.0) {
        Refuse(r, "Error: the Gain is 0!");
        return 1;
    }
    const double x0 = -(bu / au + bd / ad) / 2.0;
    const double x100 = ((100.0 - bd) / ad + (100.0 - bu) / au) / 2.0;
    const double low = std::min(x0, x100), high = std::max(x0, x100);
    const double w90 = std::fabs((90.0 - bu) / au - (90.0 - bd) / ad);
    const double w10 = std::fabs((10.0 - bu) / au - (10.0 - bd) / ad);
    const double span = std::fabs(high - low);
    if (span == 0.0 || !AllFinite({low, high, w90, w10})) {
        Refuse(r);
        return 1;
    }
    r.springRangeLow = low;
    r.springRangeHigh = high;
    r.maxFriction = std::max(w90, w10) / 2.0;
    r.minFriction = std::min(w90, w10) / 2.0;
    r.avgFriction = (w90 + w10) / 4.0;
    r.maxFrictionPercent = r.maxFriction / span * 100.0;
    r.minFrictionPercent = r.minFriction / span * 100.0;
    r.avgFrictionPercent = r.avgFriction / span * 100.0;
    if (!AllFinite({r.maxFrictionPercent, r.minFrictionPercent, r.avgFrictionPercent})) {
        Refuse(r);
        return 1;
    }
    r.error = 0;
    r.valid = 1;
    return 0;
}

void SignatureAnalyser::AnalyseStrokes(SignatureResults& results) const {
    const int mode = record_.kind == KindStandard ? CRegressionLine::ModeCorrelation
                                                  : CRegressionLine::ModeNormalEquations;
    double au = 0, bu = 0, ad = 0, bd = 0;
    const int up = CRegressionLine(rising_, mode).Fit(au, bu);
    const int down = CRegressionLine(falling_, mode).Fit(ad, bd);
    if (up != 0 || down != 0) {
        // No line through a stroke (all at one pressure): it has no gain.
        Refuse(results, "Error: the Gain is 0!");
        return;
    }
    SpringRangeAndFriction(au, bu, ad, bd, results);
}

void SignatureAnalyser::Analyse(float stepResponsePercent, SignatureResults& results) const {
    results = SignatureResults{};
    results.stepResponseTimePercent = stepResponsePercent;
    if (!valid_) {
        Refuse(results);
        return;
    }
    if (record_.kind == KindStepResponse) {
        if (record_.header[6] >= 2.0f)
            AnalyseStepSeries(record_, results);
        else
            AnalyseStepResponse(record_, stepResponsePercent, results);
        return;
    }
    AnalyseStrokes(results);
}

void AnalyseStepResponse(const CSignatureData& record, float p, SignatureResults& r) {
    const SignatureHeader& h = record.header;
    r.stepResponseTimePercent = p;
    const double start = h[1];
    double end = h[2];
    if (h[5] > 0.0f) end = h[2] >= h[1] ? h[1] + static_cast<double>(h[5]) : h[1] - static_cast<double>(h[5]);
    const double range = end - start;
    const bool rising = end >= start;
    // The first nine samples are taken before the step; without samples after them there
    // is nothing to measure.
    const double declared = std::isfinite(h[4]) ? std::trunc(static_cast<double>(h[4])) : 0.0;
    const size_t n = static_cast<size_t>(std::clamp(declared, 0.0, static_cast<double>(record.curve1.size())));
    if (range == 0.0 || !std::isfinite(range) || n < 10 || !std::isfinite(h[3])) {
        Refuse(r);
        return;
    }
    // The valve must have rested at the start before the step: figures measured from
    // anywhere else are not the valve's.
    for (size_t i = 0; i < 9; ++i) {
        const double y = record.curve1[i].y;
        if (!std::isfinite(y) || std::fabs(y - start) > StartBand(range)) {
            Refuse(r, kNotAtStart);
            return;
        }
    }
    const double target = start + range * p / 100.0;
    double extreme = start, previous = start, overshoot = 0.0, time = 0.0;
    bool found = false;
    for (size_t i = 9; i < n; ++i) {
        const double y = record.curve1[i].y;
        if (!std::isfinite(y)) continue;
        const bool crossed = rising ? y > target : y < target;
        if (!found && crossed) {
            found = true;
            time = (static_cast<double>(i - 9) - (y - target) / (y - previous)) * h[3] / 1000.0;
        }
        extreme = rising ? std::max(extreme, y) : std::min(extreme, y);
        previous = y;
    }
    // The overshoot is how far the valve went past the end value. A valve whose peak stays
    // short of it (friction holds it there, or it is still on its way) has none: its shortfall
    // is no figure of overshoot.
    overshoot = std::max(0.0, (extreme - start) * 100.0 / range - 100.0);
    if (!AllFinite({overshoot, time}) || time < 0.0) {
        // A time before the step: the valve had passed the mark when the step began.
        Refuse(r, kNotAtStart);
        return;
    }
    r.overshoot = overshoot;
    r.stepResponseTime = found ? time : 0.0;
    r.found = found ? 1 : 0;
    r.error = 0;
    r.valid = 1;
}

void AnalyseStepSeries(const CSignatureData& record, SignatureResults& r) {
    const SignatureHeader& h = record.header;
    const std::vector<CFloatPT>& c = record.curve1;
    StepSeriesSettings settings{h[1], h[2], h[5], h[6]};
    StepSeriesPlan plan;
    const double q = std::isfinite(h[4]) ? std::trunc(static_cast<double>(h[4])) : 0.0;
    // Each step needs the three samples before it (9-11) and three settled ones at its end.
    if (q < 12.0 || q > static_cast<double>(c.size()) || !PlanStepSeries(settings, 0, plan) ||
        plan.start == plan.end) {
        Refuse(r);
        return;
    }
    const size_t perStep = static_cast<size_t>(q);
    const int64_t p = plan.stepsPerLeg;
    const int64_t rowLength = 2 * p + 1;
    const int64_t c_ = std::min<int64_t>(plan.stepCount, static_cast<int64_t>(c.size() / perStep));
    auto y = [&c](int64_t i) { return static_cast<double>(c[static_cast<size_t>(i)].y); };

    if (!std::isfinite(y(9))) {
        Refuse(r);
        return;
    }
    // Each cell is a settled position: a step still on its way at the end of its samples (a
    // slow valve, a long dead time) would show as a deviation or a dead band it does not have.
    for (int64_t t = 0; t < c_; ++t) {
        const int64_t last = (t + 1) * static_cast<int64_t>(perStep) - 1;
        const double moved = std::fabs(y(last) - y(last - SettleWindow(perStep)));
        if (!(moved <= SettleBand(y(last) - y(t * static_cast<int64_t>(perStep) + 9)))) {
            Refuse(r, kNotSettled);
            return;
        }
    }
    std::vector<StepSeriesCell> cells(static_cast<size_t>(p));
    cells.push_back({static_cast<float>(y(9) - 50.0), true});
    bool up = true;
    int64_t w = rowLength, unmoved = 0;
    double high = 0.0, low = 0.0;
    for (int64_t s = 0; s < c_; ++s) {
        int64_t t = s;
        if (!up) {
            w -= 2;
            t = w + s;
            if (t >= c_ || t < 0) continue;
        }
        const int64_t base = t * static_cast<int64_t>(perStep);
        const int64_t qi = static_cast<int64_t>(perStep);
        const double v = (y(base + qi - 3) + y(base + qi - 2) + y(base + qi - 1)) / 3.0;
        const double before = (y(base + 9) + y(base + 10) + y(base + 11)) / 3.0;
        if (!std::isfinite(v) || !std::isfinite(before)) {
            Refuse(r);
            return;
        }
        if (std::fabs(v - before) < 0.1) ++unmoved;
        int64_t from = 0, to = 0;
        int count = 0;
        ComputeStep(settings, static_cast<int>(t), from, to, count);
        const double e = v - static_cast<double>(to) * 0.01;
        cells.push_back({static_cast<float>(e), true});
        const int64_t length = static_cast<int64_t>(cells.size());
        if (up && length % rowLength == 0) up = false;
        if ((length + 1) % rowLength == 0 && ((length + 1) / rowLength) % 2 == 0) {
            cells.push_back({});
            cells.push_back({});
            up = !up;
            w = rowLength;
        }
        high = std::max(high, e);
        low = std::min(low, e);
    }

    const size_t N = cells.size();
    const size_t row = static_cast<size_t>(rowLength);
    double hysteresis = 0.0, repeatability = 0.0;
    for (size_t j = static_cast<size_t>(p); j < N; ++j) {
        if (!cells[j].valid) continue;
        if (j + row < N && cells[j + row].valid)
            hysteresis = std::max(hysteresis, std::fabs(double{cells[j].value} - cells[j + row].value));
        for (size_t k = j + 2 * row; k < N; k += 2 * row)
            if (cells[k].valid) repeatability = std::max(repeatability, std::fabs(double{cells[j].value} - cells[k].value));
    }
    const double stepSize = h[5] != 0.0f ? static_cast<double>(h[5]) : std::fabs(static_cast<double>(h[2]) - h[1]);
    r.series = true;
    r.accuracyHigh = high;
    r.accuracyLow = low;
    r.hysteresis = hysteresis;
    r.repeatability = repeatability;
    r.deadBand = static_cast<double>(unmoved) * stepSize;
    r.stepsPerLeg = static_cast<int>(p);
    r.stepSize = stepSize;
    r.seriesStart = h[1];
    r.seriesEnd = h[2];
    r.cells = std::move(cells);
    if (!AllFinite({high, low, hysteresis, repeatability, r.deadBand})) {
        Refuse(r);
        return;
    }
    r.error = 0;
    r.valid = 1;
}

void AnalyseSignature(CSignatureData& record, float stepResponsePercent) {
    SignatureAnalyser analyser(record);
    analyser.Analyse(stepResponsePercent, record.results);
}

}  // namespace diagnostics
