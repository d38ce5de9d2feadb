#include "graphs/TickFormat.h"

#include <cstdio>

namespace graphs {

const char* TickLabelFormat(double step, double axisMaximum) {
    if (step >= 1.0) return "%7.0f";
    const bool narrow = axisMaximum <= 99.0;
    if (step >= 0.1) return narrow ? "%6.1f" : "%7.1f";
    return narrow ? "%6.2f" : "%7.2f";
}

std::string FormatTickLabel(double value, double step, double axisMaximum) {
    char text[64];
    std::snprintf(text, sizeof text, TickLabelFormat(step, axisMaximum), value);
    return text;
}

}  // namespace graphs
