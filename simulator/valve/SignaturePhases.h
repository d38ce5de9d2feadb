#pragma once
// The phases of the signature measurements, added to a measurement in the order they run.
#include <memory>

#include "simulator/valve/SignatureMeasurement.h"

namespace simulator::valve {

// Vents the actuator until it rests: the pressure sensor's zero (run of all kinds only).
void AddOffsetMeasurement(PhasedActivity& activity, std::shared_ptr<SignatureRun> run);

// Standard, extended or high-resolution actuator signature. The valve is first held at both
// ends of the stroke to learn the pressures there, then the pressure is ramped over the whole
// stroke and back within the setting scan time:
// - standard: up, then down; the pressure is recorded where the position passes 10, 20 ...
//   90 % going up and 90 ... 10 % coming down (18 points). The ramp keeps its pace beyond
//   the learned ends until the valve has passed the stroke's far end (or supply or
//   atmosphere stop it), whatever the friction;
// - extended: down from the higher set point (plus the deviation margin), then up; 100
//   points evenly spread in time;
// - high resolution: as extended, a point every sampling interval, kept in the ring.
void AddActuatorSignature(PhasedActivity& activity, std::shared_ptr<SignatureRun> run, SignaturePart part);

// The step response: the valve first brought to rest at the initial set point (error
// kSignNotAtRest when it does not rest in time), then samples at the sampling rate, the first
// 10 at the initial set point, the rest after the step to the destination set point.
void AddStepResponse(PhasedActivity& activity, std::shared_ptr<SignatureRun> run);

// The positioner signature: the input from the lower to the higher input signal and back in
// equal intervals, the position recorded after the wait time at each input (2n + 1 points).
void AddPositionerSignature(PhasedActivity& activity, std::shared_ptr<SignatureRun> run);

}  // namespace simulator::valve
