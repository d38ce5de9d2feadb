#pragma once
// The simple process behaviour of a device between two instants: the value flow from PID
// to AO to the transducer block, a first-order valve response, plausible pressures and
// temperature, the discrete inputs and the running totals. A device whose extension models
// the valve (DeviceExtension::ModelsValve) keeps only the value flow, the temperature and
// the discrete inputs from here.
#include <cstdint>

namespace simulator {

class Device;

// One step of the process from `fromMs` to `toMs`. Every part of it is stable for a step of
// any length (first-order lags use their exact solution), so the catch-up after idle time
// may take long steps.
void AdvanceProcess(Device& device, uint64_t fromMs, uint64_t toMs);

}  // namespace simulator
