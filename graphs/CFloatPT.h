#pragma once
// A plotted point with its break flag, shared by the signature curves and the trend channels.
// The flag is 1 on the first point of a curve (or of a new recording stretch) and 0 on all
// others: no line is drawn from the previous point to a point whose flag is 1.
#include <cstdint>
#include <vector>

namespace graphs {

struct CFloatPT {
    float x = 0.0f;
    float y = 0.0f;
    uint32_t flag = 0;

    bool operator==(const CFloatPT&) const = default;
};

// Coordinates ready for a line plot: a break flag on any point but the first becomes a gap
// (a not-a-number pair) before that point. Points with a non-finite coordinate become gaps too.
struct PlotPolyline {
    std::vector<double> x;
    std::vector<double> y;
};
PlotPolyline ToPolyline(const std::vector<CFloatPT>& points);
// Marks the first point of `points` as the start of a stretch (flag 1, all others 0).
void MarkFirstPoint(std::vector<CFloatPT>& points);

}  // namespace graphs
