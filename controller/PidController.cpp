#include "controller/PidController.h"

#include <cstring>

#include "fieldbus/FieldbusMessages.h"
#include "fieldbus/OperationState.h"
#include "fieldbus/ViewRecords.h"
#include "logon/HasPrivilege.h"
#include "platform/Ui.h"
#include "values/ValueCodec.h"

namespace controller {

using fieldbus::BlockKind;
using fieldbus::DeviceAccess;
using fieldbus::StatusValue;
using platform::Format;
using platform::ShowMessage;

namespace {

constexpr uint8_t kEnumerationItem = 1;
// Byte 3 of every VIEW_1 and VIEW_3 image is the actual mode; the PID view's floats sit at
// the offsets of PV, SP, OUT, CAS_IN and RCAS_IN.
constexpr size_t kViewActualMode = 3;
constexpr size_t kPidPv = 9, kPidSp = 14, kPidOut = 19, kPidCasIn = 29, kPidRcasIn = 44;

// The description text of a value of an enumerated parameter, "" when it has none.
std::string DescribedText(DeviceAccess& device, int block, const std::string& name, uint32_t value) {
    fieldbus::ObjectAttributes attributes;
    if (block < 0 || device.GetObjectAttributes(block, name, attributes) != 0) return {};
    for (const fieldbus::AttributeItem& item : attributes.items)
        if (item.kind == kEnumerationItem && item.value == value)
            return values::ValueCodec::Instance().PickEnglishText(item.description.data(), item.description.size());
    return {};
}

// A value-and-status parameter as it travels: status, then the big-endian float.
void EncodeStatusValue(uint8_t status, float value, uint8_t bytes[5]) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    bytes[0] = status;
    bytes[1] = static_cast<uint8_t>(bits >> 24);
    bytes[2] = static_cast<uint8_t>(bits >> 16);
    bytes[3] = static_cast<uint8_t>(bits >> 8);
    bytes[4] = static_cast<uint8_t>(bits);
}

// Writes PID IN with the READBACK mapped onto the PV range; 1 read failed, 2 READBACK not
// good, 3 the write failed.
int FeedReadback(DeviceAccess& device, float low, float high) {
    StatusValue readback;
    if (device.ReadAoReadback(readback) != 0) return 1;
    if (readback.status < 128) return 2;
    uint8_t bytes[5];
    EncodeStatusValue(readback.status, SimulatedInput(readback.value, low, high), bytes);
    return device.WriteParameter(device.BlockOf(BlockKind::PID), "IN", bytes, sizeof bytes) == 0 ? 0 : 3;
}

}  // namespace

PidController::PidController(DeviceAccess* device, ControllerHost& host, ControllerOptions options)
    : device_(device), host_(host), options_(std::move(options)) {}

bool PidController::HasDevice() const {
    return device_ != nullptr && device_->IsOpen() && device_->BlockOf(BlockKind::PID) >= 0;
}

std::string PidController::Title() const {
    const bool present = device_ != nullptr && device_->IsOpen() && !options_.tag.empty();
    return "PID Process Controller" + (present ? " (" + options_.tag + ")" : std::string(" (No Device Attached)"));
}

int PidController::Bus(const BusWork& work) {
    ++busDepth_;
    const int result = options_.runBus ? options_.runBus(work) : work();
    --busDepth_;
    if (busDepth_ == 0 && deriveDeferred_) {
        deriveDeferred_ = false;
        DeriveShownState();
    }
    return result;
}

void PidController::Changed() { host_.ControllerChanged(); }

// ---- Filling and the readers -------------------------------------------------------------

