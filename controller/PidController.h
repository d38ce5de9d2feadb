#pragma once
// The PID process controller: operates the device's PID block (its state, set point and
// manual output), shows its values as the device's view readers publish them, watches the
// alarm limits, and offers the training simulation (SIM.) in which the program closes the
// loop itself: once a second the valve position (AO READBACK), mapped onto the PV range, is
// written into PID IN. Without Qt; the dialog in ui/ shows what it holds.
//
// Bus work runs through the runner it is given (the dialog runs it off its thread while its
// events are served); questions and messages stay on the calling thread.
#include <cstdint>
#include <functional>
#include <string>

#include "controller/PidScale.h"
#include "fieldbus/DeviceAccess.h"

namespace controller {

using BusWork = std::function<int()>;
using BusRunner = std::function<int(const BusWork&)>;

// What the controller needs from its window.
class ControllerHost {
public:
    virtual ~ControllerHost() = default;
    virtual void StartSimulationTimer(uint32_t periodMs) = 0;
    virtual void StopSimulationTimer() = 0;
    // Values, state or scales changed: show them again.
    virtual void ControllerChanged() = 0;
};

struct ControllerOptions {
    std::string tag;  // the device's tag ("" without a device)
    // The PV range of the current configuration, onto which the simulation maps READBACK.
    float pvRangeLow = 0.0f;
    float pvRangeHigh = 100.0f;
    // Whether the PID block's schedule entry shows it unscheduled (start offset 0xFFFFFFFF):
    // 0 read, nonzero when it could not be read. Empty: not asked.
    std::function<int(bool& unscheduled)> readPidSchedule;
    BusRunner runBus;  // empty: in place
};

// The values shown, as last read or published.
struct ControllerValues {
    float pv = 0, sp = 0, out = 0, casIn = 0, rcasIn = 0;
    float position = 0;  // TB FINAL_POSITION_VALUE
    float pressure = 0;  // TB OUT_PRESSURE
    std::string pressureUnit;
    float gain = 0, reset = 0, rate = 0;  // the tuning parameters
};

class PidController {
public:
    static constexpr uint32_t kSimulationPeriodMs = 1000;
    static constexpr float kSimulationFilterTime = 5.0f;  // PV_FTIME while simulating, s
    static constexpr float kSpinStep = 0.1f;
    // The link objects of the device and the object index of PID IN that one may feed.
    static constexpr int kFirstLinkObject = 30000;
    static constexpr int kLinkObjectCount = 20;
    static constexpr uint16_t kPidInIndex = 8015;

    // `device` is null without a device: the dialog then shows and does nothing (as for a
    // device that is not open or has no PID block).
    PidController(fieldbus::DeviceAccess* device, ControllerHost& host, ControllerOptions options);
    PidController(const PidController&) = delete;
    PidController& operator=(const PidController&) = delete;

    // "PID Process Controller (tag)" or "... (No Device Attached)".
    std::string Title() const;
    const std::string& Tag() const { return options_.tag; }
    bool HasDevice() const;

    // Reads everything the dialog shows, derives the state, and starts the PID, AO and TB view
    // readers with `notify` as their window (0: no readers).
    void Fill(platform::WindowHandle notify);
    // A view reader published a record (the reader's message); the dialog passes it on.
    void OnViewMessage(unsigned msg);
    // Stops the readers; when the simulation runs it ends: PV_FTIME goes back to its opening
    // value and the user is told that the PID block stays in AUTO, with MAN offered.
    void Close();

    // The user picked a state (kStateRcas .. kStateSim); ignored while a change runs.
    void ChangeState(int state);
    // One simulation step (the timer's): READBACK into PID IN. 0 done or nothing to do, 1 the
    // simulation ended with its message.
    int SimulationTick();

    // Set point and output entry: a slider moved to `position`, a spin step up (+1) or down
    // (-1), or a value entered. 0 written, 1 refused or failed (with its message).
    int SetPointSlider(int position);
    int SetPointSpin(int direction);
    int EnterSetPoint(float value);
    int OutputSlider(int position);
    int OutputSpin(int direction);
    int EnterOutput(float value);
    // Enter in the dialog: the output field in MAN, the set-point field in AUTO.
    int OnEnter(float setPointField, float outputField);
    // Writes GAIN, RESET and RATE ("Tuning Parameters"). 0 written.
    int ApplyTuning(float gain, float reset, float rate);

    // ---- What the dialog shows --------------------------------------------------------
    int ShownState() const { return state_; }
    bool Simulating() const { return simulating_; }
    bool ChangeRunning() const { return changing_; }
    // Bus work or a state change runs (the dialog then stays open and takes no new command).
    bool Busy() const { return changing_ || busDepth_ > 0; }
    bool SetPointEnabled() const { return state_ == kStateMan || state_ == kStateAuto || state_ == kStateSim; }
    bool OutputEnabled() const { return state_ == kStateMan; }
    bool AlarmShown() const { return alarmShown_; }
    const ControllerValues& Values() const { return values_; }
    const SliderMapping& PvMapping() const { return pvMapping_; }
    const SliderMapping& OutMapping() const { return outMapping_; }
    float OpeningFilterTime() const { return openingFtime_; }
    uint8_t PidActual() const { return pidActual_; }
    uint8_t AoActual() const { return aoActual_; }
    uint8_t TbActual() const { return tbActual_; }

    // Applies a PV value (as a reader publishes it) and checks the alarm limits.
    void UpdatePv(float pv);
    // New actual modes (as the readers publish them); the state is derived again.
    void UpdateModes(uint8_t pidActual, uint8_t aoActual, uint8_t tbActual);

private:
    int Bus(const BusWork& work);
    // Derives the shown state; outside SIM. the simulation ends and PV_FTIME goes back.
    void DeriveShownState();
    void EndSimulation();
    int RestoreFilterTime();
    int ReadPidActual();
    int StartSimulation();
    int WriteSetPoint(float value, const char* failure);
    int WriteOutput(float value, const char* failure);
    void Changed();

    fieldbus::DeviceAccess* device_;
    ControllerHost& host_;
    ControllerOptions options_;
    platform::WindowHandle notify_ = 0;
    bool readersRunning_ = false;

    int state_ = kStateOther;
    uint8_t pidActual_ = 0, aoActual_ = 0, tbActual_ = 0;
    bool simulating_ = false;
    bool changing_ = false;
    int busDepth_ = 0;
    bool deriveDeferred_ = false;  // modes that came in while bus work ran

    ControllerValues values_;
    SliderMapping pvMapping_;
    SliderMapping outMapping_;
    bool alarmEnabled_ = false;
    float hiLim_ = 0, loLim_ = 0;
    bool alarmShown_ = false;
    bool alarmMessageOpen_ = false;
    float openingFtime_ = 0;
    float ftimeOnDevice_ = 0;  // as last read or written
    bool ftimeKnown_ = false;
    // The actual modes the readers published last (a reader's record counts only when its
    // mode changed).
    uint8_t publishedPid_ = 0, publishedAo_ = 0, publishedTb_ = 0;
};

}  // namespace controller
