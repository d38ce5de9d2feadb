#pragma once
// Axis tick labels. The label format depends on the distance between ticks and on the axis
// maximum, so that all labels of an axis have the same width and no more decimals than the
// step needs.
#include <string>

namespace graphs {

// step >= 1: "%7.0f"; 0.1 <= step < 1: "%6.1f" (maximum <= 99) or "%7.1f";
// step < 0.1: "%6.2f" (maximum <= 99) or "%7.2f". A step with more decimals than its range
// gives (2.5, 0.25) takes as many as it has, at most two, so each tick shows its own value.
const char* TickLabelFormat(double step, double axisMaximum);
// The label of one tick, formatted as above (leading blanks kept).
std::string FormatTickLabel(double value, double step, double axisMaximum);

}  // namespace graphs
