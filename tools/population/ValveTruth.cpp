#include "tools/population/ValveTruth.h"

namespace population {

ValveTruth TruthOf(const simulator::JsonValue& v) {
    ValveTruth t;
    const auto number = [&](const char* key, double fallback = 0.0) {
        return v.contains(key) && v[key].is_number() ? v[key].get<double>() : fallback;
    };
    if (v.contains("springRangeKpa") && v["springRangeKpa"].is_array() && v["springRangeKpa"].size() == 2) {
        t.springLowKpa = v["springRangeKpa"][0].get<double>();
        t.springHighKpa = v["springRangeKpa"][1].get<double>();
    }
    t.frictionKpa = number("frictionKpa");
    t.stickSlipKpa = number("stickSlipKpa");
    t.supplyKpa = number("supplyKpa");
    return t;
}

}  // namespace population
