#include "diagnostics/StepRule.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace diagnostics {

namespace {

constexpr double kLargestPercent = 10000.0;
constexpr int64_t kMostSteps = 10000;

// Truncated toward zero, taken on the decimal value the float stands for: 0.7 is held as
// 0.699999988, which must still give 70, not 69. A product within a few float steps of a
// whole number is that number; anything further away is truncated.
bool Hundredths(float percent, int64_t& out) {
    if (!std::isfinite(percent) || std::fabs(percent) > kLargestPercent) return false;
    const double product = 100.0 * static_cast<double>(percent);
    const double nearest = std::round(product);
    const double tolerance = 4.0 * static_cast<double>(std::numeric_limits<float>::epsilon()) * std::fabs(product);
    out = static_cast<int64_t>(std::fabs(product - nearest) <= tolerance ? nearest : product);
    return true;
}

int64_t Sign(int64_t v) { return (v > 0) - (v < 0); }

}  // namespace

bool PlanStepSeries(const StepSeriesSettings& s, int index, StepSeriesPlan& plan) {
    plan = StepSeriesPlan{};
    int64_t S = 0, E = 0, D = 0;
    if (!Hundredths(s.start, S) || !Hundredths(s.end, E) || !Hundredths(s.stepSize, D)) return false;
    if (!std::isfinite(s.roundTrip) || std::fabs(s.roundTrip) > kMostSteps) return false;
    const int64_t R = static_cast<int64_t>(2.0 * static_cast<double>(s.roundTrip));
    int count = 1;
    if (R <= -2) {
        if (D == 0 && !Hundredths(s.defaultStepSize, D)) return false;
        if (D <= 0) return false;
        int k = 0;
        while (S + (D << k) < E) {
            if (++k > 30) return false;
        }
        count = 4 * k + 4;
        int64_t T = S + (D << std::min(index / 4, 30));
        if (T >= E) T = E;
        E = T;
        D = std::llabs(T - S);
    } else if (D == 0) {
        D = std::llabs(E - S);
    }
    if (D <= 0) return false;
    const int64_t L = std::llabs(S - E);
    int64_t p = L / D + (L % D != 0 ? 1 : 0);
    if (p == 0) p = 1;  // start equals end: a single step of no length
    if (s.roundTrip >= 0) count = static_cast<int>(R != 0 ? std::llabs(R) * p : p);
    if (p > kMostSteps || count > kMostSteps) return false;
    plan.start = S;
    plan.end = E;
    plan.step = D;
    plan.stepsPerLeg = p;
    plan.remainder = L % D;
    plan.stepCount = count;
    return true;
}

int ComputeStep(const StepSeriesSettings& settings, int index, int64_t& from, int64_t& to, int& stepCount) {
    StepSeriesPlan plan;
    if (!PlanStepSeries(settings, index, plan)) return -1;
    stepCount = plan.stepCount;
    if (index < 0 || index >= plan.stepCount) return 1;
    const int64_t S = plan.start, E = plan.end, D = plan.step, p = plan.stepsPerLeg, rem = plan.remainder;
    const int64_t sg = Sign(E - S);
    const int64_t leg = (index / p) % 4;
    const int64_t dir = leg < 2 ? 1 : -1;
    const int64_t F = S + dir * (E - S);
    const int64_t j = index % p;
    const int64_t u = dir * sg * D;
    if (leg == 0 || leg == 2) {
        from = S + j * u;
        to = j == p - 1 ? F : from + u;
    } else if (rem == 0) {
        from = F - j * u;
        to = j == p - 1 ? S : from - u;
    } else if (j == 0) {
        from = F;
        to = F - dir * sg * rem;
    } else {
        from = F - ((j - 1) * D + rem) * dir * sg;
        to = from - u;
    }
    return 0;
}

}  // namespace diagnostics
