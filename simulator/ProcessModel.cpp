#include "simulator/ProcessModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "simulator/Device.h"

namespace simulator {

namespace {

constexpr uint8_t kGood = 0x80;
constexpr uint8_t kBadOutOfService = 0x1C;
constexpr uint8_t kBadNotConnected = 0x08;
constexpr double kPi = 3.14159265358979323846;

float Clamp(float v, float lo, float hi) { return std::max(lo, std::min(hi, v)); }

// Copies a status-and-value record.
void SetVs(Block& b, const char* name, uint8_t status, float value) {
    b.SetByte(name, status, 0);
    b.SetFloat(name, value, 1);
}

// The lag of the process the valve controls, as its transmitter measures it.
constexpr double kProcessLagSec = 3.0;

// The range of a scaling record (EU_100 at 0, EU_0 at 4); 0 to 100 when there is none.
void ScaleRange(const DeviceObject* scale, float& eu0, float& eu100) {
    eu0 = scale ? GetFloatBE(scale->value, 4) : 0.0f;
    eu100 = scale ? GetFloatBE(scale->value, 0) : 100.0f;
}

// The transmitter that publishes PID IN over a link object measures the process the valve
// controls (a lag behind the valve position, plus the segment's load swing) and overwrites
// IN on every step while that link object exists; once it is cleared, IN keeps what the
// host writes.
void PublishProcessValue(Device& d, Block& pid, double dtSec, double tSec) {
    d.processPercent += (std::clamp(d.position, 0.0, 100.0) - d.processPercent) * (1.0 - std::exp(-dtSec / kProcessLagSec));
    if (!d.RemotelyFed(pid, "IN")) return;
    float eu0 = 0, eu100 = 100;
    ScaleRange(pid.Obj("PV_SCALE"), eu0, eu100);
    double value = eu0 + (eu100 - eu0) * d.processPercent / 100.0;
    if (d.processSwing != 0 && d.processSwingPeriodMs > 0)
        value += d.processSwing *
                 std::sin(2.0 * std::numbers::pi * tSec * 1000.0 / static_cast<double>(d.processSwingPeriodMs));
    SetVs(pid, "IN", kGood, static_cast<float>(value));
}

// The PID block: PV is IN through the PV_FTIME filter; in AUTO (and CAS, RCAS, where the set
// point comes from CAS_IN or RCAS_IN) the output moves by the velocity form of the PID
// algorithm on percentages of the scales: GAIN on the change of the error, the error over
// RESET seconds, and RATE seconds on the process value's curvature (so a set point change
// gives no derivative kick). OUT feeds AO CAS_IN through the link object inside the device.
void StepPid(Device& d, Block& pid, double dtSec, double tSec) {
    PublishProcessValue(d, pid, dtSec, tSec);
    const uint8_t actual = pid.Actual();
    const float in = pid.GetFloat("IN", 1);
    const float ftime = pid.GetFloat("PV_FTIME");
    if (ftime > 0.0f)
        d.pidPv += (in - d.pidPv) * (1.0 - std::exp(-dtSec / ftime));
    else
        d.pidPv = in;
    SetVs(pid, "PV", pid.GetByte("IN", 0), static_cast<float>(d.pidPv));
    if (actual == MODE_OOS || actual == MODE_MAN) {
        d.pidPrimed = false;  // the algorithm starts afresh from the output it finds
        return;
    }
    if (actual == MODE_CAS) SetVs(pid, "SP", kGood, pid.GetFloat("CAS_IN", 1));
    if (actual == MODE_RCAS) SetVs(pid, "SP", kGood, pid.GetFloat("RCAS_IN", 1));

    float pvEu0 = 0, pvEu100 = 100, outEu0 = 0, outEu100 = 100;
    ScaleRange(pid.Obj("PV_SCALE"), pvEu0, pvEu100);
    ScaleRange(pid.Obj("OUT_SCALE"), outEu0, outEu100);
    double pvSpan = pvEu100 - pvEu0;
    if (pvSpan == 0.0) pvSpan = 100.0;
    const double pv = (d.pidPv - pvEu0) / pvSpan * 100.0;
    const double sp = (pid.GetFloat("SP", 1) - pvEu0) / pvSpan * 100.0;
    const DeviceObject* opts = pid.Obj("CONTROL_OPTS");
    const double sign = (opts && (BitsFromWire(opts->value, 0, 2) & (1u << 5))) ? -1.0 : 1.0;  // direct acting
    const double error = sign * (sp - pv);
    if (!d.pidPrimed) {
        d.pidPrimed = true;
        d.pidLastError = error;
        d.pidLastPv = pv;
        d.pidLastPvChange = 0;
        return;
    }
    const double pvChange = pv - d.pidLastPv;
    const double gain = pid.GetFloat("GAIN");
    const double reset = pid.GetFloat("RESET");
    const double rate = pid.GetFloat("RATE");
    double change = error - d.pidLastError;
    if (reset > 0.0 && std::isfinite(reset)) change += error * dtSec / reset;
    if (rate > 0.0 && std::isfinite(rate) && dtSec > 0.0) change -= sign * (pvChange - d.pidLastPvChange) * rate / dtSec;
    d.pidLastError = error;
    d.pidLastPv = pv;
    d.pidLastPvChange = pvChange;
    double out = pid.GetFloat("OUT", 1) + gain * change / 100.0 * (outEu100 - outEu0);
    if (!std::isfinite(out)) out = pid.GetFloat("OUT", 1);
    out = std::clamp(out, static_cast<double>(pid.GetFloat("OUT_LO_LIM")), static_cast<double>(pid.GetFloat("OUT_HI_LIM")));
    SetVs(pid, "OUT", kGood, static_cast<float>(out));
}

void StepAo(Device& d, Block& ao, Block* pid, Block* tb) {
    uint8_t actual = ao.Actual();
    // An input no link feeds reads Bad: Not Connected, as on a device (it keeps its value).
    const bool fed = d.CascadeFed(ao, "CAS_IN");
    if (pid && fed) SetVs(ao, "CAS_IN", kGood, pid->GetFloat("OUT", 1));
    if (!fed) SetVs(ao, "CAS_IN", kBadNotConnected, ao.GetFloat("CAS_IN", 1));
    if (actual == MODE_CAS) SetVs(ao, "SP", kGood, ao.GetFloat("CAS_IN", 1));
    if (actual == MODE_CAS || actual == MODE_AUTO) {
        float sp = Clamp(ao.GetFloat("SP", 1), ao.GetFloat("SP_LO_LIM"), ao.GetFloat("SP_HI_LIM"));
        SetVs(ao, "OUT", kGood, sp);
    }
    uint8_t status = (tb && tb->Actual() == MODE_OOS) ? kBadOutOfService : kGood;
    SetVs(ao, "READBACK", status, static_cast<float>(d.position));
    SetVs(ao, "PV", status, static_cast<float>(d.position));
    SetVs(ao, "BKCAL_OUT", kGood, ao.GetFloat("SP", 1));
}

void StepTb(Device& d, Block& tb, Block* ao, double dtSec, double tSec) {
    if (ao && tb.Actual() == MODE_AUTO && ao->Actual() != MODE_OOS)
        SetVs(tb, "FINAL_VALUE", ao->GetByte("OUT", 0), ao->GetFloat("OUT", 1));
    double celsius = 25.0 + 3.0 * std::sin(2 * kPi * tSec / 900.0);
    const DeviceObject* unit = tb.Obj("TEMPERATURE_UNIT");
    bool fahrenheit = unit && GetU16BE(unit->value, 0) == 1002;
    tb.SetFloat("ELECT_TEMP", static_cast<float>(fahrenheit ? celsius * 9.0 / 5.0 + 32.0 : celsius));
    if (DeviceObject* o = tb.Obj("ADVAL_T"))
        PutU16BE(o->value, 0, static_cast<uint16_t>(std::clamp((celsius + 40.0) / 125.0, 0.0, 1.0) * 65535.0));
    // A valve model of the device's own moves the valve; otherwise a first-order response
    // with pressures that follow the position over the spring range.
    if (d.extension && d.extension->ModelsValve()) return;
    const DeviceObject* range = tb.Obj("FINAL_VALUE_RANGE");
    float lo = range ? GetFloatBE(range->value, 4) : -10.0f;
    float hi = range ? GetFloatBE(range->value, 0) : 110.0f;
    float command = Clamp(tb.GetFloat("FINAL_VALUE", 1), std::min(lo, hi), std::max(lo, hi));
    float target = command;
    if (command >= tb.GetFloat("FINAL_VALUE_CUTTOFF_HI")) target = 100.0f;
    if (command < tb.GetFloat("FINAL_VALUE_CUTTOFF_LO")) target = 0.0f;
    target = std::min(target, std::max(tb.GetFloat("OPEN_STOP_ADJ"), 0.0f) + 10.0f);
    double before = d.position;
    const double tau = 0.8;
    d.position += (target - d.position) * (1.0 - std::exp(-dtSec / tau));
    uint8_t status = tb.Actual() == MODE_OOS ? kBadOutOfService : kGood;
    SetVs(tb, "FINAL_POSITION_VALUE", status, static_cast<float>(d.position));

    // Pressures follow the position over the spring range.
    const DeviceObject* spring = tb.Obj("SPRING_RANGE");
    float p100 = spring ? GetFloatBE(spring->value, 0) : 100.0f;
    float p0 = spring ? GetFloatBE(spring->value, 4) : 20.0f;
    double pos01 = std::clamp(d.position / 100.0, 0.0, 1.0);
    if (tb.GetByte("ACT_FAIL_ACTION") == 2) pos01 = 1.0 - pos01;
    double ripple = 0.15 * std::sin(2 * kPi * tSec / 7.0);
    tb.SetFloat("OUT_PRESSURE", static_cast<float>(p0 + pos01 * (p100 - p0) + ripple));
    double servo = tb.GetFloat("SERVO_OFFSET") + std::clamp((target - d.position) * 0.4, -40.0, 40.0);
    tb.SetFloat("SERVO_OUTPUT_SIGNAL", static_cast<float>(servo));

    auto putRaw = [&](const char* name, double fraction) {
        if (DeviceObject* o = tb.Obj(name))
            PutU16BE(o->value, 0, static_cast<uint16_t>(std::clamp(fraction, 0.0, 1.0) * 65535.0));
    };
    putRaw("ADVAL_FW", pos01);
    putRaw("ADVAL_BW", 1.0 - pos01);
    putRaw("ADVAL_PRESS", (p0 + pos01 * (p100 - p0)) / 200.0);

    // Totals: travel in full strokes, a cycle per reversal pair.
    d.travelRemainder += std::fabs(d.position - before) / 100.0;
    if (d.travelRemainder >= 1.0) {
        if (DeviceObject* o = tb.Obj("TOTAL_TRAVEL")) {
            uint32_t whole = static_cast<uint32_t>(d.travelRemainder);
            PutU32BE(o->value, 0, GetU32BE(o->value, 0) + whole);
            d.travelRemainder -= whole;
        }
    }
}

void StepDi(Device& d, Block& di, Block* tb, int which) {
    if (di.Actual() != MODE_AUTO) return;
    float limit = tb ? tb->GetFloat(which == 0 ? "LIMSW_LO_LIM" : "LIMSW_HI_LIM") : 0.0f;
    uint8_t on = which == 0 ? (d.position <= limit) : (d.position >= limit);
    for (const char* name : {"PV_D", "OUT_D", "FIELD_VAL_D"}) {
        di.SetByte(name, kGood, 0);
        di.SetByte(name, on, 1);
    }
}

void StepSplitter(Block& s) {
    if (s.Actual() == MODE_OOS) return;
    if (s.Actual() == MODE_CAS) SetVs(s, "SP", kGood, s.GetFloat("CAS_IN", 1));
    float sp = s.GetFloat("SP", 1);
    SetVs(s, "OUT_1", kGood, Clamp(sp * 2.0f, 0.0f, 100.0f));
    SetVs(s, "OUT_2", kGood, Clamp(sp * 2.0f - 100.0f, 0.0f, 100.0f));
}

void StepAi(Block& ai, double tSec) {
    if (ai.Actual() == MODE_OOS) return;
    float v = static_cast<float>(50.0 + 10.0 * std::sin(2 * kPi * tSec / 120.0));
    SetVs(ai, "PV", kGood, v);
    if (ai.Actual() == MODE_AUTO) SetVs(ai, "OUT", kGood, v);
}

}  // namespace

void AdvanceProcess(Device& d, uint64_t fromMs, uint64_t toMs) {
    if (toMs <= fromMs) return;
    Block* tb = d.BlockByKind("TB");
    Block* ao = d.BlockByKind("AO");
    Block* pid = d.BlockByKind("PID");
    const double dt = static_cast<double>(toMs - fromMs) / 1000.0;
    const double tSec = static_cast<double>(toMs) / 1000.0;
    // The process model belongs to the device's first PID block; further PID blocks hold
    // their values as written.
    if (pid) StepPid(d, *pid, dt, tSec);
    for (Block& b : d.blocks)
        if (b.kind == "AI") StepAi(b, tSec);
    if (ao) StepAo(d, *ao, pid, tb);
    if (tb && d.positioner) StepTb(d, *tb, ao, dt, tSec);
    int diCount = 0;
    for (Block& b : d.blocks) {
        if (b.kind == "DI") StepDi(d, b, tb, diCount++);
        if (b.kind == "SPLT") StepSplitter(b);
    }
}

}  // namespace simulator
