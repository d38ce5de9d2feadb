#include "calibration/ServoSets.h"

#include <cstring>

#include "fieldbus/TypedValues.h"
#include "values/ValueCodec.h"

namespace calibration {

using fieldbus::BlockKind;
using fieldbus::DeviceAccess;
using fieldbus::RawRecord8;

namespace {

float* MainMember(config::PositionGroup& p, size_t i) {
    float* members[5] = {&p.servoGain, &p.servoReset, &p.servoRate, &p.servoRateGain, &p.servoDeadband};
    return members[i];
}

// Two big-endian floats.
FloatPair PairOf(const RawRecord8& raw) {
    FloatPair pair{};
    for (size_t k = 0; k < 2; ++k) {
        const uint32_t bits = (uint32_t(raw[4 * k]) << 24) | (uint32_t(raw[4 * k + 1]) << 16) |
                              (uint32_t(raw[4 * k + 2]) << 8) | raw[4 * k + 3];
        std::memcpy(&pair[k], &bits, 4);
    }
    return pair;
}

RawRecord8 RawOf(const FloatPair& pair) {
    RawRecord8 raw{};
    for (size_t k = 0; k < 2; ++k) {
        uint32_t bits = 0;
        std::memcpy(&bits, &pair[k], 4);
        for (size_t b = 0; b < 4; ++b) raw[4 * k + b] = static_cast<uint8_t>(bits >> (24 - 8 * b));
    }
    return raw;
}

int ReadPair(DeviceAccess& device, const char* name, FloatPair& pair) {
    RawRecord8 raw{};
    if (fieldbus::ReadTypedValue(device, device.BlockOf(BlockKind::TB), name, raw, fieldbus::Wire::Raw) != 0) return 1;
    pair = PairOf(raw);
    return 0;
}

int WritePair(DeviceAccess& device, const char* name, const FloatPair& pair) {
    return fieldbus::WriteTypedValue(device, device.BlockOf(BlockKind::TB), name, RawOf(pair), fieldbus::Wire::Raw);
}

int WriteFloat(DeviceAccess& device, const char* name, float value) {
    return fieldbus::WriteTypedValue(device, device.BlockOf(BlockKind::TB), name, value, fieldbus::Wire::F32);
}

}  // namespace

int ReadMainServo(DeviceAccess& device, MainServoSet& set) {
    MainServoSet read;
    int (DeviceAccess::*readers[5])(float&) = {&DeviceAccess::ReadTbServoGain, &DeviceAccess::ReadTbServoReset,
                                              &DeviceAccess::ReadTbServoRate, &DeviceAccess::ReadTbServoRateGain,
                                              &DeviceAccess::ReadTbServoDeadband};
    for (size_t i = 0; i < 5; ++i)
        if ((device.*readers[i])(read.values[i]) != 0) return 1;
    set = read;
    return 0;
}

int WriteMainServo(DeviceAccess& device, const MainServoSet& set) {
    int (DeviceAccess::*writers[5])(const float&) = {
        &DeviceAccess::WriteTbServoGain, &DeviceAccess::WriteTbServoReset, &DeviceAccess::WriteTbServoRate,
        &DeviceAccess::WriteTbServoRateGain, &DeviceAccess::WriteTbServoDeadband};
    for (size_t i = 0; i < 5; ++i)
        if ((device.*writers[i])(set.values[i]) != 0) return 1;
    return 0;
}

MainServoSet MainServoOf(const config::CConfigData& config) {
    config::PositionGroup p = config.position;
    MainServoSet set;
    for (size_t i = 0; i < 5; ++i) set.values[i] = *MainMember(p, i);
    return set;
}

void StoreMainServo(config::CConfigData& config, const MainServoSet& set) {
    for (size_t i = 0; i < 5; ++i) *MainMember(config.position, i) = set.values[i];
}

int ReadAdvancedServo(DeviceAccess& device, bool extended, AdvancedServoSet& set) {
    AdvancedServoSet read;
    if (ReadPair(device, "BOOST_ON_THRESHOLD", read.boostOn) != 0 ||
        ReadPair(device, "BOOST_OFF_THRESHOLD", read.boostOff) != 0 ||
        ReadPair(device, "BOOST_VALUE", read.boostValue) != 0 || device.ReadTbServoISleepLmt(read.integralSleep) != 0 ||
        device.ReadTbServoPAlpha(read.pAlpha) != 0 || device.ReadTbInternalGain(read.internalGain) != 0 ||
        device.ReadTbServoOffset(read.offset) != 0)
        return 1;
    if (extended && (ReadPair(device, "X_BST_ON_THRESHOLD", read.xBoostOn) != 0 ||
                     ReadPair(device, "X_BST_OFF_THRESHOLD", read.xBoostOff) != 0 ||
                     ReadPair(device, "X_BOOST_VALUE", read.xBoostValue) != 0))
        return 1;
    set = read;
    return 0;
}

AdvancedServoSet AdvancedServoOf(const config::CConfigData& config) {
    const config::PositionGroup& p = config.position;
    AdvancedServoSet set;
    set.boostOn = p.boostOnThreshold;
    set.boostOff = p.boostOffThreshold;
    set.boostValue = p.boostValue;
    set.integralSleep = p.servoISleepLimit;
    set.pAlpha = p.servoPAlpha;
    set.internalGain = config.actuator.internalGain;
    set.offset = p.servoOffset;
    set.xBoostOn = p.xBoostOnThreshold;
    set.xBoostOff = p.xBoostOffThreshold;
    set.xBoostValue = p.xBoostValue;
    return set;
}

int WriteChangedAdvanced(DeviceAccess& device, bool extended, const AdvancedServoSet& now,
                         const AdvancedServoSet& reference, config::CConfigData* config) {
    int failed = 0;
    auto pair = [&](const char* name, const FloatPair& value, const FloatPair& before, FloatPair* stored) {
        if (value == before) return;
        if (WritePair(device, name, value) != 0) {
            failed = 1;
            return;
        }
        if (config && stored) *stored = value;
    };
    auto single = [&](const char* name, float value, float before, float* stored) {
        if (value == before) return;
        if (WriteFloat(device, name, value) != 0) {
            failed = 1;
            return;
        }
        if (config && stored) *stored = value;
    };
    config::PositionGroup* p = config ? &config->position : nullptr;
    pair("BOOST_ON_THRESHOLD", now.boostOn, reference.boostOn, p ? &p->boostOnThreshold : nullptr);
    pair("BOOST_OFF_THRESHOLD", now.boostOff, reference.boostOff, p ? &p->boostOffThreshold : nullptr);
    pair("BOOST_VALUE", now.boostValue, reference.boostValue, p ? &p->boostValue : nullptr);
    single("SERVO_I_SLEEP_LMT", now.integralSleep, reference.integralSleep, p ? &p->servoISleepLimit : nullptr);
    single("SERVO_P_ALPHA", now.pAlpha, reference.pAlpha, p ? &p->servoPAlpha : nullptr);
    single("INTERNAL_GAIN", now.internalGain, reference.internalGain, config ? &config->actuator.internalGain : nullptr);
    single("SERVO_OFFSET", now.offset, reference.offset, p ? &p->servoOffset : nullptr);
    if (extended) {
        pair("X_BST_ON_THRESHOLD", now.xBoostOn, reference.xBoostOn, p ? &p->xBoostOnThreshold : nullptr);
        pair("X_BST_OFF_THRESHOLD", now.xBoostOff, reference.xBoostOff, p ? &p->xBoostOffThreshold : nullptr);
        pair("X_BOOST_VALUE", now.xBoostValue, reference.xBoostValue, p ? &p->xBoostValue : nullptr);
    }
    return failed;
}

std::string ValidateMainServo(const MainServoSet& set, int edited) {
    struct Bounds {
        float min, max;
    };
    const Bounds bounds[5] = {{0.5f, 1300.0f}, {2.0f, 50.0f}, {0.05f, 1.0f}, {2.0f, 20.0f}, {0.0f, 50.0f}};
    if (edited < 0 || edited >= 5) return {};
    return values::RangeMessage(set.values[static_cast<size_t>(edited)], true, bounds[edited].min, true,
                                bounds[edited].max);
}

std::string ValidateAdvancedServo(const AdvancedServoSet& s, int edited) {
    auto pairs = [&](const FloatPair& on, const FloatPair& off, const FloatPair& value, int index) -> std::string {
        const bool first = index % 2 == 0;
        if (index < 2) return values::PairMessage(first, on[0], on[1], true, 0.0f, 0.1f, 10.0f);
        if (index < 4) return values::PairMessage(first, off[0], off[1], false, 0.0f, 0.1f, 10.0f);
        return values::RangeMessage(value[first ? 0 : 1], true, 0.0f, true, 50.0f);
    };
    if (edited >= 0 && edited < 6) return pairs(s.boostOn, s.boostOff, s.boostValue, edited);
    if (edited >= 10 && edited < 16) return pairs(s.xBoostOn, s.xBoostOff, s.xBoostValue, edited - 10);
    switch (edited) {
        case 6: return values::RangeMessage(s.integralSleep, true, 0.0f, true, 10.0f);
        case 7: return values::RangeMessage(s.pAlpha, true, 0.0f, true, 100.0f);
        case 8: return values::RangeMessage(s.internalGain, true, 0.5f, true, 50.0f);
        case 9: return values::RangeMessage(s.offset, true, 0.0f, true, 100.0f);
        default: return {};
    }
}

}  // namespace calibration
