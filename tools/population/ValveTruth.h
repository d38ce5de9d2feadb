#pragma once
// What a simulated valve really is (the segment's settings, read back through the server's
// `valveState` window) and the figures a good measurement of it must come near.
#include <string>

#include "simulator/Json.h"

namespace population {

struct ValveTruth {
    double springLowKpa = 0.0, springHighKpa = 0.0;
    double frictionKpa = 0.0, stickSlipKpa = 0.0;
    double supplyKpa = 0.0;

    double SpanKpa() const { return springHighKpa - springLowKpa; }
    // Hysteresis of a slow stroke: rising needs spring + F, falling spring - F.
    double HysteresisKpa() const { return 2.0 * frictionKpa; }
    // How far the stem jumps when it breaks away from rest: the static friction beyond the
    // sliding friction, over the spring's rate (percent of travel).
    double SlipPct() const { return SpanKpa() > 0 ? stickSlipKpa / SpanKpa() * 100.0 : 0.0; }
};

ValveTruth TruthOf(const simulator::JsonValue& valveState);

}  // namespace population
