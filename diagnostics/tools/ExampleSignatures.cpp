#include "diagnostics/tools/ExampleSignatures.h"

#include <algorithm>
#include <cmath>

#include "diagnostics/StepRule.h"

namespace diagnostics::examples {

namespace {

// A small, repeatable wobble so that curves look measured.
float Noise(int i, float amplitude) { return amplitude * std::sin(static_cast<float>(i) * 2.39996f); }

float Clamp(float v, float lo, float hi) { return std::min(std::max(v, lo), hi); }

// Pressure needed to hold `position` (%) while moving up (rising) or down.
float PressureAt(const ValveModel& v, float position, bool rising) {
    const float base = v.springLow + (v.springHigh - v.springLow) * position / 100.0f;
    return base + (rising ? v.friction : -v.friction);
}

// Position reached at `pressure` while moving up or down.
float PositionAt(const ValveModel& v, float pressure, bool rising) {
    const float p = pressure - (rising ? v.friction : -v.friction);
    return Clamp((p - v.springLow) / (v.springHigh - v.springLow) * 100.0f, 0.0f, 100.0f);
}

// Unit step response of a second-order valve: 0 before t = 0, settling at 1, its first
// swing beyond 1 the model's overshoot.
float StepShape(const ValveModel& v, float t) {
    if (t <= 0.0f) return 0.0f;
    const float wn = 1.0f / v.timeConstant;
    const float os = Clamp(v.overshoot / 100.0f, 0.0f, 0.9f);
    if (os < 0.001f) return 1.0f - std::exp(-wn * t) * (1.0f + wn * t);  // critically damped
    const float logOs = std::log(os);
    const float zeta = -logOs / std::sqrt(3.14159265f * 3.14159265f + logOs * logOs);
    const float root = std::sqrt(1.0f - zeta * zeta);
    const float wd = wn * root;
    return 1.0f - std::exp(-zeta * wn * t) * (std::cos(wd * t) + zeta / root * std::sin(wd * t));
}

CSignatureData NewRecord(int kind, const std::string& name, const SignatureDate& date) {
    CSignatureData r(kind);
    r.name = name;
    r.date = date;
    r.dataSource = SourceFile;
    r.saved = 1;
    r.header[0] = 23.5f;  // temperature
    return r;
}

void Finish(CSignatureData& r) {
    graphs::MarkFirstPoint(r.curve1);
    graphs::MarkFirstPoint(r.curve2);
    r.ComputeBounds();
}

}  // namespace

SignatureDate MakeDate(int year, int month, int day, int hour, int minute) {
    SignatureDate d;
    d.year = static_cast<uint8_t>(year % 100);
    d.month = static_cast<uint8_t>(month);
    d.day = static_cast<uint8_t>(day);
    d.hour = static_cast<uint8_t>(hour);
    d.minutes = static_cast<uint8_t>(minute);
    d.seconds = 12;
    d.milliseconds = 12000;
    d.weekday = 1;
    return d;
}

CSignatureData StandardSignature(const ValveModel& v, const std::string& name, const SignatureDate& date) {
    CSignatureData r = NewRecord(KindStandard, name, date);
    r.header[1] = 30.0f;  // recommended scan time
    r.header[2] = 30.0f;  // setting scan time
    r.header[3] = 2.0f;   // deviation margin
    r.xAxis = {v.springLow, v.springHigh, "kPa"};
    for (int i = 0; i < 9; ++i) {
        const float position = 10.0f + 10.0f * static_cast<float>(i);
        r.curve1.push_back({PressureAt(v, position, true) + Noise(i, 0.3f), position + Noise(i + 50, 0.2f), 0});
    }
    for (int i = 0; i < 9; ++i) {
        const float position = 90.0f - 10.0f * static_cast<float>(i);
        r.curve1.push_back({PressureAt(v, position, false) + Noise(i + 9, 0.3f), position + Noise(i + 70, 0.2f), 0});
    }
    Finish(r);
    return r;
}

CSignatureData ExtendedSignature(const ValveModel& v, const std::string& name, const SignatureDate& date) {
    CSignatureData r = NewRecord(KindExtended, name, date);
    r.header = {23.5f, 5.0f, 95.0f, 60.0f, 60.0f, 2.0f, 200.0f, 0.0f, 0.0f};
    r.xAxis = {v.springLow, v.springHigh, "kPa"};
    // Pressure falls from the top set point to the bottom one and rises again.
    const float top = PressureAt(v, 95.0f, true), bottom = PressureAt(v, 5.0f, false);
    for (int i = 0; i < 100; ++i) {
        const bool falling = i < 50;
        const float f = falling ? static_cast<float>(i) / 49.0f : static_cast<float>(i - 50) / 49.0f;
        const float pressure = falling ? top + (bottom - top) * f : bottom + (top - bottom) * f;
        // Friction holds the valve for a moment after each turn.
        const float position = PositionAt(v, pressure, !falling);
        r.curve1.push_back({pressure + Noise(i, 0.15f), position + Noise(i + 7, 0.1f), 0});
    }
    Finish(r);
    return r;
}

CSignatureData StepResponse(const ValveModel& v, const std::string& name, const SignatureDate& date, float from,
                            float to, int samples) {
    CSignatureData r = NewRecord(KindStepResponse, name, date);
    const float period = 0.05f;
    r.header = {23.5f, from, to, period * 1000.0f, static_cast<float>(samples), std::fabs(to - from), 0.0f, 2.0f, 10.0f};
    r.xAxis = {0.0f, 1e8f, "s"};
    for (int i = 0; i < samples; ++i) {
        const float t = static_cast<float>(i) * period;
        const float setPoint = i < 9 ? from : to;
        const float y = from + (to - from) * StepShape(v, t - 9 * period) + Noise(i, 0.05f);
        r.curve1.push_back({t, y, 0});
        r.curve2.push_back({t, setPoint, 0});
    }
    Finish(r);
    return r;
}

CSignatureData StepSeries(const ValveModel& v, const std::string& name, const SignatureDate& date,
                          int samplesPerStep) {
    CSignatureData r = NewRecord(KindStepResponse, name, date);
    const float period = 0.05f;
    r.header = {23.5f, 50.0f, 70.0f, period * 1000.0f, static_cast<float>(samplesPerStep), 10.0f, 2.0f, 2.0f, 10.0f};
    r.xAxis = {0.0f, 1e8f, "s"};
    const StepSeriesSettings settings{50.0f, 70.0f, 10.0f, 2.0f};
    int count = 1;
    int64_t from = 0, to = 0;
    float reached = 50.0f;
    for (int step = 0; ComputeStep(settings, step, from, to, count) == 0; ++step) {
        const float target = static_cast<float>(to) / 100.0f;
        const float settled = target + v.accuracy * std::sin(static_cast<float>(step) * 1.7f);
        for (int i = 0; i < samplesPerStep; ++i) {
            const int n = step * samplesPerStep + i;
            const float t = static_cast<float>(n) * period;
            const float y = reached + (settled - reached) * StepShape(v, static_cast<float>(i - 9) * period);
            r.curve1.push_back({t, y + Noise(n, 0.02f), 0});
            r.curve2.push_back({t, i < 9 ? static_cast<float>(from) / 100.0f : target, 0});
        }
        reached = settled;
    }
    Finish(r);
    return r;
}

CSignatureData PositionerSignature(const ValveModel& v, const std::string& name, const SignatureDate& date) {
    CSignatureData r = NewRecord(KindPositioner, name, date);
    r.header = {23.5f, 0.0f, 100.0f, 10.0f, 5.0f, 5.0f, 0.0f, 0.0f, 0.0f};
    const float lag = v.accuracy;
    for (int i = 0; i <= 20; ++i) {
        const bool up = i <= 10;
        const float input = up ? 10.0f * static_cast<float>(i) : 10.0f * static_cast<float>(20 - i);
        const float position = Clamp(input + (up ? -lag : lag) + Noise(i, 0.1f), 0.0f, 100.0f);
        r.curve1.push_back({input, position, 0});
    }
    Finish(r);
    return r;
}

SignatureBlockToWrite Block(int kind, std::vector<const CSignatureData*> curves) {
    SignatureBlockToWrite block;
    block.kind = kind;
    float xLow = 0.0f, xHigh = 100.0f;
    bool first = true;
    for (const CSignatureData* r : curves) {
        if (r->curve1.empty()) continue;
        // The time axis of a step response runs over the samples, not the padded bounds.
        const bool step = kind == KindStepResponse;
        const float low = step ? r->curve1.front().x : r->xMinimum;
        const float high = step ? r->curve1.back().x : r->xMaximum;
        xLow = first ? low : std::min(xLow, low);
        xHigh = first ? high : std::max(xHigh, high);
        first = false;
    }
    if (kind == KindPositioner || IsActuatorKind(kind)) {
        xLow = std::floor(std::min(xLow, 0.0f) / 10.0f) * 10.0f;
        xHigh = std::ceil(xHigh / 10.0f) * 10.0f;
    }
    block.full = {xLow, xHigh, 10.0, 0.0, -10.0, 110.0, 10.0, 0.0};
    block.visible = block.full;
    block.curves = std::move(curves);
    return block;
}

}  // namespace diagnostics::examples