void PidController::Fill(platform::WindowHandle notify) {
    if (!HasDevice()) {
        Changed();
        return;
    }
    struct Read {
        bool ftime = false;
        float ftimeValue = 0;
        fieldbus::ScalingRecord pvScale, outScale;
        bool pvScaleRead = false, outScaleRead = false;
        std::string pvUnit, outUnit;
        ControllerValues values;
        bool limits = false;
        float hi = 0, lo = 0;
        uint8_t pid = 0, ao = 0, tb = 0;
        int schedule = 1;
        bool unscheduled = false;
    } r;
    DeviceAccess& d = *device_;
    const ControllerOptions& options = options_;
    Bus([&d, &r, &options] {
        r.ftime = d.ReadPidPvFtime(r.ftimeValue) == 0;
        const int pid = d.BlockOf(BlockKind::PID);
        r.pvScaleRead = d.ReadPidPvScale(r.pvScale) == 0;
        if (r.pvScaleRead) r.pvUnit = DescribedText(d, pid, "PV_SCALE.UNITS_INDEX", r.pvScale.unitsIndex);
        r.outScaleRead = d.ReadPidOutScale(r.outScale) == 0;
        if (r.outScaleRead) r.outUnit = DescribedText(d, pid, "OUT_SCALE.UNITS_INDEX", r.outScale.unitsIndex);
        // A value that cannot be read shows as 0.
        auto value = [](int status, const StatusValue& v) { return status == 0 ? v.value : 0.0f; };
        StatusValue v;
        r.values.sp = value(d.ReadPidSp(v), v);
        r.values.out = value(d.ReadPidOut(v), v);
        r.values.casIn = value(d.ReadPidCasIn(v), v);
        r.values.rcasIn = value(d.ReadPidRcasIn(v), v);
        r.values.position = value(d.ReadTbFinalPositionValue(v), v);
        if (d.ReadTbOutPressure(r.values.pressure) != 0) r.values.pressure = 0;
        uint16_t unit = 0;
        if (d.ReadTbSpringRangeUnitsIndex(unit) == 0)
            r.values.pressureUnit = DescribedText(d, d.BlockOf(BlockKind::TB), "SPRING_RANGE.UNITS_INDEX", unit);
        r.values.pv = value(d.ReadPidPv(v), v);
        if (d.ReadPidGain(r.values.gain) != 0) r.values.gain = 0;
        if (d.ReadPidReset(r.values.reset) != 0) r.values.reset = 0;
        if (d.ReadPidRate(r.values.rate) != 0) r.values.rate = 0;
        r.limits = d.ReadPidHiLim(r.hi) == 0 && d.ReadPidLoLim(r.lo) == 0;
        if (d.ReadActualMode(pid, r.pid) != 0) r.pid = 0;
        if (d.ReadActualMode(d.BlockOf(BlockKind::AO), r.ao) != 0) r.ao = 0;
        if (d.ReadActualMode(d.BlockOf(BlockKind::TB), r.tb) != 0) r.tb = 0;
        if (options.readPidSchedule) r.schedule = options.readPidSchedule(r.unscheduled);
        return 0;
    });
    openingFtime_ = ftimeOnDevice_ = r.ftime ? r.ftimeValue : 0.0f;
    ftimeKnown_ = r.ftime;
    pvMapping_ = r.pvScaleRead ? SliderMapping::FromScale(r.pvScale, r.pvUnit) : SliderMapping{};
    outMapping_ = r.outScaleRead ? SliderMapping::FromScale(r.outScale, r.outUnit) : SliderMapping{};
    values_ = r.values;
    alarmEnabled_ = r.limits;
    hiLim_ = r.hi;
    loLim_ = r.lo;
    UpdateModes(r.pid, r.ao, r.tb);
    UpdatePv(values_.pv);
    if (r.schedule == 0 && r.unscheduled) ShowMessage("NOTE: PID Block unscheduled.");

    notify_ = notify;
    if (notify != 0) {
        device_->StartPidView3(notify);
        device_->StartAoView1(notify);
        device_->StartTbView3(notify);
        readersRunning_ = true;
    }
}

void PidController::OnViewMessage(unsigned msg) {
    if (!HasDevice()) return;
    switch (msg) {
        case fieldbus::WM_PIDVIEW3_UPDATED: {
            fieldbus::RawRecord83 r{};
            if (device_->GetPidView3(r) != 0) return;
            values_.sp = fieldbus::ViewFloat(r.data(), kPidSp);
            values_.out = fieldbus::ViewFloat(r.data(), kPidOut);
            values_.casIn = fieldbus::ViewFloat(r.data(), kPidCasIn);
            values_.rcasIn = fieldbus::ViewFloat(r.data(), kPidRcasIn);
            // Only a mode the reader saw change counts: a record it read before a change that
            // this dialog made and checked must not undo it.
            if (r[kViewActualMode] != publishedPid_) {
                publishedPid_ = r[kViewActualMode];
                UpdateModes(publishedPid_, aoActual_, tbActual_);
            }
            UpdatePv(fieldbus::ViewFloat(r.data(), kPidPv));
            break;
        }
        case fieldbus::WM_AOVIEW1_UPDATED: {
            fieldbus::RawRecord33 r{};
            if (device_->GetAoView1(r) != 0) return;
            if (r[kViewActualMode] != publishedAo_) {
                publishedAo_ = r[kViewActualMode];
                UpdateModes(pidActual_, publishedAo_, tbActual_);
            }
            break;
        }
        case fieldbus::WM_TBVIEW3_UPDATED: {
            fieldbus::TbView3Record r{};
            if (device_->GetTbView3(r) != 0) return;
            values_.position = r.finalPositionValue;
            values_.pressure = r.outPressure;
            if (r.modeBlk[1] != publishedTb_) {
                publishedTb_ = r.modeBlk[1];
                UpdateModes(pidActual_, aoActual_, publishedTb_);
            }
            break;
        }
        default: return;
    }
    Changed();
}

