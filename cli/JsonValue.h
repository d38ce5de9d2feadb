#pragma once
// JSON answers keep their members in the order they were written.
#include <nlohmann/json.hpp>

namespace cli {

using JsonValue = nlohmann::ordered_json;

}  // namespace cli
