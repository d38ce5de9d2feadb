#include "graphs/CFloatPT.h"

#include <cmath>
#include <limits>

namespace graphs {

PlotPolyline ToPolyline(const std::vector<CFloatPT>& points) {
    constexpr double gap = std::numeric_limits<double>::quiet_NaN();
    PlotPolyline line;
    line.x.reserve(points.size());
    line.y.reserve(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        const CFloatPT& p = points[i];
        if (i > 0 && p.flag == 1) {
            line.x.push_back(gap);
            line.y.push_back(gap);
        }
        const bool finite = std::isfinite(p.x) && std::isfinite(p.y);
        line.x.push_back(finite ? p.x : gap);
        line.y.push_back(finite ? p.y : gap);
    }
    return line;
}

void MarkFirstPoint(std::vector<CFloatPT>& points) {
    for (size_t i = 0; i < points.size(); ++i) points[i].flag = i == 0 ? 1 : 0;
}

}  // namespace graphs
