#pragma once
// Device descriptions for the HSE tests, kept in memory while nifb/dd has no implementation.
#include <string>

#include "nifb/dd/DeviceDescription.h"

namespace nifb::testing {

// True while the stand-ins serve the description functions (PutDescription works).
bool DescriptionsInMemory();
// Makes `d` the description the folder holds for its identity.
void PutDescription(const std::string& folder, const dd::Description& d);

}  // namespace nifb::testing
