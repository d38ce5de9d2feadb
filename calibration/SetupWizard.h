#pragma once
// The setup wizard: commissioning a positioner in one sequence of pages (Welcome, Actuator,
// Tuning, Travel Calibration, Position Control Limits, Finish), ending with the operation
// state the device is left in. The tuning and travel calibration pages are those of the
// calibration sheet (WizardTuning adds the wizard's acceptance of a tune); this holds the
// sequence around them: the entry from the main view, the writes when the Actuator page is
// left, the limits written at Finish, and what Cancel restores.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "config/CConfigData.h"
#include "fieldbus/DeviceAccess.h"
#include "platform/WindowMessages.h"

namespace calibration {

enum WizardPage : int {
    kWelcomePage = 0,
    kActuatorPage,
    kTuningPage,
    kTravelPage,
    kLimitsPage,
    kFinishPage,
    kWizardPageCount
};
inline constexpr const char* kWizardPageNames[kWizardPageCount] = {
    "Welcome", "Actuator", "Tuning", "Travel Calibration", "Position Control Limits", "Finish"};
// Posted to the main view when a page becomes active (wParam: the page index).
inline constexpr unsigned WM_WIZARD_PAGE = 0x470;
// Host report code of the setup wizard.
inline constexpr int kHostReportWizard = 18;

// Bus work of the wizard and how it runs (the window runs it off its thread while its events
// are served; empty: in place). Questions and messages stay on the calling thread.
using WizardBusWork = std::function<int()>;
using WizardBusRunner = std::function<int(const WizardBusWork&)>;

// "Setup Wizard - <page> (tag)", or "... (No Device Attached)".
std::string WizardCaption(int page, const std::string& tag, bool devicePresent);

// The Actuator page: indices into the configuration's two-valued enumerations.
struct ActuatorSettings {
    uint32_t failAction = 0;    // 0 air to open, 1 air to close
    uint32_t valveType = 0;     // 0 linear, 1 rotary
    uint32_t actuatorType = 0;  // 0 single acting, 1 double acting
    uint32_t relayType = 0;     // 0 normal, 1 double-acting relay (extended servo parameters only)
    bool operator==(const ActuatorSettings&) const = default;
};
ActuatorSettings ActuatorOf(const config::CConfigData& config);
inline constexpr const char* kDoubleActingRelayNote = "Select this option strictly with a Positioner Double-Acting Relay.";

// The Position Control Limits page, each field the mirror of a transducer-block parameter.
struct ControlLimits {
    float tightShutoffLow = 0;    // FINAL_VALUE_CUTTOFF_LO
    float tightShutoffHigh = 0;   // FINAL_VALUE_CUTTOFF_HI
    float travelLow = 0;          // FINAL_VALUE_RANGE EU_0
    float travelHigh = 0;         // FINAL_VALUE_RANGE EU_100
    float nearClose = 0;          // NEAR_CLOSE_THRESHOLD
    float limitSwitchLow = 0;     // LIMSW_LO_LIM
    float limitSwitchHigh = 0;    // LIMSW_HI_LIM
    float deviationLimit = 0;     // DEVIATION_LIM
    std::array<float, 2> deviationTime{};  // DEVIATION_TIME_TH
    // The servo warnings (extended servo parameters only).
    float servoWarnHigh = 0;      // SERVO_WARN_HI_LIM
    float servoWarnLow = 0;       // SERVO_WARN_LO_LIM
    float servoTime = 0;          // SERVO_TIME_TH
    uint32_t servoWarnCount = 0;  // SERVO_WARN_COUNT
    bool operator==(const ControlLimits&) const = default;
};
ControlLimits LimitsOf(const config::CConfigData& config);
// The page's checks: the travel range low must not exceed its high end, and the near-close
// threshold must lie within the range. "" when the values pass, else the message.
std::string CheckLimits(const ControlLimits& limits);

// What the wizard needs from the main view.
class WizardHost {
public:
    virtual ~WizardHost() = default;
    virtual int OpenTrendWindowCount() const = 0;
    virtual void StopPolling() = 0;
    virtual void StartPolling() = 0;
};

class SetupWizard {
public:
    // `device` is null without a device (every page shows, nothing is written). `view`
    // receives WM_WIZARD_PAGE.
    SetupWizard(fieldbus::DeviceAccess* device, std::string tag, config::CConfigData& config,
                platform::WindowHandle view = 0, WizardBusRunner runBus = {});

    bool HasDevice() const;
    std::string Caption(int page) const { return WizardCaption(page, tag_, HasDevice()); }
    config::CConfigData& Config() { return config_; }
    fieldbus::DeviceAccess* Device() { return device_; }
    bool ExtendedServo() const { return config_.general.extendedServoParameters != 0; }
    // Runs bus work the way the wizard was given.
    int Bus(const WizardBusWork& work) const { return runBus_ ? runBus_(work) : work(); }

    // Before the sheet shows: the state to leave the device in starts as the one it has; a
    // device not out of service is taken out of service (the wizard remembers it did).
    // 0 ready, 1 the state could not be changed (the wizard is not shown).
    int Begin();
    // A page became active: the view is told.
    void PageActivated(int page);

    // Actuator page.
    ActuatorSettings& Actuator() { return actuator_; }
    // Leaving it (to any page): fail action, valve type and actuator type that differ from
    // the configuration are written and kept in it; the first failed write skips the rest.
    void LeaveActuatorPage();

    // Position Control Limits page.
    ControlLimits& Limits() { return limits_; }

    // Finish page: the operation state to leave the device in (0 normal, 1 manual, 2 out of
    // service); choosable only with a device.
    int FinalState() const { return finalState_; }
    void SetFinalState(int state) { finalState_ = state; }
    bool StateChoosable() const { return HasDevice(); }

    // Finish: the limits that differ from the configuration are written (pairs together) and
    // kept, then the device is left in the chosen state. 0 done, 1 a write failed.
    int Finish();
    // Cancel: the actuator settings written on leaving their page go back, and a device the
    // wizard took out of service returns to the state it had.
    void Cancel();
    bool StateChangedByWizard() const { return changedState_; }

private:
    int WriteChangedLimits(config::PositionGroup& p);
    int LeaveIn(int state);

    fieldbus::DeviceAccess* device_;
    std::string tag_;
    config::CConfigData& config_;
    platform::WindowHandle view_;
    WizardBusRunner runBus_;
    int priorState_ = 0;
    int finalState_ = 0;
    bool changedState_ = false;
    ActuatorSettings actuator_;
    ActuatorSettings initialActuator_;  // the copy kept for Cancel
    bool actuatorWritten_ = false;
    ControlLimits limits_;
};

// The main view's "Setup Wizard" command on `device` (null: none selected); `shownState`
// is the operation state the view shows. `run` shows the sheet (true: finished). 0 the
// wizard ran, 1 refused or failed, 2 declined by the user.
int RunSetupWizardCommand(fieldbus::DeviceAccess* device, const std::string& tag, int shownState, WizardHost& host,
                          const std::function<bool(SetupWizard&)>& run, platform::WindowHandle view = 0,
                          WizardBusRunner runBus = {});

}  // namespace calibration
