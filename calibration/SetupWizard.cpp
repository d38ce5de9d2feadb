#include "calibration/SetupWizard.h"

#include <cstring>
#include <vector>

#include "fieldbus/OperationState.h"
#include "fieldbus/TypedValues.h"
#include "platform/Ui.h"
#include "values/ValueCodec.h"

namespace calibration {

using fieldbus::DeviceAccess;

namespace {

// The travel range the positioner accepts for its range and limits, percent.
constexpr float kTravelMin = -25.0f;
constexpr float kTravelMax = 125.0f;

// An Actuator page field: the configuration's member, the event the host hears and the
// write of its device code.
struct ActuatorField {
    uint32_t ActuatorSettings::*page;
    uint32_t config::ActuatorGroup::*config;
    const char* event;
    int (DeviceAccess::*write)(const uint8_t&);
};
constexpr ActuatorField kActuatorFields[] = {
    {&ActuatorSettings::failAction, &config::ActuatorGroup::valveAction, "Set ACT_FAIL_ACTION",
     &DeviceAccess::WriteTbActFailAction},
    {&ActuatorSettings::valveType, &config::ActuatorGroup::valveType, "Set Valve Type", &DeviceAccess::WriteTbValveType},
    {&ActuatorSettings::actuatorType, &config::ActuatorGroup::actuatorType, "Set Actuator Type",
     &DeviceAccess::WriteTbActuatorType},
};

// Two floats as an 8-byte transducer parameter travels (big-endian).
fieldbus::RawRecord8 FloatPairWire(const std::array<float, 2>& pair) {
    fieldbus::RawRecord8 wire{};
    for (size_t i = 0; i < 2; ++i) {
        uint32_t bits = 0;
        std::memcpy(&bits, &pair[i], sizeof bits);
        for (size_t b = 0; b < 4; ++b) wire[i * 4 + b] = static_cast<uint8_t>(bits >> (24 - 8 * b));
    }
    return wire;
}

bool IsState(int state) {
    return state == fieldbus::kNormalState || state == fieldbus::kManualState || state == fieldbus::kOutOfService;
}

}  // namespace

std::string WizardCaption(int page, const std::string& tag, bool devicePresent) {
    const char* name = page >= 0 && page < kWizardPageCount ? kWizardPageNames[page] : "";
    return std::string("Setup Wizard - ") + name + (devicePresent ? " (" + tag + ")" : " (No Device Attached)");
}

ActuatorSettings ActuatorOf(const config::CConfigData& config) {
    return {config.actuator.valveAction, config.actuator.valveType, config.actuator.actuatorType,
            config.actuator.relayType};
}

ControlLimits LimitsOf(const config::CConfigData& config) {
    const config::PositionGroup& p = config.position;
    ControlLimits limits;
    limits.tightShutoffLow = p.tightShutoff;
    limits.tightShutoffHigh = p.fullOpen;
    limits.travelLow = p.positionLowerLimit;
    limits.travelHigh = p.positionUpperLimit;
    limits.nearClose = p.nearCloseValue;
    limits.limitSwitchLow = p.limitSwitchLow;
    limits.limitSwitchHigh = p.limitSwitchHigh;
    limits.deviationLimit = p.deviationLimit;
    limits.deviationTime = p.deviationTimeThreshold;
    limits.servoWarnHigh = p.servoWarnHigh;
    limits.servoWarnLow = p.servoWarnLow;
    limits.servoTime = p.servoWarnTime;
    limits.servoWarnCount = p.servoWarnCount;
    return limits;
}

std::string CheckLimits(const ControlLimits& limits) {
    std::string message =
        values::PairMessage(true, limits.travelLow, limits.travelHigh, false, 0.0f, kTravelMin, kTravelMax);
    if (message.empty()) message = values::PairMessage(false, limits.travelLow, limits.travelHigh, false, 0.0f,
                                                       kTravelMin, kTravelMax);
    if (message.empty())
        message = values::RangeMessage(limits.nearClose, true, limits.travelLow, true, limits.travelHigh);
    return message;
}

SetupWizard::SetupWizard(DeviceAccess* device, std::string tag, config::CConfigData& config,
                         platform::WindowHandle view, WizardBusRunner runBus)
    : device_(device),
      tag_(std::move(tag)),
      config_(config),
      view_(view),
      runBus_(std::move(runBus)),
      actuator_(ActuatorOf(config)),
      initialActuator_(actuator_),
      limits_(LimitsOf(config)) {}

bool SetupWizard::HasDevice() const { return device_ != nullptr && device_->IsOpen(); }

int SetupWizard::Begin() {
    finalState_ = fieldbus::kOutOfService;
    if (!HasDevice()) return 0;
    DeviceAccess& d = *device_;
    const bool extended = ExtendedServo();
    int state = fieldbus::kUnnamedState;
    uint32_t count = 0;
    bool countRead = false;
    const int failed = Bus([&d, extended, &state, &count, &countRead] {
        if (d.ReadOperationState(state) != 0) state = fieldbus::kUnnamedState;
        // The count of servo warnings is the device's own.
        if (extended)
            countRead = fieldbus::ReadTypedValue(d, d.BlockOf(fieldbus::BlockKind::TB), "SERVO_WARN_COUNT", count,
                                                 fieldbus::Wire::U32) == 0;
        if (state == fieldbus::kOutOfService) return 0;
        return d.SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnStateChange, false, false) != 0 ? 1 : 0;
    });
    priorState_ = state;
    // Modes that match no state are left out of service at the end unless the user says else.
    finalState_ = IsState(state) ? state : fieldbus::kOutOfService;
    if (countRead) limits_.servoWarnCount = count;
    if (failed != 0) {
        platform::ShowMessage("Error: Failed to change the device operation state.");
        return 1;
    }
    changedState_ = state != fieldbus::kOutOfService;
    return 0;
}

