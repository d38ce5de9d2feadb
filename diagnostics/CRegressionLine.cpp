#include "diagnostics/CRegressionLine.h"

#include <cmath>

namespace diagnostics {

CRegressionLine::CRegressionLine(const std::vector<graphs::CFloatPT>& points, int mode) : mode_(mode) {
    for (const graphs::CFloatPT& p : points) {
        const double x = p.x, y = p.y;
        n_ += 1;
        sx_ += x;
        sy_ += y;
        sxy_ += x * y;
        sxx_ += x * x;
        syy_ += y * y;
    }
}

namespace {
// n*S2 - S1^2 suffers cancellation; anything within rounding of zero counts as zero.
double Spread(double n, double s1, double s2) {
    const double d = n * s2 - s1 * s1;
    return d <= 1e-12 * n * s2 ? 0.0 : d;
}
}  // namespace

double CRegressionLine::SpreadX() const { return Spread(n_, sx_, sxx_); }
double CRegressionLine::SpreadY() const { return Spread(n_, sy_, syy_); }

double CRegressionLine::StdDevX() const { return n_ < 2 ? 0.0 : std::sqrt(SpreadX() / n_ / (n_ - 1)); }
double CRegressionLine::StdDevY() const { return n_ < 2 ? 0.0 : std::sqrt(SpreadY() / n_ / (n_ - 1)); }

double CRegressionLine::Correlation() const {
    const double root = std::sqrt(SpreadX() * SpreadY());
    return root == 0.0 ? 0.0 : (n_ * sxy_ - sx_ * sy_) / root;
}

int CRegressionLine::Fit(double& gain, double& offset) const {
    gain = offset = 0.0;
    if (n_ == 0) return 1;
    const double spread = SpreadX();
    if (spread == 0.0) return 2;
    double a = 0.0, b = 0.0;
    if (mode_ == ModeNormalEquations) {
        a = (n_ * sxy_ - sx_ * sy_) / spread;
        b = (sxx_ * sy_ - sx_ * sxy_) / spread;
    } else {
        if (n_ < 2) return 2;
        const double sdx = StdDevX();
        a = Correlation() * StdDevY() / sdx;
        b = (sy_ - a * sx_) / n_;
    }
    if (!std::isfinite(a) || !std::isfinite(b)) return 2;
    gain = a;
    offset = b;
    return 0;
}

}  // namespace diagnostics
