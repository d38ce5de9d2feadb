#pragma once
// The colours curves are drawn in. A colour value holds red, green and blue as its low,
// middle and high byte (0x0000FF is red); eleven of them have names.
#include <cstdint>
#include <string>
#include <vector>

namespace graphs {

using ColorValue = uint32_t;

inline constexpr ColorValue kBlack = 0x000000;
inline constexpr ColorValue kRed = 0x0000FF;
inline constexpr ColorValue kDarkGreen = 0x007F00;
inline constexpr ColorValue kGreen = 0x00FF00;
inline constexpr ColorValue kYellow = 0x00FFFF;
inline constexpr ColorValue kDarkBlue = 0x7F0000;
inline constexpr ColorValue kBlue = 0xFF0000;
inline constexpr ColorValue kLightGray = 0xC0C0C0;
inline constexpr ColorValue kMagenta = 0xFF00FF;
inline constexpr ColorValue kCyan = 0xFFFF00;
inline constexpr ColorValue kWhite = 0xFFFFFF;

inline constexpr int RedOf(ColorValue c) { return static_cast<int>(c & 0xFF); }
inline constexpr int GreenOf(ColorValue c) { return static_cast<int>((c >> 8) & 0xFF); }
inline constexpr int BlueOf(ColorValue c) { return static_cast<int>((c >> 16) & 0xFF); }
inline constexpr ColorValue MakeColor(int red, int green, int blue) {
    return static_cast<ColorValue>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

// "BLACK", "RED", ... for the named colours; "" for any other value.
std::string ColorName(ColorValue color);
// All named colours in table order.
const std::vector<ColorValue>& NamedColors();
// The colour of the n-th curve of a plot (n from 0): named colours that read well on a white
// background, repeating after the last.
ColorValue CurveColor(size_t n);

}  // namespace graphs
