#include "simulator/valve/SignatureMeasurement.h"

#include <algorithm>
#include <cmath>

#include "simulator/Block.h"
#include "simulator/valve/SignaturePhases.h"
#include "simulator/valve/TransducerValues.h"
#include "simulator/valve/ValveFaults.h"

namespace simulator::valve {

namespace {

template <size_t N>
void ReadFloats(const Block& tb, const char* name, std::array<float, N>& values) {
    for (size_t i = 0; i < N; ++i) values[i] = tb.GetFloat(name, 4 * i);
}

bool NeedsPressure(uint8_t command) {
    return command == kSignAll || command == kSignStandard || command == kSignExtended ||
           command == kSignHighResolution;
}

}  // namespace

SignatureSetup ReadSignatureSetup(const Block& tb) {
    SignatureSetup s;
    ReadFloats(tb, "STD_ACT_SIGN_SET", s.standard);
    ReadFloats(tb, "EXT_ACT_SIGN_SET", s.extended);
    ReadFloats(tb, "STEP_RESP_SET", s.step);
    ReadFloats(tb, "POSITIONER_SIGN_SET", s.positioner);
    s.temperature = tb.GetFloat("ELECT_TEMP");
    s.pressureFactor = PressureUnitFactor(tb);
    return s;
}

std::array<uint8_t, 7> SignatureRun::Now() const {
    const uint64_t ms = setup.startMs + static_cast<uint64_t>(std::llround(clockS * 1000.0));
    return FieldbusDate(setup.dateBase + static_cast<std::time_t>(ms / 1000), static_cast<unsigned>(ms % 1000));
}

bool MeasuresSignatures(const Block& tb, uint16_t deviceType, uint8_t deviceRevision) {
    // DEV_OPTIONS bit 1, or bit 14 (0x0002 of the value read as a big-endian number).
    const bool option = (tb.GetByte("DEV_OPTIONS", 0) & 0x40) != 0 || (tb.GetByte("DEV_OPTIONS", 1) & 0x02) != 0;
    const bool diagnostics = (deviceType == 7 && deviceRevision >= 2) || (deviceType == 1 && deviceRevision >= 4);
    return option || diagnostics;
}

SignatureMeasurement::SignatureMeasurement(uint8_t command, SignatureSetup setup, std::shared_ptr<SignatureStore> store)
    : PhasedActivity(kSignSucceeded), command_(command), run_(std::make_shared<SignatureRun>()) {
    run_->setup = setup;
    run_->store = std::move(store);
    switch (command) {
    case kSignAll:
        run_->part = SignaturePart::Offset;
        AddOffsetMeasurement(*this, run_);
        AddActuatorSignature(*this, run_, SignaturePart::Standard);
        AddActuatorSignature(*this, run_, SignaturePart::Extended);
        AddStepResponse(*this, run_);
        AddPositionerSignature(*this, run_);
        break;
    case kSignStandard:
        run_->part = SignaturePart::Standard;
        AddActuatorSignature(*this, run_, SignaturePart::Standard);
        break;
    case kSignExtended:
        run_->part = SignaturePart::Extended;
        AddActuatorSignature(*this, run_, SignaturePart::Extended);
        break;
    case kSignHighResolution:
        run_->part = SignaturePart::HighResolution;
        AddActuatorSignature(*this, run_, SignaturePart::HighResolution);
        break;
    case kSignStepResponse:
        run_->part = SignaturePart::StepResponse;
        AddStepResponse(*this, run_);
        break;
    default:
        run_->part = SignaturePart::Positioner;
        AddPositionerSignature(*this, run_);
        break;
    }
    SetConclusion([run = run_](ActivityContext&) { return run->warning != 0 ? run->warning : uint8_t{kSignSucceeded}; });
}

uint8_t SignatureMeasurement::StateValue() const {
    if (Finished()) return 0;
    const double percent = std::clamp(run_->percent, 0.0, 100.0);
    if (run_->part == SignaturePart::Offset)
        return static_cast<uint8_t>(std::clamp(static_cast<int>(std::ceil(percent / 10.0)), 1, 9));
    uint8_t base = 10;
    switch (run_->part) {
    case SignaturePart::Extended:
    case SignaturePart::HighResolution: base = 30; break;
    case SignaturePart::StepResponse: base = 50; break;
    case SignaturePart::Positioner: base = 70; break;
    default: break;
    }
    return static_cast<uint8_t>(base + std::clamp(static_cast<int>(std::ceil(percent / 5.0)) - 1, 0, 19));
}

uint16_t SignatureMeasurement::Counter() const { return static_cast<uint16_t>(std::min<uint32_t>(run_->counter, 0xFFFF)); }

void SignatureMeasurement::Publish(Block& tb) {
    if (Finished()) return;
    tb.SetByte("SIGN_MEAS_STATE", StateValue());
    DeviceObject* counter = tb.Obj("SIGN_MEAS_COUNTER");
    if (counter) PutU16BE(counter->value, 0, Counter());
}

uint8_t SignatureMeasurement::CheckStart(ActivityContext& ctx) {
    if (FailsafeActive(ctx.tb)) return kSignFailsafe;
    if (NeedsPressure(command_) && !ctx.pressureSensor) return kSignNoPressureSensor;
    return 0;
}

uint8_t SignatureMeasurement::OnFinish(ActivityContext& ctx, uint8_t code) {
    // The step response leaves the valve at its end value: the set point follows it.
    if (run_->setsFinalValue && command_ == kSignStepResponse) ctx.tb.SetFloat("FINAL_VALUE", run_->finalSetPoint, 1);
    // The result, the end of the state and of the command appear in the same instant, with
    // the count of the last part complete.
    if (DeviceObject* counter = ctx.tb.Obj("SIGN_MEAS_COUNTER")) PutU16BE(counter->value, 0, Counter());
    ctx.tb.SetByte("SIGN_MEAS_STATE", 0);
    ctx.tb.SetByte("SIGN_MEAS_RESULT", code);
    ctx.tb.SetByte("SIGN_MEAS_EXEC", kSignOff);
    return code;
}

void SignatureMeasurement::OnCancel(ActivityContext& ctx) {
    ctx.tb.SetByte("SIGN_MEAS_STATE", 0);
    ctx.tb.SetByte("SIGN_MEAS_RESULT", kSignCancelled);
    ctx.tb.SetByte("SIGN_MEAS_EXEC", kSignOff);
}

}  // namespace simulator::valve
