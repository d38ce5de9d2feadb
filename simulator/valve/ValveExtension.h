#pragma once
// The simulated positioner behind a device: the valve model stepped on the simulation
// clock, its live values in the transducer block, the device procedures started through
// AUTO_TUNE_EXEC, travel calibration through TRAVEL_CALIB_EXEC, the signature measurements
// started through SIGN_MEAS_EXEC with their stored curves, the return to the factory servo
// set, the valve historian, and the valve faults of the control command.
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "simulator/DeviceExtension.h"
#include "simulator/valve/DeviceProcedure.h"
#include "simulator/valve/ValveActivity.h"
#include "simulator/valve/ValveFaults.h"
#include "simulator/valve/SignatureStore.h"
#include "simulator/valve/ValveModel.h"
#include "simulator/valve/ValveTotals.h"

namespace simulator::valve {

// TRAVEL_CALIB_RESULT codes.
enum TravelCalibrationResult : uint8_t { kCalibrationSuccess = 1, kCalibrationFailed = 2 };

// A gap of simulated time longer than this is not stepped through (unless an activity needs
// it): the valve is put into the steady state its drive leads to.
inline constexpr uint64_t kMaxSteppedGapMs = 5000;
// A valve at rest is put straight into its steady state over any gap longer than this: after
// a long idle time the segment catches up in pieces of some seconds each, and stepping a
// resting valve through all of them would cost seconds on a full link.
inline constexpr uint64_t kMaxSteppedRestingGapMs = 1000;
// A valve not at rest (its loop hunts) is not settled over a long gap: the gap's time passes
// with the valve as it was, and only this much at its end is stepped, so that the hunting
// goes on afterwards and a catch-up stays cheap.
inline constexpr double kUnsteadyGapStepS = 0.5;
// The valve is at rest once its position stayed within kRestBandPct this long.
inline constexpr double kRestS = 2.0;
inline constexpr double kRestBandPct = 0.2;
// SERVO_RET_TO_DEFAULT reads 2 this long before the factory set is back.
inline constexpr uint64_t kServoDefaultMs = 300;

class ValveExtension : public DeviceExtension {
public:
    explicit ValveExtension(const ValveSettings& settings);

    int OnWrite(Device& device, Block* block, DeviceObject& object, int member, const std::vector<uint8_t>& bytes,
                uint64_t nowMs, bool& handled) override;
    void Advance(Device& device, uint64_t fromMs, uint64_t toMs) override;
    int DownloadDomain(Device& device, const std::string& domain, const std::vector<uint8_t>& bytes,
                       uint64_t nowMs) override;
    bool ModelsValve() const override { return true; }
    int Control(Device& device, const std::string& command, const JsonValue& args, uint64_t nowMs, JsonValue& reply,
                std::string& error) override;

    const ValveModel& Model() const { return model_; }
    const ValveFaults& Faults() const { return faults_; }
    // The running activity, nullptr when the valve follows its set point.
    const ValveActivity* Activity() const { return activity_.get(); }
    // Starts an activity (a signature measurement); false while another one runs.
    bool StartActivity(std::unique_ptr<ValveActivity> activity);
    // What the valve follows without an activity: the set point with its cut-offs, or the
    // vent of an active failsafe.
    Drive CommandDrive(const Block& tb, const Environment& env) const;
    Environment CurrentEnvironment(const Block& tb) const;

private:
    int StartProcedure(Device& device, Block& tb, uint8_t command);
    // SIGN_MEAS_EXEC: starts (2 to 7) or cancels (255) a signature measurement.
    int StartSignature(Device& device, Block& tb, uint8_t command, uint64_t nowMs);
    // The signature parameters the host writes: upload selection and data save.
    int OnSignatureWrite(Device& device, Block& tb, const DeviceObject& object, const std::vector<uint8_t>& bytes,
                         uint64_t nowMs, bool& handled);
    uint8_t CalibrateTravel(const Block& tb, uint8_t command);
    void Publish(Device& device, Block& tb, const Environment& env);
    int ValveFault(Device& device, const JsonValue& command, std::string& error);

    ValveModel model_;
    ValveTotals totals_;
    ValveFaults faults_;
    std::unique_ptr<ValveActivity> activity_;
    // What one procedure leaves for the next (the stroke time of the last stop finding).
    std::shared_ptr<ProcedureMemory> procedureMemory_ = std::make_shared<ProcedureMemory>();
    bool initialised_ = false;
    double pendingS_ = 0.0;         // simulated time not yet stepped
    double restAnchor_ = 50.0;      // the position the valve has stayed near
    double restS_ = kRestS;         // for this long
    bool restoreServo_ = false;     // SERVO_RET_TO_DEFAULT was written
    std::shared_ptr<SignatureStore> signatures_ = std::make_shared<SignatureStore>();
    std::time_t dateBase_ = std::time(nullptr);  // the wall time at simulation time 0
    uint64_t restoreDueMs_ = 0;
};

}  // namespace simulator::valve
