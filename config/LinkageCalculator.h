#pragma once
// The linkage calculator: the characterisation that makes a rotary position sensor, driven
// through a lever (and optionally a link) by a linear actuator, follow the set point. Lengths
// are in inch or mm (the same numbers are accepted for both; nothing is converted).
#include <array>
#include <string>

namespace config {

enum class LinkageType { SimpleLever = 0, LeverWithLink = 1 };

struct LinkageInput {
    float S = 0.0f;   // actuator stroke
    float T = 0.0f;   // offset of the set point, percent of stroke: 0, or 1..100
    float L1 = 0.0f;  // lever length
    float L2 = 0.0f;  // link length (lever with link)
    float L3 = 0.0f;  // offset of the pivot (lever with link), up to 2 x L1
    int inch = 1;      // 1 inch, 0 mm
    int mirrored = 0;  // 0 first orientation, 1 second
    LinkageType type = LinkageType::SimpleLever;
};

struct LinkageResult {
    std::array<float, 9> points{};  // positions for the set points 10 ... 90 %
    double rotationDegrees = 0.0;   // sensor rotation over the whole stroke
};

// The first refusal of the input, checked in the order S, L1, T, then (lever with link) L2
// and L3, as the message to show; empty when the input is valid.
std::string CheckLinkageInput(const LinkageInput& input);

// Computes the nine points. Refused (false) when an angle cannot be reached, when the
// rotation over the stroke is zero, or when the points would not rise strictly from 0 to 100:
// a characterisation must be strictly increasing, and no point may be infinite or undefined.
bool CalculateLinkage(const LinkageInput& input, LinkageResult& result);

// "NOTE:  Rotation angle is %5.1f degree(s) with the data given."
std::string RotationNote(double degrees);
// "Error: Results of the calculation exceeded the constraints of the linkage with the data given."
const char* LinkageConstraintsError();

}  // namespace config
