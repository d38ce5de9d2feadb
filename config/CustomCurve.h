#pragma once
// The custom characterisation as its editor sees it: nine intermediate points y[0]..y[8]
// (valve position in percent for the set points 10, 20, ... 90 %) between the fixed end
// points (0 %, 0 %) and (100 %, 100 %).
//
// A point may only move strictly between its neighbours, so the curve stays strictly
// increasing. A curve loaded from a file may already break that rule somewhere; it is shown
// as it is, and only an edit that breaks it further is refused: a point that already sits on
// the wrong side of a neighbour may move towards it, never away from it.
#include <array>
#include <string>

namespace config {

struct CurvePoint {
    double setpoint = 0.0;  // percent
    double position = 0.0;  // percent
};

enum class CurveEdit { Accepted, TooHigh, TooLow };

class CustomCurve {
public:
    static constexpr int kPoints = 9;
    // Distance (percent, both coordinates) within which the mouse hits a point.
    static constexpr double kHitDistance = 2.0;

    CustomCurve() = default;
    explicit CustomCurve(const std::array<float, kPoints>& points) : y_(points) {}

    const std::array<float, kPoints>& Points() const { return y_; }
    float Point(int i) const { return y_[static_cast<size_t>(i)]; }
    // The set point of intermediate point i (10, 20, ... 90).
    static double SetpointOf(int i) { return 10.0 * (i + 1); }

    // The eleven plotted points, end points included.
    std::array<CurvePoint, kPoints + 2> PlotPoints() const;

    // Neighbours of point i: y[i-1] (0 for the first) and y[i+1] (100 for the last). A
    // neighbour that is not a finite number counts as the fixed end on its side.
    float Lower(int i) const;
    float Upper(int i) const;

    // The rule of the header for a new value of point i. Accepted values are stored.
    CurveEdit Edit(int i, float value);
    // "Error: Attempted position too high to be valid. Data will be restored !" or the
    // "too low" text; empty for Accepted.
    static std::string EditMessage(CurveEdit result);

    // The intermediate point within kHitDistance of (setpoint, position), the first in set
    // point order; -1 when none.
    int HitTest(double setpoint, double position) const;
    // Right click: the point moves to the mean of its neighbours.
    void ResetPoint(int i);

private:
    std::array<float, kPoints> y_{10.0f, 20.0f, 30.0f, 40.0f, 50.0f, 60.0f, 70.0f, 80.0f, 90.0f};
};

// Dragging a point with the mouse: its set point stays, its position follows the mouse while
// the rule allows it; a refused position or leaving the plot ends the drag silently, the
// last accepted value stays.
class CurveDrag {
public:
    explicit CurveDrag(CustomCurve& curve) : curve_(curve) {}

    // Left button down at (setpoint, position): starts dragging the point hit, if any.
    bool Press(double setpoint, double position);
    // Mouse moved; `inside` tells whether it is within the plot. True when a point moved.
    bool Move(double position, bool inside);
    void Release() { dragging_ = -1; }
    int Dragging() const { return dragging_; }

private:
    CustomCurve& curve_;
    int dragging_ = -1;
};

}  // namespace config