void SetupWizard::PageActivated(int page) {
    if (view_ != 0) platform::PostMessage(view_, WM_WIZARD_PAGE, static_cast<uintptr_t>(page), 0);
}

void SetupWizard::LeaveActuatorPage() {
    std::vector<const ActuatorField*> changed;
    for (const ActuatorField& field : kActuatorFields)
        if (actuator_.*field.page != config_.actuator.*field.config) changed.push_back(&field);
    size_t kept = changed.size();
    if (HasDevice() && !changed.empty()) {
        DeviceAccess& d = *device_;
        const ActuatorSettings wanted = actuator_;
        Bus([&d, &changed, &kept, wanted] {
            for (size_t i = 0; i < changed.size(); ++i) {
                const ActuatorField& field = *changed[i];
                if ((d.*field.write)(config::ActuatorGroup::DeviceCodeFromFlag(wanted.*field.page)) != 0) {
                    kept = i;  // the rest is skipped; the page is left all the same
                    return 1;
                }
                d.ReportToHost(kHostReportWizard, field.event);
            }
            return 0;
        });
        if (kept > 0) actuatorWritten_ = true;
    }
    for (size_t i = 0; i < kept; ++i) config_.actuator.*changed[i]->config = actuator_.*changed[i]->page;
    // The relay type is a description of the positioner's hardware kept with the configuration.
    config_.actuator.relayType = actuator_.relayType;
}

