#pragma once
// The positioner's position controller: proportional, integral and filtered derivative
// action on the travel error, a dead zone, an integral that sleeps near the set point, a
// proportional gain that grows with the error, and two boost stages that kick the relay on
// large errors. Its output is the servo output signal in percent; the relay fills the
// actuator above its null point and vents it below.
#include <array>

namespace simulator::valve {

// The transducer block's servo parameters.
struct ServoParameters {
    double gain = 120.0;       // SERVO_GAIN
    double reset = 15.0;       // SERVO_RESET, integral time (s); 0: no integral action
    double rate = 0.22;        // SERVO_RATE, derivative time (s)
    double rateGain = 5.0;     // SERVO_RATE_GAIN, derivative filter (time = rate / rateGain)
    double deadband = 0.0;     // SERVO_DEADBAND (%)
    double offset = 55.0;      // SERVO_OFFSET (%): output at zero error
    std::array<double, 2> boostOn{1.9, 2.9};   // BOOST_ON_THRESHOLD (% error; 0: stage off)
    std::array<double, 2> boostOff{1.0, 1.0};  // BOOST_OFF_THRESHOLD
    std::array<double, 2> boostValue{8.0, 10.0};  // BOOST_VALUE (% output)
    double integralSleep = 0.0;  // SERVO_I_SLEEP_LMT (%): no integration within this error
    double pAlpha = 0.0;         // SERVO_P_ALPHA (%): extra gain at errors of 10 % and more
    double internalGain = 5.0;   // INTERNAL_GAIN: the pressure loop's gain (% output per kPa)

    bool operator==(const ServoParameters&) const = default;
};

// The factory servo set (what SERVO_RET_TO_DEFAULT restores).
ServoParameters FactoryServoParameters();

// SERVO_GAIN per percent output per percent error.
inline constexpr double kServoGainScale = 50.0;
// The controller's sample period.
inline constexpr double kServoSampleS = 0.01;

class ServoLoop {
public:
    // Starts anew at `measured`, holding `output` (no bump).
    void Reset(double measured, double output, const ServoParameters& p);
    // Takes over again at `measured` after something else drove the relay; the integral
    // kept from before is what holds the relay at its null.
    void Resume(double measured);
    // One controller sample: the error is set point minus measured travel (%); `direction`
    // is +1 when more pressure opens the valve and -1 when it closes it. Returns the output.
    double Sample(double setpoint, double measured, double dt, const ServoParameters& p, double direction);
    double Output() const { return output_; }

private:
    double integral_ = 0.0;   // % output
    double derivative_ = 0.0; // filtered d(measured)/dt, %/s
    double lastMeasured_ = 0.0;
    double output_ = 50.0;
    std::array<bool, 2> boosting_{false, false};
};

}  // namespace simulator::valve
