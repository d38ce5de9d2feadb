#pragma once
// A signature measurement of the positioner, started through SIGN_MEAS_EXEC: the standard,
// extended or high-resolution actuator signature (the valve stroked on slow pressure ramps
// while pressure and position are recorded), the step response, the positioner signature
// (position against input), or all of them in a row after an offset measurement. While it
// runs SIGN_MEAS_EXEC shows the command, SIGN_MEAS_RESULT reads 255, SIGN_MEAS_STATE tells
// the kind and its progress in bands, and SIGN_MEAS_COUNTER the points measured; at the end
// the result code and SIGN_MEAS_STATE 0 appear together with SIGN_MEAS_EXEC 1. The recorded
// curves go into the signature store for upload.
#include <array>
#include <cstdint>
#include <ctime>
#include <memory>

#include "simulator/valve/PhasedActivity.h"
#include "simulator/valve/SignatureStore.h"

namespace simulator::valve {

// SIGN_MEAS_EXEC codes.
enum SignatureCommand : uint8_t {
    kSignOff = 1,
    kSignAll = 2,
    kSignStandard = 3,
    kSignExtended = 4,
    kSignHighResolution = 5,
    kSignStepResponse = 6,
    kSignPositioner = 7,
    kSignCancel = 0xFF,
};

// SIGN_MEAS_RESULT codes.
enum SignatureResult : uint8_t {
    kSignSucceeded = 1,
    kSignCancelled = 2,
    kSignIncomplete = 10,       // warning: the stroke did not reach every recorded position
    kSignNoMovement = 100,      // error: the valve did not move
    kSignFailsafe = 110,        // error: failsafe active
    kSignNoPressureSensor = 120,  // error: an actuator signature needs the pressure sensor
    kSignNotAtRest = 130,       // error: the valve did not rest at the step's initial set point
    kSignRunning = 0xFF,
};

// The parts of a measurement, in the order of a run of all of them; each has its band of
// SIGN_MEAS_STATE values.
enum class SignaturePart { Offset, Standard, Extended, HighResolution, StepResponse, Positioner };

// The settings parameters of the transducer block as they were at the start.
struct SignatureSetup {
    std::array<float, 3> standard{};    // STD_ACT_SIGN_SET
    std::array<float, 6> extended{};    // EXT_ACT_SIGN_SET
    std::array<float, 4> step{};        // STEP_RESP_SET
    std::array<float, 5> positioner{};  // POSITIONER_SIGN_SET
    float temperature = 25.0f;          // ELECT_TEMP
    double pressureFactor = 1.0;        // kPa into the unit of SPRING_RANGE
    std::time_t dateBase = 0;           // the wall time the simulation clock counts from
    uint64_t startMs = 0;               // simulation time of the start
};
SignatureSetup ReadSignatureSetup(const Block& tb);

// What the phases of a measurement share: its setup, where it stands, and the store.
struct SignatureRun {
    SignatureSetup setup;
    std::shared_ptr<SignatureStore> store;
    SignaturePart part = SignaturePart::Standard;
    double percent = 0.0;      // of the present part
    uint32_t counter = 0;      // points measured in the present part
    uint8_t warning = 0;       // a warning code met on the way (the end code unless an error)
    double clockS = 0.0;       // time since the start
    float finalSetPoint = 0.0f;  // the step response leaves its end value as the set point
    bool setsFinalValue = false;

    // The Fieldbus date of the present instant.
    std::array<uint8_t, 7> Now() const;
};

class SignatureMeasurement : public PhasedActivity {
public:
    // `command` 2 to 7.
    SignatureMeasurement(uint8_t command, SignatureSetup setup, std::shared_ptr<SignatureStore> store);

    uint8_t Command() const { return command_; }
    // SIGN_MEAS_STATE now: 1-9 offset measurement, 10-29 standard, 30-49 extended or high
    // resolution, 50-69 step response, 70-89 positioner; 0 once ended.
    uint8_t StateValue() const;
    uint16_t Counter() const;

    void Publish(Block& tb) override;

protected:
    uint8_t CheckStart(ActivityContext& ctx) override;
    uint8_t OnFinish(ActivityContext& ctx, uint8_t code) override;
    void OnCancel(ActivityContext& ctx) override;

private:
    uint8_t command_;
    std::shared_ptr<SignatureRun> run_;
};

// Whether the device may measure signatures itself: the signature option in DEV_OPTIONS, or
// firmware with the device diagnostics (type 7 from revision 2, type 1 from revision 4).
bool MeasuresSignatures(const Block& tb, uint16_t deviceType, uint8_t deviceRevision);

}  // namespace simulator::valve
