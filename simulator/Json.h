#pragma once
// JSON for segment files and control commands, read with nlohmann-json. Parsing never
// throws: the first error comes back with its line and column. The member readers take
// typed members of an object with range checks and refuse a member of another type, so a
// number out of range or a text where a number belongs is an error, never a cast.
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

namespace simulator {

using JsonValue = nlohmann::json;

// Parses `text`; on failure returns false and sets `error` ("line 3, column 7: ...").
// Nesting deeper than kMaxJsonDepth is refused.
constexpr int kMaxJsonDepth = 64;
bool ParseJson(const std::string& text, JsonValue& out, std::string& error);

// Compact text of a value; texts that are not UTF-8 are repaired, never refused.
std::string DumpJson(const JsonValue& value);

// Members of an object. An absent member leaves `out` as it is and gives true; a member of
// another type or out of range gives false with `error` naming the key and what it must be.
bool ReadText(const JsonValue& object, const char* key, std::string& out, std::string& error);
bool ReadFlag(const JsonValue& object, const char* key, bool& out, std::string& error);
bool ReadWhole(const JsonValue& object, const char* key, int64_t lo, int64_t hi, int64_t& out, std::string& error);
bool ReadReal(const JsonValue& object, const char* key, double lo, double hi, double& out, std::string& error);

}  // namespace simulator
