#include "simulator/valve/ValveExtension.h"

#include <algorithm>
#include <cmath>

#include "simulator/Device.h"
#include "simulator/valve/DeviceProcedure.h"
#include "simulator/valve/SignatureMeasurement.h"
#include "simulator/valve/TransducerValues.h"

namespace simulator::valve {

namespace {

constexpr uint8_t kGood = 0x80;
constexpr uint8_t kBadOutOfService = 0x1C;
// The commands the positioner accepts, whatever the configured range.
constexpr double kLowestCommand = -40.0;
constexpr double kHighestCommand = 110.0;

bool IsTb(const Block* block) { return block && block->kind == "TB"; }

void PutRaw(Block& tb, const char* name, double fraction) {
    if (DeviceObject* o = tb.Obj(name))
        PutU16BE(o->value, 0, static_cast<uint16_t>(std::clamp(fraction, 0.0, 1.0) * 65535.0));
}

}  // namespace

ValveExtension::ValveExtension(const ValveSettings& settings) : model_(settings) {}

Environment ValveExtension::CurrentEnvironment(const Block& tb) const {
    Environment env;
    env.supplyKpa = faults_.supplyKpa > 0 ? std::min(faults_.supplyKpa, model_.Settings().supplyKpa)
                                          : model_.Settings().supplyKpa;
    env.stuck = faults_.stuck;
    env.airToClose = tb.GetByte("ACT_FAIL_ACTION") == 2;
    env.openStopAdj = std::clamp<double>(tb.GetFloat("OPEN_STOP_ADJ"), 1.0, 100.0);
    return env;
}

Drive ValveExtension::CommandDrive(const Block& tb, const Environment& env) const {
    const Drive closed = env.airToClose ? Drive::FullAir() : Drive::Vent();
    const Drive open = env.airToClose ? Drive::Vent() : Drive::FullAir();
    if (FailsafeActive(tb)) return Drive::Vent();
    const DeviceObject* range = tb.Obj("FINAL_VALUE_RANGE");
    const double high = range ? GetFloatBE(range->value, 0) : kHighestCommand;
    const double low = range ? GetFloatBE(range->value, 4) : kLowestCommand;
    double command = tb.GetFloat("FINAL_VALUE", 1);
    if (!std::isfinite(command)) command = 0.0;
    command = std::clamp(command, std::max(kLowestCommand, std::min(low, high)),
                         std::min(kHighestCommand, std::max(low, high)));
    // Cut-offs: full opening above the high one (unless the open stop is adjusted, then the
    // adjusted end), tight shut-off below the low one.
    if (command >= tb.GetFloat("FINAL_VALUE_CUTTOFF_HI")) return env.openStopAdj >= 100.0 ? open : Drive::Servo(100.0);
    if (command < tb.GetFloat("FINAL_VALUE_CUTTOFF_LO")) return closed;
    return Drive::Servo(command);
}

bool ValveExtension::StartActivity(std::unique_ptr<ValveActivity> activity) {
    if (activity_ || !activity) return false;
    activity_ = std::move(activity);
    return true;
}

int ValveExtension::StartProcedure(Device& device, Block& tb, uint8_t command) {
    const Environment env = CurrentEnvironment(tb);
    const ServoParameters servo = ReadServoParameters(tb);
    ActivityContext ctx{device, tb, model_, servo, env, faults_, !faults_.noPressureSensor};
    auto* procedure = dynamic_cast<DeviceProcedure*>(activity_.get());
    if (command == kExecCancel) {
        if (procedure) {
            procedure->Cancel(ctx);
            activity_.reset();
        }
        return E_OK;
    }
    if (activity_) {
        if (command == kExecOff) return E_OK;
        if (procedure && command == procedure->Command() && procedure->Confirm()) return E_OK;
        return E_OBJECT_STATE_CONFLICT;  // busy with another procedure or a measurement
    }
    if (command == kExecOff) return E_OK;
    std::unique_ptr<DeviceProcedure> started = MakeDeviceProcedure(command, procedureMemory_);
    if (!started) return E_PARAMETER_CHECK;
    // Accepted: the command shows and the result reads "not finished" from this instant.
    tb.SetByte("AUTO_TUNE_EXEC", command);
    tb.SetByte("AUTO_TUNE_RESULT", kResultRunning);
    tb.SetByte("AUTO_TUNE_STATE", 0);
    activity_ = std::move(started);
    return E_OK;
}

int ValveExtension::StartSignature(Device& device, Block& tb, uint8_t command, uint64_t nowMs) {
    auto* running = dynamic_cast<SignatureMeasurement*>(activity_.get());
    if (command == kSignCancel) {
        if (running) {
            const Environment env = CurrentEnvironment(tb);
            const ServoParameters servo = ReadServoParameters(tb);
            ActivityContext ctx{device, tb, model_, servo, env, faults_, !faults_.noPressureSensor};
            running->Cancel(ctx);
            activity_.reset();
        }
        return E_OK;
    }
    if (command == kSignOff) return E_OK;
    if (command < kSignAll || command > kSignPositioner) return E_PARAMETER_CHECK;
    if (activity_) return E_OBJECT_STATE_CONFLICT;  // a procedure or another measurement runs
    if (!MeasuresSignatures(tb, device.deviceType, device.deviceRevision)) return E_OBJECT_ACCESS_DENIED;
    SignatureSetup setup = ReadSignatureSetup(tb);
    setup.dateBase = dateBase_;
    setup.startMs = nowMs;
    auto measurement = std::make_unique<SignatureMeasurement>(command, setup, signatures_);
    // Accepted: the command, "running", no points and a state of the first part show at once.
    tb.SetByte("SIGN_MEAS_EXEC", command);
    tb.SetByte("SIGN_MEAS_RESULT", kSignRunning);
    tb.SetByte("SIGN_MEAS_STATE", measurement->StateValue());
    if (DeviceObject* counter = tb.Obj("SIGN_MEAS_COUNTER")) PutU16BE(counter->value, 0, 0);
    activity_ = std::move(measurement);
    return E_OK;
}

int ValveExtension::OnSignatureWrite(Device& device, Block& tb, const DeviceObject& object,
                                     const std::vector<uint8_t>& bytes, uint64_t nowMs, bool& handled) {
    if (object.name == "SIGN_MEAS_EXEC" && bytes.size() == 1) {
        handled = true;  // the measurement shows its own command
        return StartSignature(device, tb, bytes[0], nowMs);
    }
    if (object.name == "SIGN_UPLOAD_DATABASE" && bytes.size() == 1) {
        signatures_->Select(bytes[0]);
        signatures_->Show(tb);
    } else if (object.name == "SIGN_UPLOAD_POINTER" && bytes.size() == 2) {
        signatures_->Point(static_cast<uint16_t>((bytes[0] << 8) | bytes[1]));
        signatures_->Show(tb);
    } else if (object.name == "SIGN_DATA_SAVE" && bytes.size() == 1 && (bytes[0] == 2 || bytes[0] == 3)) {
        if (tb.GetByte("SIGN_DATA_SAVE") != 1) return E_OBJECT_STATE_CONFLICT;  // still saving
        signatures_->RequestSave(bytes[0], nowMs);
    }
    return E_OK;
}

uint8_t ValveExtension::CalibrateTravel(const Block& tb, uint8_t command) {
    if (activity_ || FailsafeActive(tb)) return kCalibrationFailed;
    const ValveSettings& v = model_.Settings();
    const double angle = model_.CleanAngle();  // the sensor averaged over the calibration
    Calibration c = model_.GetCalibration();
    if (command == 2) c.zeroDeg = angle;
    if (command == 3) c.spanDeg = angle;
    if (command == 4) c.midDeg = angle;
    if (command != 4) c.midDeg = (c.zeroDeg + c.spanDeg) / 2.0;
    const double full = c.spanDeg - c.zeroDeg;
    if (std::fabs(full) < 0.2 * std::fabs(v.angleOpenDeg - v.angleClosedDeg)) return kCalibrationFailed;
    const double mid = (c.midDeg - c.zeroDeg) / full;
    if (mid < 0.1 || mid > 0.9) return kCalibrationFailed;
    model_.SetCalibration(c);
    return kCalibrationSuccess;
}

int ValveExtension::OnWrite(Device& device, Block* block, DeviceObject& object, int member,
                            const std::vector<uint8_t>& bytes, uint64_t nowMs, bool& handled) {
    if (IsTb(block) && member < 0 && object.name.starts_with("SIGN_"))
        return OnSignatureWrite(device, *block, object, bytes, nowMs, handled);
    if (!IsTb(block) || member >= 0 || bytes.size() != 1) return E_OK;
    const uint8_t value = bytes[0];
    if (object.name == "AUTO_TUNE_EXEC") {
        handled = true;  // the procedure shows its own command
        return StartProcedure(device, *block, value);
    }
    if (object.name == "TRAVEL_CALIB_EXEC") {
        handled = true;  // finished within the write: the command reads "Off" again
        if (value == 2 || value == 3 || value == 4) {
            const uint8_t result = CalibrateTravel(*block, value);
            block->SetByte("TRAVEL_CALIB_RESULT", result);
            if (result == kCalibrationSuccess) {
                block->SetFloat("THETA_LO", static_cast<float>(model_.GetCalibration().zeroDeg));
                block->SetFloat("THETA_HI", static_cast<float>(model_.GetCalibration().spanDeg));
            }
        }
        return E_OK;
    }
    if (object.name == "SERVO_RET_TO_DEFAULT" && value == 2) {
        restoreServo_ = true;
        restoreDueMs_ = nowMs + kServoDefaultMs;
    }
    return E_OK;
}

void ValveExtension::Advance(Device& device, uint64_t fromMs, uint64_t toMs) {
    Block* tb = device.BlockByKind("TB");
    if (!tb || toMs <= fromMs) return;
    const Environment env = CurrentEnvironment(*tb);
    if (restoreServo_ && toMs >= restoreDueMs_) {
        WriteServoParameters(*tb, FactoryServoParameters());
        tb->SetByte("SERVO_RET_TO_DEFAULT", 1);
        restoreServo_ = false;
    }
    const ServoParameters blockServo = ReadServoParameters(*tb);
    // A procedure needs the block out of service: once the block's mode is back in service
    // the positioner gives up the procedure and the valve follows its set point again.
    if (auto* procedure = dynamic_cast<DeviceProcedure*>(activity_.get()); procedure && tb->Actual() != MODE_OOS) {
        ActivityContext ctx{device, *tb, model_, blockServo, env, faults_, !faults_.noPressureSensor};
        procedure->Abort(ctx, kResultModeChanged);
        activity_.reset();
    }
    if (!initialised_) {
        initialised_ = true;
        model_.Settle(CommandDrive(*tb, env), blockServo, env);
    }
    const bool longGap = toMs - fromMs > kMaxSteppedGapMs;
    const bool restingGap = toMs - fromMs > kMaxSteppedRestingGapMs;
    pendingS_ += static_cast<double>(toMs - fromMs) / 1000.0;
    while (pendingS_ >= kStepS - 1e-9) {
        const ServoParameters* trial = activity_ ? activity_->ServoOverride() : nullptr;
        const ServoParameters& servo = trial ? *trial : blockServo;
        ActivityContext ctx{device, *tb, model_, servo, env, faults_, !faults_.noPressureSensor};
        const Drive drive = activity_ ? activity_->CurrentDrive(ctx) : CommandDrive(*tb, env);
        if (restingGap && !(activity_ && activity_->NeedsStepping()) && restS_ >= kRestS) {
            // Too long to step, nothing needs the steps and the valve rests: the steady
            // state at once.
            model_.Settle(drive, servo, env);
            totals_.Update(*tb, model_.Travel(), model_.Position(), model_.ServoOutput(), pendingS_, true);
            pendingS_ = 0.0;
            break;
        }
        if (longGap && !(activity_ && activity_->NeedsStepping()) && pendingS_ > kUnsteadyGapStepS) {
            // A valve that does not rest keeps moving as it was: the time passes, the end is
            // stepped.
            const double skipped = pendingS_ - kUnsteadyGapStepS;
            totals_.Update(*tb, model_.Travel(), model_.Position(), model_.ServoOutput(), skipped, true);
            pendingS_ -= skipped;
        }
        model_.Step(drive, servo, env);
        if (std::fabs(model_.Position() - restAnchor_) > kRestBandPct) restAnchor_ = model_.Position(), restS_ = 0.0;
        else restS_ += kStepS;
        pendingS_ -= kStepS;
        totals_.Update(*tb, model_.Travel(), model_.Position(), model_.ServoOutput(), kStepS, activity_ != nullptr);
        if (activity_) {
            activity_->AfterStep(ctx);
            if (activity_->Finished()) activity_.reset();
        }
    }
    signatures_->Advance(*tb, toMs);
    Publish(device, *tb, env);
}

void ValveExtension::Publish(Device& device, Block& tb, const Environment& env) {
    const uint8_t status = tb.Actual() == MODE_OOS ? kBadOutOfService : kGood;
    const double position = model_.Position();
    tb.SetByte("FINAL_POSITION_VALUE", status, 0);
    tb.SetFloat("FINAL_POSITION_VALUE", static_cast<float>(position), 1);
    const double factor = PressureUnitFactor(tb);
    tb.SetFloat("OUT_PRESSURE", faults_.noPressureSensor ? 0.0f : static_cast<float>(model_.PressureKpa() * factor));
    tb.SetFloat("SERVO_OUTPUT_SIGNAL", static_cast<float>(model_.ServoOutput()));
    tb.SetFloat("THETA_P", static_cast<float>(model_.Angle()));
    tb.SetByte("PRESS_SENS_INSTALLED", faults_.noPressureSensor ? 1 : 2);
    const double fraction = (model_.Angle() + 90.0) / 180.0;
    PutRaw(tb, "ADVAL_FW", fraction);
    PutRaw(tb, "ADVAL_BW", 1.0 - fraction);
    PutRaw(tb, "ADVAL_PRESS", model_.PressureKpa() / (env.supplyKpa * 1.25));
    device.position = position;
    if (activity_) activity_->Publish(tb);
    // A high-resolution measurement fills the selected window while the host reads it.
    signatures_->Show(tb);
}

int ValveExtension::DownloadDomain(Device&, const std::string&, const std::vector<uint8_t>&, uint64_t) {
    return E_OBJECT_ACCESS_UNSUPPORTED;
}

int ValveExtension::ValveFault(Device& device, const JsonValue& cmd, std::string& error) {
    std::string fault;
    bool on = true;
    double kpa = 0;
    int64_t code = 0;
    if (!ReadText(cmd, "fault", fault, error) || !ReadFlag(cmd, "on", on, error) ||
        !ReadReal(cmd, "kPa", 10, 1000, kpa, error) || !ReadWhole(cmd, "code", 1, 254, code, error))
        return E_BAD_ARGUMENT;
    Block* tb = device.BlockByKind("TB");
    if (!tb) {
        error = "valveFault: the device has no transducer block";
        return E_BAD_ARGUMENT;
    }
    ValveFaults next = faults_;
    if (fault == "stuck") {
        next.stuck = on;
    } else if (fault == "lowSupply") {
        if (on && !cmd.contains("kPa")) {
            error = "valveFault lowSupply needs kPa (10 to 1000)";
            return E_BAD_ARGUMENT;
        }
        next.supplyKpa = on ? kpa : 0.0;
    } else if (fault == "noPressureSensor") {
        next.noPressureSensor = on;
    } else if (fault == "forceResult") {
        if (on) {
            const DeviceObject* result = tb->Obj("AUTO_TUNE_RESULT");
            bool listed = false;
            for (const EnumItem& item : result ? result->items : std::vector<EnumItem>{})
                listed = listed || (item.value == static_cast<uint32_t>(code) && item.value != kResultRunning);
            if (!listed) {
                error = "valveFault forceResult needs a code listed for AUTO_TUNE_RESULT";
                return E_BAD_ARGUMENT;
            }
        }
        next.forcedResult = on ? static_cast<uint8_t>(code) : 0;
    } else if (fault == "hangProcedure") {
        next.hangProcedures = on;
    } else if (fault == "failsafe") {
        // Active while on; when it clears it stays latched until the host releases it.
        const uint8_t state = tb->GetByte("RELEASE_FAILSAFE");
        if (on) tb->SetByte("RELEASE_FAILSAFE", 2);
        else if (state == 2) tb->SetByte("RELEASE_FAILSAFE", 3);
    } else if (fault == "none") {
        next = ValveFaults{};
    } else {
        error = "valveFault: unknown fault '" + fault +
                "' (stuck, lowSupply, noPressureSensor, failsafe, forceResult, hangProcedure, none)";
        return E_BAD_ARGUMENT;
    }
    faults_ = next;
    return E_OK;
}

int ValveExtension::Control(Device& device, const std::string& what, const JsonValue& cmd, uint64_t, JsonValue& reply,
                            std::string& error) {
    if (what == "valveFault") return ValveFault(device, cmd, error) == E_OK ? 0 : 1;
    if (what != "valveState") return -1;
    const ValveSettings& s = model_.Settings();
    const Calibration& c = model_.GetCalibration();
    reply["travel"] = model_.Travel();
    reply["position"] = model_.Position();
    reply["pressureKpa"] = model_.PressureKpa();
    reply["servoOutput"] = model_.ServoOutput();
    reply["angleDeg"] = model_.CleanAngle();
    reply["calibrationDeg"] = JsonValue::array({c.zeroDeg, c.midDeg, c.spanDeg});
    reply["springRangeKpa"] = JsonValue::array({s.springLowKpa, s.springHighKpa});
    reply["frictionKpa"] = s.frictionKpa;
    reply["stickSlipKpa"] = s.stickSlipKpa;
    reply["supplyKpa"] = faults_.supplyKpa > 0 ? std::min(faults_.supplyKpa, s.supplyKpa) : s.supplyKpa;
    reply["activity"] = activity_ != nullptr;
    return 0;
}

}  // namespace simulator::valve
