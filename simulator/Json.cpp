#include "simulator/Json.h"

#include <cmath>
#include <cstdio>

#include "platform/JsonNesting.h"

namespace simulator {

namespace {

// "line L, column C" of the byte at `offset` (0-based) of `text`.
std::string Position(const std::string& text, size_t offset) {
    size_t line = 1, column = 1;
    for (size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// Refuses nesting deeper than kMaxJsonDepth before the parser sees the text; one pass.
bool CheckDepth(const std::string& text, std::string& error) {
    size_t at = 0;
    if (platform::JsonNestingWithin(text, kMaxJsonDepth, at)) return true;
    error = Position(text, at) + ": nesting too deep (more than " + std::to_string(kMaxJsonDepth) + " levels)";
    return false;
}

// The reason of a parse error without the library's own prefix and position.
std::string Reason(const std::string& what) {
    size_t at = what.find("column ");
    if (at != std::string::npos) {
        size_t colon = what.find(": ", at);
        if (colon != std::string::npos) return what.substr(colon + 2);
    }
    return what;
}

const char* TypeWord(const JsonValue& v) {
    if (v.is_string()) return "a text";
    if (v.is_boolean()) return "true or false";
    if (v.is_number()) return "a number";
    if (v.is_array()) return "an array";
    if (v.is_object()) return "an object";
    return "null";
}

}  // namespace

bool ParseJson(const std::string& text, JsonValue& out, std::string& error) {
    if (!CheckDepth(text, error)) return false;
    try {
        out = JsonValue::parse(text);
        return true;
    } catch (const JsonValue::parse_error& e) {
        size_t offset = e.byte > 0 ? e.byte - 1 : 0;
        error = Position(text, offset) + ": " + Reason(e.what());
    } catch (const JsonValue::exception& e) {
        error = Reason(e.what());
    }
    return false;
}

std::string DumpJson(const JsonValue& value) {
    return value.dump(-1, ' ', false, JsonValue::error_handler_t::replace);
}

bool ReadText(const JsonValue& object, const char* key, std::string& out, std::string& error) {
    auto it = object.find(key);
    if (it == object.end()) return true;
    if (!it->is_string()) {
        error = std::string(key) + " must be a text, not " + TypeWord(*it);
        return false;
    }
    out = it->get<std::string>();
    return true;
}

bool ReadFlag(const JsonValue& object, const char* key, bool& out, std::string& error) {
    auto it = object.find(key);
    if (it == object.end()) return true;
    if (!it->is_boolean()) {
        error = std::string(key) + " must be true or false, not " + TypeWord(*it);
        return false;
    }
    out = it->get<bool>();
    return true;
}

bool ReadWhole(const JsonValue& object, const char* key, int64_t lo, int64_t hi, int64_t& out, std::string& error) {
    auto it = object.find(key);
    if (it == object.end()) return true;
    bool fits = false;
    int64_t v = 0;
    if (it->is_number_unsigned()) {
        uint64_t u = it->get<uint64_t>();
        fits = u <= static_cast<uint64_t>(INT64_MAX);
        v = static_cast<int64_t>(u);
    } else if (it->is_number_integer()) {
        v = it->get<int64_t>();
        fits = true;
    } else if (it->is_number_float()) {
        // 20.0 is a whole number; 20.5 and 1e300 are not.
        double d = it->get<double>();
        fits = std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.0e15;
        v = fits ? static_cast<int64_t>(d) : 0;
    }
    if (!fits || v < lo || v > hi) {
        error = std::string(key) + " must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
        return false;
    }
    out = v;
    return true;
}

bool ReadReal(const JsonValue& object, const char* key, double lo, double hi, double& out, std::string& error) {
    auto it = object.find(key);
    if (it == object.end()) return true;
    double v = it->is_number() ? it->get<double>() : std::nan("");
    if (!(v >= lo && v <= hi)) {
        char range[64];
        std::snprintf(range, sizeof range, "%g to %g", lo, hi);
        error = std::string(key) + " must be a number from " + range;
        return false;
    }
    out = v;
    return true;
}

}  // namespace simulator