int SetupWizard::WriteChangedLimits(config::PositionGroup& p) {
    const ControlLimits& l = limits_;
    DeviceAccess* d = HasDevice() ? device_ : nullptr;
    // Each step: unchanged, or written (without a device only kept) and then kept.
    auto step = [&](bool changed, const std::function<int()>& write, const std::function<void()>& keep) {
        if (!changed) return true;
        if (d && write() != 0) return false;
        keep();
        return true;
    };
    const int tb = d ? d->BlockOf(fieldbus::BlockKind::TB) : -1;
    const bool ok =
        step(l.tightShutoffLow != p.tightShutoff, [&] { return d->WriteTbFinalValueCuttoffLo(l.tightShutoffLow); },
             [&] { p.tightShutoff = l.tightShutoffLow; }) &&
        step(l.tightShutoffHigh != p.fullOpen, [&] { return d->WriteTbFinalValueCuttoffHi(l.tightShutoffHigh); },
             [&] { p.fullOpen = l.tightShutoffHigh; }) &&
        step(l.travelLow != p.positionLowerLimit || l.travelHigh != p.positionUpperLimit,
             [&] {
                 // The end that makes room goes first, so the range never turns over.
                 if (l.travelLow >= p.positionUpperLimit)
                     return d->WriteTbFinalValueRangeEu100(l.travelHigh) != 0 ||
                                    d->WriteTbFinalValueRangeEu0(l.travelLow) != 0
                                ? 1
                                : 0;
                 return d->WriteTbFinalValueRangeEu0(l.travelLow) != 0 || d->WriteTbFinalValueRangeEu100(l.travelHigh) != 0
                            ? 1
                            : 0;
             },
             [&] {
                 p.positionLowerLimit = l.travelLow;
                 p.positionUpperLimit = l.travelHigh;
             }) &&
        step(l.nearClose != p.nearCloseValue, [&] { return d->WriteTbNearCloseThreshold(l.nearClose); },
             [&] { p.nearCloseValue = l.nearClose; }) &&
        step(l.limitSwitchLow != p.limitSwitchLow, [&] { return d->WriteTbLimswLoLim(l.limitSwitchLow); },
             [&] { p.limitSwitchLow = l.limitSwitchLow; }) &&
        step(l.limitSwitchHigh != p.limitSwitchHigh, [&] { return d->WriteTbLimswHiLim(l.limitSwitchHigh); },
             [&] { p.limitSwitchHigh = l.limitSwitchHigh; }) &&
        step(l.deviationLimit != p.deviationLimit, [&] { return d->WriteTbDeviationLim(l.deviationLimit); },
             [&] { p.deviationLimit = l.deviationLimit; }) &&
        step(l.deviationTime != p.deviationTimeThreshold,
             [&] { return d->WriteTbDeviationTimeTh(FloatPairWire(l.deviationTime)); },
             [&] { p.deviationTimeThreshold = l.deviationTime; }) &&
        (!ExtendedServo() ||
         step(l.servoWarnHigh != p.servoWarnHigh || l.servoWarnLow != p.servoWarnLow || l.servoTime != p.servoWarnTime ||
                  l.servoWarnCount != p.servoWarnCount,
              [&] {
                  using fieldbus::Wire;
                  return fieldbus::WriteTypedValue(*d, tb, "SERVO_WARN_HI_LIM", l.servoWarnHigh, Wire::F32) != 0 ||
                                 fieldbus::WriteTypedValue(*d, tb, "SERVO_WARN_LO_LIM", l.servoWarnLow, Wire::F32) != 0 ||
                                 fieldbus::WriteTypedValue(*d, tb, "SERVO_TIME_TH", l.servoTime, Wire::F32) != 0 ||
                                 (l.servoWarnCount != p.servoWarnCount &&
                                  fieldbus::WriteTypedValue(*d, tb, "SERVO_WARN_COUNT", l.servoWarnCount, Wire::U32) != 0)
                             ? 1
                             : 0;
              },
              [&] {
                  p.servoWarnHigh = l.servoWarnHigh;
                  p.servoWarnLow = l.servoWarnLow;
                  p.servoWarnTime = l.servoTime;
                  p.servoWarnCount = l.servoWarnCount;
              }));
    return ok ? 0 : 1;
}

int SetupWizard::LeaveIn(int state) {
    DeviceAccess& d = *device_;
    const bool bumpless = config_.option.bumplessTransfer != 0;
    if (Bus([&d, state, bumpless] { return d.SetOperationState(state, fieldbus::kWarnStateChange, false, bumpless); }) !=
        0) {
        platform::ShowMessage("Error: Failed to change the device operation state.");
        return 1;
    }
    return 0;
}

