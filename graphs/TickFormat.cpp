#include "graphs/TickFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace graphs {

namespace {

// Decimals the step itself needs so that every tick shows its own value: a step of 2.5 needs
// one (else 2.5 and 7.5 read "2" and "8"), a step of 0.25 two. At most two.
int DecimalsOfStep(double step) {
    double scaled = std::fabs(step);
    for (int decimals = 0; decimals < 2; ++decimals, scaled *= 10.0)
        if (std::fabs(scaled - std::round(scaled)) <= 1e-6 * std::max(1.0, scaled)) return decimals;
    return 2;
}

}  // namespace

const char* TickLabelFormat(double step, double axisMaximum) {
    const int base = step >= 1.0 ? 0 : step >= 0.1 ? 1 : 2;
    const int decimals = std::max(base, DecimalsOfStep(step));
    const bool narrow = step < 1.0 && axisMaximum <= 99.0;
    if (decimals == 0) return "%7.0f";
    if (decimals == 1) return narrow ? "%6.1f" : "%7.1f";
    return narrow ? "%6.2f" : "%7.2f";
}

std::string FormatTickLabel(double value, double step, double axisMaximum) {
    char text[64];
    std::snprintf(text, sizeof text, TickLabelFormat(step, axisMaximum), value);
    return text;
}

}  // namespace graphs
