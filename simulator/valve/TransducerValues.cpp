#include "simulator/valve/TransducerValues.h"

#include "simulator/Block.h"

namespace simulator::valve {

namespace {
// RELEASE_FAILSAFE values.
constexpr uint8_t kFailsafeActive = 2;
constexpr uint8_t kFailsafeLatched = 3;
}  // namespace

ServoParameters ReadServoParameters(const Block& tb) {
    ServoParameters p;
    p.gain = tb.GetFloat("SERVO_GAIN");
    p.reset = tb.GetFloat("SERVO_RESET");
    p.rate = tb.GetFloat("SERVO_RATE");
    p.rateGain = tb.GetFloat("SERVO_RATE_GAIN");
    p.deadband = tb.GetFloat("SERVO_DEADBAND");
    p.offset = tb.GetFloat("SERVO_OFFSET");
    for (size_t k = 0; k < 2; ++k) {
        p.boostOn[k] = tb.GetFloat("BOOST_ON_THRESHOLD", 4 * k);
        p.boostOff[k] = tb.GetFloat("BOOST_OFF_THRESHOLD", 4 * k);
        p.boostValue[k] = tb.GetFloat("BOOST_VALUE", 4 * k);
    }
    p.integralSleep = tb.GetFloat("SERVO_I_SLEEP_LMT");
    p.pAlpha = tb.GetFloat("SERVO_P_ALPHA");
    p.internalGain = tb.GetFloat("INTERNAL_GAIN");
    return p;
}

void WriteServoParameters(Block& tb, const ServoParameters& p) {
    SetStaticFloat(tb, "SERVO_GAIN", static_cast<float>(p.gain));
    SetStaticFloat(tb, "SERVO_RESET", static_cast<float>(p.reset));
    SetStaticFloat(tb, "SERVO_RATE", static_cast<float>(p.rate));
    SetStaticFloat(tb, "SERVO_RATE_GAIN", static_cast<float>(p.rateGain));
    SetStaticFloat(tb, "SERVO_DEADBAND", static_cast<float>(p.deadband));
    SetStaticFloat(tb, "SERVO_OFFSET", static_cast<float>(p.offset));
    for (size_t k = 0; k < 2; ++k) {
        SetStaticFloat(tb, "BOOST_ON_THRESHOLD", static_cast<float>(p.boostOn[k]), 4 * k);
        SetStaticFloat(tb, "BOOST_OFF_THRESHOLD", static_cast<float>(p.boostOff[k]), 4 * k);
        SetStaticFloat(tb, "BOOST_VALUE", static_cast<float>(p.boostValue[k]), 4 * k);
        // The double-acting stages (extended servo parameters) start from the same values.
        SetStaticFloat(tb, "X_BST_ON_THRESHOLD", static_cast<float>(p.boostOn[k]), 4 * k);
        SetStaticFloat(tb, "X_BST_OFF_THRESHOLD", static_cast<float>(p.boostOff[k]), 4 * k);
        SetStaticFloat(tb, "X_BOOST_VALUE", static_cast<float>(p.boostValue[k]), 4 * k);
    }
    SetStaticFloat(tb, "SERVO_I_SLEEP_LMT", static_cast<float>(p.integralSleep));
    SetStaticFloat(tb, "SERVO_P_ALPHA", static_cast<float>(p.pAlpha));
    SetStaticFloat(tb, "INTERNAL_GAIN", static_cast<float>(p.internalGain));
}

bool FailsafeActive(const Block& tb) {
    const uint8_t state = tb.GetByte("RELEASE_FAILSAFE");
    return state == kFailsafeActive || state == kFailsafeLatched;
}

double PressureUnitFactor(const Block& tb) {
    const DeviceObject* range = tb.Obj("SPRING_RANGE");
    switch (range ? GetU16BE(range->value, 8) : 1133) {
        case 1132: return 0.001;       // MPa
        case 1137: return 0.01;        // bar
        case 1141: return 0.1450377;   // psi
        case 1145: return 0.01019716;  // kg/cm2
        default: return 1.0;           // kPa
    }
}

void SetStaticFloat(Block& tb, const char* name, float value, size_t offset) {
    DeviceObject* o = tb.Obj(name);
    if (!o || o->value.size() < offset + 4) return;
    if (GetFloatBE(o->value, offset) == value) return;
    PutFloatBE(o->value, offset, value);
    if (!o->isStatic) return;
    if (DeviceObject* st = tb.Obj("ST_REV")) PutU16BE(st->value, 0, static_cast<uint16_t>(GetU16BE(st->value, 0) + 1));
}

}  // namespace simulator::valve
