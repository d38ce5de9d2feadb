#pragma once
// Device descriptions of simulated devices, made from the simulator's own objects, for tests
// of transports that resolve names through descriptions.
#include "nifb/dd/DeviceDescription.h"
#include "simulator/Device.h"

namespace simulator::testing {

nifb::dd::Description DescriptionOf(const Device& device);

}  // namespace simulator::testing
