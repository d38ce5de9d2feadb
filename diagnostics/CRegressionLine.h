#pragma once
// A straight line fitted through points by least squares: position = gain * pressure + offset.
// The sums are accumulated once when the line is built.
#include <cstddef>
#include <vector>

#include "graphs/CFloatPT.h"

namespace diagnostics {

class CRegressionLine {
public:
    // Mode 0 (standard signature): slope from the correlation and the standard deviations.
    // Mode 1 (extended and high-resolution signatures): slope from the normal equations.
    enum Mode { ModeCorrelation = 0, ModeNormalEquations = 1 };

    CRegressionLine(const std::vector<graphs::CFloatPT>& points, int mode);

    // 0: gain and offset hold the line. 1: no points ("The number of data point is 0"; both 0).
    // 2: the points admit no line (all pressures equal, or too few points for the mode);
    // both 0. Never yields an infinite or undefined number.
    int Fit(double& gain, double& offset) const;
    // Sample standard deviations of pressure and position (0 below two points).
    double StdDevX() const;
    double StdDevY() const;
    // Correlation coefficient (0 when a variance is 0).
    double Correlation() const;
    size_t Count() const { return static_cast<size_t>(n_); }

private:
    double SpreadX() const;  // n*Sxx - Sx^2, 0 when it vanishes within rounding
    double SpreadY() const;

    int mode_;
    double n_ = 0, sx_ = 0, sy_ = 0, sxy_ = 0, sxx_ = 0, syy_ = 0;
};

}  // namespace diagnostics
