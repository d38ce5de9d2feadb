#include "config/CustomCurve.h"

#include <cmath>

namespace config {

std::array<CurvePoint, CustomCurve::kPoints + 2> CustomCurve::PlotPoints() const {
    std::array<CurvePoint, kPoints + 2> points;
    points[0] = {0.0, 0.0};
    for (int i = 0; i < kPoints; ++i) points[static_cast<size_t>(i + 1)] = {SetpointOf(i), Point(i)};
    points[kPoints + 1] = {100.0, 100.0};
    return points;
}

float CustomCurve::Lower(int i) const {
    if (i <= 0) return 0.0f;
    const float value = Point(i - 1);
    return std::isfinite(value) ? value : 0.0f;
}

float CustomCurve::Upper(int i) const {
    if (i >= kPoints - 1) return 100.0f;
    const float value = Point(i + 1);
    return std::isfinite(value) ? value : 100.0f;
}

CurveEdit CustomCurve::Edit(int i, float value) {
    if (i < 0 || i >= kPoints) return CurveEdit::TooLow;
    if (!std::isfinite(value)) return value > 0.0f ? CurveEdit::TooHigh : CurveEdit::TooLow;
    const float lower = Lower(i);
    const float upper = Upper(i);
    const float old = Point(i);
    // Either strictly inside, or (for a point already on the wrong side) no further out
    // than it was.
    const bool lowOk = value > lower || (old <= lower && value >= old);
    const bool highOk = value < upper || (old >= upper && value <= old);
    if (!highOk) return CurveEdit::TooHigh;
    if (!lowOk) return CurveEdit::TooLow;
    y_[static_cast<size_t>(i)] = value;
    return CurveEdit::Accepted;
}

std::string CustomCurve::EditMessage(CurveEdit result) {
    switch (result) {
    case CurveEdit::TooHigh: return "Error: Attempted position too high to be valid. Data will be restored !";
    case CurveEdit::TooLow: return "Error: Attempted position too low to be valid. Data will be restored !";
    case CurveEdit::Accepted: break;
    }
    return {};
}

int CustomCurve::HitTest(double setpoint, double position) const {
    for (int i = 0; i < kPoints; ++i)
        if (std::fabs(setpoint - SetpointOf(i)) < kHitDistance && std::fabs(position - Point(i)) < kHitDistance)
            return i;
    return -1;
}

void CustomCurve::ResetPoint(int i) {
    if (i < 0 || i >= kPoints) return;
    y_[static_cast<size_t>(i)] = (Lower(i) + Upper(i)) / 2.0f;
}

bool CurveDrag::Press(double setpoint, double position) {
    dragging_ = curve_.HitTest(setpoint, position);
    return dragging_ >= 0;
}

bool CurveDrag::Move(double position, bool inside) {
    if (dragging_ < 0) return false;
    if (!inside || curve_.Edit(dragging_, static_cast<float>(position)) != CurveEdit::Accepted) {
        dragging_ = -1;
        return false;
    }
    return true;
}

}  // namespace config
