#include "config/LinkageCalculator.h"

#include <cmath>
#include <optional>

#include "platform/Ui.h"

namespace config {

namespace {

constexpr double kPi = 3.14159265358979323846;

bool InRange(float value, float min, float max) { return value >= min && value <= max; }

// Length limits of S, L1 and L2 in the chosen unit.
float MinLength(const LinkageInput& in) { return in.inch ? 0.1f : 2.54f; }
float MaxLength(const LinkageInput& in) { return in.inch ? 20.0f : 508.0f; }

std::string LengthMessage(const LinkageInput& in, const char* name) {
    return in.inch ? platform::Format("Enter a valid data for %s: [0.1, 20.0] inch", name)
                   : platform::Format("Enter a valid data for %s: [2.54, 508.0] mm", name);
}

// Sensor angle (radians) for set point p, or nothing when the geometry cannot reach it.
std::optional<double> Angle(const LinkageInput& in, double p) {
    const double S = in.S, T = in.T, L1 = in.L1;
    const double travel = (p - T) * S * 0.01;
    if (in.type == LinkageType::SimpleLever) return std::atan(travel / L1);
    const double L2 = in.L2, L3 = in.L3;
    const double s = in.mirrored ? -1.0 : 1.0;
    const double h = std::sqrt(L2 * L2 - (L3 - L1) * (L3 - L1));
    const double x = travel + s * h;
    const double r = std::sqrt(L3 * L3 + x * x);
    const double beta = std::acos((L1 * L1 + r * r - L2 * L2) / (2.0 * r * L1));
    const double sb = s * beta;
    if (sb == 0.0 || std::isnan(sb)) return std::nullopt;
    const double angle = std::atan(x / L3) - sb;
    if (!std::isfinite(angle)) return std::nullopt;
    return angle;
}

}  // namespace

std::string CheckLinkageInput(const LinkageInput& in) {
    const float lo = MinLength(in), hi = MaxLength(in);
    if (!InRange(in.S, lo, hi)) return LengthMessage(in, "S");
    if (!InRange(in.L1, lo, hi)) return LengthMessage(in, "L1 ");
    if (!(in.T == 0.0f || InRange(in.T, 1.0f, 100.0f))) return "Enter a valid data for T : [1.0, 100.0] or 0.0";
    if (in.type == LinkageType::LeverWithLink) {
        if (!InRange(in.L2, lo, hi)) return LengthMessage(in, "L2 ");
        const float maxL3 = 2.0f * in.L1;
        if (!InRange(in.L3, lo, maxL3))
            return in.inch ? platform::Format("Enter a valid data for L3 : [0.1, %3.1f] inch", maxL3)
                           : platform::Format("Enter a valid data for L3 : [2.54, %3.1f] mm", maxL3);
    }
    return {};
}

bool CalculateLinkage(const LinkageInput& in, LinkageResult& result) {
    const std::optional<double> a0 = Angle(in, 0.0);
    const std::optional<double> a100 = Angle(in, 100.0);
    if (!a0 || !a100) return false;
    const double span = *a100 - *a0;
    if (!std::isfinite(span) || span == 0.0) return false;
    LinkageResult out;
    float previous = 0.0f;
    for (int k = 1; k <= 9; ++k) {
        const std::optional<double> a = Angle(in, 10.0 * k);
        if (!a) return false;
        const float point = static_cast<float>((*a - *a0) / span * 100.0);
        // Strictly rising between the fixed ends, as the editor requires of every point.
        if (!std::isfinite(point) || point <= previous || point >= 100.0f) return false;
        out.points[static_cast<size_t>(k - 1)] = point;
        previous = point;
    }
    const double degrees = span * 180.0 / kPi;
    out.rotationDegrees = in.type == LinkageType::LeverWithLink ? std::fabs(degrees) : degrees;
    result = out;
    return true;
}

std::string RotationNote(double degrees) {
    return platform::Format("NOTE:  Rotation angle is %5.1f degree(s) with the data given.", degrees);
}

const char* LinkageConstraintsError() {
    return "Error: Results of the calculation exceeded the constraints of the linkage with the data given.";
}

}  // namespace config
