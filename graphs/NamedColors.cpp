#include "graphs/NamedColors.h"

#include <utility>

namespace graphs {

namespace {

const std::pair<ColorValue, const char*> kNames[] = {
    {kBlack, "BLACK"},   {kRed, "RED"},       {kDarkGreen, "DARKGREEN"}, {kGreen, "GREEN"},
    {kYellow, "YELLOW"}, {kDarkBlue, "DARKBLUE"}, {kBlue, "BLUE"},     {kLightGray, "LTGRAY"},
    {kMagenta, "MAGENTA"}, {kCyan, "CYAN"},   {kWhite, "WHITE"},
};

// Yellow, light grey and white vanish on the white plot background; they are offered for
// choosing but never handed out.
const ColorValue kCurveOrder[] = {kRed, kBlue, kDarkGreen, kMagenta, kBlack, kDarkBlue, kGreen, kCyan};

}  // namespace

std::string ColorName(ColorValue color) {
    for (const auto& [value, name] : kNames)
        if (value == color) return name;
    return {};
}

const std::vector<ColorValue>& NamedColors() {
    static const std::vector<ColorValue> all = [] {
        std::vector<ColorValue> v;
        for (const auto& entry : kNames) v.push_back(entry.first);
        return v;
    }();
    return all;
}

ColorValue CurveColor(size_t n) { return kCurveOrder[n % std::size(kCurveOrder)]; }

}  // namespace graphs