void PidController::Close() {
    if (readersRunning_ && device_ != nullptr) {
        device_->StopPidView3();
        device_->StopAoView1();
        device_->StopTbView3();
        readersRunning_ = false;
    }
    if (!HasDevice()) return;
    const bool wasSimulating = simulating_;
    EndSimulation();
    RestoreFilterTime();
    if (!wasSimulating) return;
    // The block keeps computing on the last value the simulation wrote.
    if (ShowMessage("The PID block stays in AUTO mode, but the simulation no longer feeds its input (PID IN).\n\n"
                    "Do you want to change the PID block to MAN mode ?",
                    platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) != platform::IDYES)
        return;
    DeviceAccess& d = *device_;
    if (Bus([&d] { return d.SetPidMode(fieldbus::kModeMan, fieldbus::kModeMan); }) != 0)
        ShowMessage("Error: Unable to change the PID to MAN mode.");
}

// ---- State --------------------------------------------------------------------------------

void PidController::UpdateModes(uint8_t pidActual, uint8_t aoActual, uint8_t tbActual) {
    pidActual_ = pidActual;
    aoActual_ = aoActual;
    tbActual_ = tbActual;
    DeriveShownState();
}

void PidController::DeriveShownState() {
    if (busDepth_ > 0) {  // derived once the bus work is done
        deriveDeferred_ = true;
        return;
    }
    state_ = DeriveState(pidActual_, aoActual_, tbActual_, simulating_);
    if (state_ != kStateSim) {
        EndSimulation();
        RestoreFilterTime();
    }
    Changed();
}

void PidController::EndSimulation() {
    simulating_ = false;
    host_.StopSimulationTimer();
}

int PidController::RestoreFilterTime() {
    if (!ftimeKnown_ || ftimeOnDevice_ == openingFtime_ || !HasDevice()) return 0;
    DeviceAccess& d = *device_;
    const float opening = openingFtime_;
    if (Bus([&d, opening] { return d.WritePidPvFtime(opening); }) != 0) {
        ShowMessage("Error: Failed to write PID PV_FTIME.");
        return 1;
    }
    ftimeOnDevice_ = opening;
    return 0;
}

int PidController::ReadPidActual() {
    uint8_t mode = 0;
    DeviceAccess& d = *device_;
    if (Bus([&d, &mode] { return d.ReadActualMode(d.BlockOf(BlockKind::PID), mode); }) != 0) return 1;
    UpdateModes(mode, aoActual_, tbActual_);
    return 0;
}

