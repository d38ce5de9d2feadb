#include "cli/OptionNumber.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace cli {

bool ParseWholeNumber(const std::string& text, int low, int high, int& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    int parsed = 0;
    const auto [end, error] = std::from_chars(first, last, parsed);
    if (first == last || error != std::errc() || end != last || parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

bool ParseDecimal(const std::string& text, double& value) {
    if (text.empty() || text.find_first_not_of("+-.0123456789eE") != std::string::npos) return false;
    char* end = nullptr;
    const double parsed = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

}  // namespace cli
