#pragma once
// The simple process behaviour of a device between two instants: the process the valve
// controls as a remote transmitter publishes it into PID IN, the PID algorithm, the value
// flow from PID to AO to the transducer block, a first-order valve response, plausible
// pressures and temperature, the discrete inputs and the running totals. A detailed valve, actuator and
// pneumatics model can replace the valve response through DeviceExtension later.
#include <cstdint>

namespace simulator {

class Device;

// One step of the process from `fromMs` to `toMs`. Every part of it is stable for a step of
// any length (first-order lags use their exact solution), so the catch-up after idle time
// may take long steps.
void AdvanceProcess(Device& device, uint64_t fromMs, uint64_t toMs);

}  // namespace simulator