int SetupWizard::Finish() {
    // The record changes only on this thread; the writes work on a copy of its limits.
    config::PositionGroup position = config_.position;
    const int written = HasDevice() ? Bus([this, &position] { return WriteChangedLimits(position); })
                                    : WriteChangedLimits(position);
    config_.position = position;
    if (!HasDevice()) return written;
    DeviceAccess& d = *device_;
    const int wanted = finalState_;
    bool change = true;
    Bus([&d, wanted, &change] {
        int now = fieldbus::kUnnamedState;
        if (d.ReadOperationState(now) != 0) return 1;
        change = wanted != now;
        if (!change && wanted == fieldbus::kOutOfService) {
            // Shown out of service, but AO or TB still runs: the state is set once more.
            uint8_t ao = 0, tb = 0;
            change = d.ReadActualMode(d.BlockOf(fieldbus::BlockKind::AO), ao) != 0 ||
                     d.ReadActualMode(d.BlockOf(fieldbus::BlockKind::TB), tb) != 0 || ao != fieldbus::kModeOos ||
                     tb != fieldbus::kModeOos;
        }
        return 0;
    });
    if (!change || LeaveIn(finalState_) == 0) changedState_ = false;
    return written;
}

void SetupWizard::Cancel() {
    if (HasDevice() && actuatorWritten_) {
        // The settings written on leaving the Actuator page go back, the first failure
        // ending it; the record keeps what the device has.
        std::vector<const ActuatorField*> changed;
        for (const ActuatorField& field : kActuatorFields)
            if (initialActuator_.*field.page != config_.actuator.*field.config) changed.push_back(&field);
        size_t restored = changed.size();
        DeviceAccess& d = *device_;
        const ActuatorSettings initial = initialActuator_;
        Bus([&d, &changed, &restored, initial] {
            for (size_t i = 0; i < changed.size(); ++i)
                if ((d.*changed[i]->write)(config::ActuatorGroup::DeviceCodeFromFlag(initial.*changed[i]->page)) != 0) {
                    restored = i;
                    return 1;
                }
            return 0;
        });
        for (size_t i = 0; i < restored; ++i) config_.actuator.*changed[i]->config = initialActuator_.*changed[i]->page;
    } else {
        for (const ActuatorField& field : kActuatorFields) config_.actuator.*field.config = initialActuator_.*field.page;
    }
    config_.actuator.relayType = initialActuator_.relayType;
    actuator_ = ActuatorOf(config_);
    if (changedState_ && HasDevice() && IsState(priorState_) && LeaveIn(priorState_) == 0) changedState_ = false;
}

int RunSetupWizardCommand(DeviceAccess* device, const std::string& tag, int shownState, WizardHost& host,
                          const std::function<bool(SetupWizard&)>& run, platform::WindowHandle view,
                          WizardBusRunner runBus) {
    if (host.OpenTrendWindowCount() > 0) {
        platform::ShowMessage("Please close all the trend windows before launch the Setup Wizard.");
        return 1;
    }
    const bool present = device != nullptr && device->IsOpen();
    if (present && shownState != fieldbus::kOutOfService) {
        const std::string question = std::string("************ Warning ************\n\n") +
                                     "To enter setup wizard, the device need to be put into O/S (out of service) state\n" +
                                     "which will cause the controller ceasing functioning !\n" + "\nDo you want to proceed ?";
        if (platform::ShowMessage(question, platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) !=
            platform::IDYES)
            return 2;
    }
    host.StopPolling();
    int result = 1;
    {
        SetupWizard wizard(present ? device : nullptr, tag, config::CurrentConfig(), view, std::move(runBus));
        if (wizard.Begin() == 0) {
            if (run(wizard))
                wizard.Finish();
            else
                wizard.Cancel();
            result = 0;
        }
    }
    platform::WaitCursor wait;
    host.StartPolling();
    return result;
}

}  // namespace calibration
