#pragma once
// A number given as an option's value, taken only when the whole text is the number: "2x",
// "" and "1e3" are no number of seconds.
#include <string>

namespace cli {

// A whole number from `low` to `high`.
bool ParseWholeNumber(const std::string& text, int low, int high, int& value);
// A decimal number (sign, digits, point, exponent) that is finite.
bool ParseDecimal(const std::string& text, double& value);

}  // namespace cli
