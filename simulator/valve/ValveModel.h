#pragma once
// The physics of one control valve with its positioner: the relay that fills the actuator
// from the supply or vents it, the spring and the stem friction that decide where the stem
// stands, the mechanical stops, the travel sensor with its calibration, and the position
// loop (with its dead time) that drives the relay. Time moves in fixed steps of kStepS; a
// model that is not driven for a long time is put into its steady state instead.
//
// Coordinates: "travel" is the true stem travel in percent (0 closed, 100 open); "position"
// is what the positioner reports, the travel seen through the sensor's calibration and the
// open stop adjustment.
#include <cstdint>
#include <deque>

#include "simulator/valve/ServoLoop.h"
#include "simulator/valve/ValveSettings.h"

namespace simulator::valve {

inline constexpr double kStepS = 0.002;

// What drives the relay.
struct Drive {
    enum class Kind {
        Servo,     // the position loop follows `value` (position %)
        Output,    // the servo output is held at `value` (%): 0 vents, 100 gives full air
        Pressure,  // the pressure loop follows `value` (kPa)
    };
    Kind kind = Kind::Servo;
    double value = 50.0;

    static Drive Servo(double setpoint) { return {Kind::Servo, setpoint}; }
    static Drive Output(double output) { return {Kind::Output, output}; }
    static Drive Vent() { return {Kind::Output, 0.0}; }
    static Drive FullAir() { return {Kind::Output, 100.0}; }
    static Drive Pressure(double kpa) { return {Kind::Pressure, kpa}; }
    bool operator==(const Drive&) const = default;
};

// Conditions around the valve that may change at any time.
struct Environment {
    double supplyKpa = 140.0;   // the supply actually available
    bool stuck = false;         // the stem does not move at all
    bool airToClose = false;    // ACT_FAIL_ACTION
    double openStopAdj = 100.0; // OPEN_STOP_ADJ (%): the travel reported as 100 %
};

// The three calibration points of the travel sensor (raw angles for 0, 50 and 100 %).
struct Calibration {
    double zeroDeg = 0.0;
    double midDeg = 0.0;
    double spanDeg = 0.0;
};

class ValveModel {
public:
    explicit ValveModel(const ValveSettings& settings);

    const ValveSettings& Settings() const { return settings_; }

    // One step of kStepS.
    void Step(const Drive& drive, const ServoParameters& servo, const Environment& env);
    // The state the valve comes to rest in under `drive` (used for gaps too long to step).
    void Settle(const Drive& drive, const ServoParameters& servo, const Environment& env);
    // The position loop takes over again (after another kind of drive).
    void ResumeServo();
    // The position loop starts afresh with `servo`: no integral, no boost, no derivative
    // history (a new servo set tried, not an old one's wound-up state).
    void RestartServo(const ServoParameters& servo);

    // True travel (%), actuator pressure (kPa), servo output (%).
    double Travel() const { return travel_; }
    double PressureKpa() const { return pressure_; }
    double ServoOutput() const { return output_; }
    // The sensor's raw angle now (degrees, with noise) and without noise.
    double Angle() const { return angle_; }
    double CleanAngle() const;
    // The reported position now (with sensor noise).
    double Position() const { return position_; }
    // The position a travel is reported as, and the travel a position stands for.
    double PositionOfTravel(double travel, double openStopAdj) const;
    double TravelOfPosition(double position, double openStopAdj) const;
    // Whether the stem moved in the last step.
    bool Moving() const { return moving_; }

    const Calibration& GetCalibration() const { return calibration_; }
    void SetCalibration(const Calibration& c) { calibration_ = c; }
    // The raw angle of a true travel.
    double AngleOfTravel(double travel) const;

    // The pressure (kPa) the spring balances at `travel` for the actuator's action.
    double SpringPressure(double travel, bool airToClose) const;

private:
    double NextNoise();  // uniform in [-1, 1)
    double Controller(const Drive& drive, const ServoParameters& servo, const Environment& env);
    void MoveStem(const Environment& env);
    void Sense(const Environment& env);

    ValveSettings settings_;
    double relayRate_;  // kPa/s per % output away from the null, at full availability
    Calibration calibration_;
    ServoLoop servo_;
    Drive lastDrive_;
    double travel_ = 50.0;
    double pressure_ = 60.0;
    double output_ = 50.0;
    double spool_ = 50.0;    // the relay's opening, lagging the servo output
    double angle_ = 0.0;
    double position_ = 50.0;
    int direction_ = 0;      // last direction of stem motion in spring compression (+1, -1)
    bool moving_ = false;
    bool sticking_ = true;   // at rest; must overcome the static friction to move
    double sampleClock_ = 0.0;
    std::deque<double> delayed_;  // positions the controller will see, oldest first
    uint64_t noiseState_ = 0x2545F4914F6CDD1Dull;
};

}  // namespace simulator::valve