void PidController::ChangeState(int state) {
    if (changing_ || !HasDevice() || state < kStateRcas || state > kStateSim) return;
    changing_ = true;
    Changed();
    DeviceAccess& d = *device_;
    // The questions come first, so that a refusal leaves the device as it is.
    bool go = true;
    if (state == kStateSim) {
        go = logon::HasPrivilege(1) &&
             ShowMessage("WARNING: SIM state must NOT be used if the valve is operating a process!  Use only for "
                         "training.\r\n\r\nWARNING: The control loop configuration will be permanently REMOVED!  "
                         "Refer to online help on PID SIM state.\r\n\r\nDo you want to proceed ?",
                         platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) == platform::IDYES;
    }
    if (go) {
        uint8_t ao = aoActual_, tb = tbActual_;
        const int ready = Bus([&d, &ao, &tb] {
            if (d.ReadActualMode(d.BlockOf(BlockKind::AO), ao) != 0 || d.ReadActualMode(d.BlockOf(BlockKind::TB), tb) != 0)
                return 1;
            return ReadyForPid(ao, tb) ? 0 : d.SetAoCascade();
        });
        if (ready != 0) {
            ShowMessage("Error: Unable to make both AO and TB block modes ready for PID control.");
        } else {
            struct Target {
                uint8_t target, expected;
                const char* failure;
            };
            static const Target targets[] = {
                {fieldbus::kModeRcas | fieldbus::kModeAuto, fieldbus::kModeRcas, "Error: Unable to change the PID to RCAS mode."},
                {fieldbus::kModeCas | fieldbus::kModeAuto, fieldbus::kModeCas, "Error: Unable to change the PID to CAS mode."},
                {fieldbus::kModeAuto, fieldbus::kModeAuto, "Error: Unable to change the PID to AUTO mode."},
                {fieldbus::kModeMan, fieldbus::kModeMan, "Error: Unable to change the PID to MAN mode."},
            };
            if (state == kStateSim) {
                StartSimulation();
            } else {
                const Target& t = targets[state];
                if (Bus([&d, &t] { return d.SetPidMode(t.target, t.expected); }) != 0) ShowMessage(t.failure);
            }
        }
        // Refreshed from the device: the AO and TB modes as the cascade left them.
        uint8_t aoNow = aoActual_, tbNow = tbActual_;
        Bus([&d, &aoNow, &tbNow] {
            d.ReadActualMode(d.BlockOf(BlockKind::AO), aoNow);
            d.ReadActualMode(d.BlockOf(BlockKind::TB), tbNow);
            return 0;
        });
        aoActual_ = aoNow;
        tbActual_ = tbNow;
    }
    changing_ = false;
    if (ReadPidActual() != 0) DeriveShownState();
}

int PidController::StartSimulation() {
    simulating_ = true;
    enum Step { kDone, kLinkCheck, kLinkClear, kReadbackRead, kReadbackBad, kWriteIn, kWriteFtime, kPidMode };
    DeviceAccess& d = *device_;
    const float low = options_.pvRangeLow, high = options_.pvRangeHigh;
    bool ftimeWritten = false;
    const int step = Bus([&d, low, high, &ftimeWritten] {
        // The link object through which another device publishes PID IN goes, so that the
        // values written here are the block's input.
        for (int n = 0; n < kLinkObjectCount; ++n) {
            fieldbus::LinkObject link;
            if (d.ReadLinkObject(kFirstLinkObject + n, link) != 0) return static_cast<int>(kLinkCheck);
            if (link.localIndex == kPidInIndex && d.ClearLinkObject(kFirstLinkObject + n) != 0)
                return static_cast<int>(kLinkClear);
        }
        switch (FeedReadback(d, low, high)) {
            case 1: return static_cast<int>(kReadbackRead);
            case 2: return static_cast<int>(kReadbackBad);
            case 3: return static_cast<int>(kWriteIn);
            default: break;
        }
        float ftime = 0;
        if (d.ReadPidPvFtime(ftime) != 0 || ftime != kSimulationFilterTime) {
            if (d.WritePidPvFtime(kSimulationFilterTime) != 0) return static_cast<int>(kWriteFtime);
            ftimeWritten = true;
        }
        if (d.SetPidMode(fieldbus::kModeAuto, fieldbus::kModeAuto) != 0) return static_cast<int>(kPidMode);
        return static_cast<int>(kDone);
    });
    if (ftimeWritten) ftimeOnDevice_ = kSimulationFilterTime;
    static const char* const messages[] = {
        "",
        "Error: Failed to check the PID IN linkage info.",
        "Error: Failed to clear the PID IN linkage info.",
        "",  // a failed READBACK read has been reported by the device
        "Unable to change the PID to simulate state due to non-good AO READBACK status.",
        "Error: Failed to write PID In.",
        "Error: Failed to write PID PV_FTIME.",
        "Error: Unable to change the PID to simulate state.",
    };
    if (step != kDone) {
        simulating_ = false;
        if (*messages[step] != '\0') ShowMessage(messages[step]);
        return 1;
    }
    host_.StartSimulationTimer(kSimulationPeriodMs);
    return 0;
}

int PidController::SimulationTick() {
    if (!simulating_ || busDepth_ > 0 || changing_ || !HasDevice()) return 0;
    DeviceAccess& d = *device_;
    const float low = options_.pvRangeLow, high = options_.pvRangeHigh;
    const int failure = Bus([&d, low, high] { return FeedReadback(d, low, high); });
    if (failure == 0 || !simulating_) return 0;
    static const char* const reasons[] = {
        "",
        ("Unable to continue feeding simulation value from AO Readback into PID IN \ndue to failure to read from AO "
         "READBACK."),
        "Unable to continue feeding simulation value from AO Readback into PID IN \ndue to non-good AO READBACK status.",
        "Unable to continue feeding simulation value from AO Readback into PID IN \ndue to failure to write to PID IN.",
    };
    EndSimulation();
    ShowMessage(std::string(reasons[failure]) + "\nSimulation discontinued.");
    DeriveShownState();  // the PID block stays in its mode; PV_FTIME goes back
    return 1;
}

// ---- Set point, output and tuning ------------------------------------------------------

void PidController::UpdatePv(float pv) {
    values_.pv = pv;
    if (!alarmEnabled_) return;
    if (!(pv > hiLim_ || pv < loLim_)) {  // within the limits, both ends included
        if (alarmShown_) {
            alarmShown_ = false;
            Changed();
        }
        return;
    }
    if (alarmShown_) return;
    alarmShown_ = true;
    Changed();
    // While the message is up further values arrive; they never open a second one.
    if (alarmMessageOpen_) return;
    alarmMessageOpen_ = true;
    ShowMessage(Format("PV=%f, AlarmL= %f, AlarmH= %f", pv, loLim_, hiLim_));
    alarmMessageOpen_ = false;
}

int PidController::WriteSetPoint(float value, const char* failure) {
    values_.sp = value;
    Changed();
    DeviceAccess& d = *device_;
    if (Bus([&d, value] { return d.WritePidSpValue(value); }) != 0) {
        ShowMessage(failure);
        return 1;
    }
    return 0;
}

int PidController::WriteOutput(float value, const char* failure) {
    values_.out = value;
    Changed();
    DeviceAccess& d = *device_;
    if (Bus([&d, value] { return d.WritePidOutValue(value); }) != 0) {
        ShowMessage(failure);
        return 1;
    }
    return 0;
}

// The set point follows the slider only while the block computes or is in MAN (SIM. runs in
// AUTO); the output only in MAN.
int PidController::SetPointSlider(int position) {
    if (!HasDevice() || (pidActual_ != fieldbus::kModeAuto && pidActual_ != fieldbus::kModeMan)) return 1;
    return WriteSetPoint(pvMapping_.ValueAtInverted(position), "Error: Failed to write PID SP value.");
}

int PidController::SetPointSpin(int direction) {
    if (!HasDevice() || !SetPointEnabled()) return 1;
    return WriteSetPoint(values_.sp + (direction > 0 ? kSpinStep : -kSpinStep), "Error: Failed to write PID SP Value.");
}

int PidController::EnterSetPoint(float value) {
    if (!HasDevice() || !SetPointEnabled()) return 1;
    return WriteSetPoint(value, "Error: Failed to write PID SP value.");
}

int PidController::OutputSlider(int position) {
    if (!HasDevice() || pidActual_ != fieldbus::kModeMan) return 1;
    return WriteOutput(outMapping_.ValueAt(position), "Error: Failed to write PID Out value.");
}

int PidController::OutputSpin(int direction) {
    if (!HasDevice() || !OutputEnabled()) return 1;
    return WriteOutput(values_.out + (direction > 0 ? kSpinStep : -kSpinStep), "Error: Failed to write PID Out.");
}

int PidController::EnterOutput(float value) {
    if (!HasDevice() || !OutputEnabled()) return 1;
    return WriteOutput(value, "Error: Failed to write PID Out value.");
}

int PidController::OnEnter(float setPointField, float outputField) {
    if (pidActual_ == fieldbus::kModeMan) return EnterOutput(outputField);
    if (pidActual_ == fieldbus::kModeAuto) return EnterSetPoint(setPointField);
    return 1;
}

int PidController::ApplyTuning(float gain, float reset, float rate) {
    if (!HasDevice()) return 1;
    DeviceAccess& d = *device_;
    if (Bus([&d, gain, reset, rate] {
            return d.WritePidGain(gain) != 0 || d.WritePidReset(reset) != 0 || d.WritePidRate(rate) != 0 ? 1 : 0;
        }) != 0) {
        ShowMessage("Error: Failed to write the PID tuning parameters.");
        return 1;
    }
    values_.gain = gain;
    values_.reset = reset;
    values_.rate = rate;
    Changed();
    return 0;
}

}  // namespace controller
