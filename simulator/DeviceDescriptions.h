#pragma once
// The device descriptions of simulated devices, as a host installs them: built from the
// devices' own dictionaries (block parameters with their relative indexes, members,
// enumeration texts, help; management objects; VFD objects outside blocks) and written one
// file per manufacturer, device type and device revision.
#include <string>
#include <vector>

#include "nifb/dd/DeviceDescription.h"
#include "simulator/Segment.h"

namespace simulator {

// The description of one device as it is (only the blocks it has).
nifb::dd::Description DescribeDevice(const Device& device);

// One description per manufacturer, device type and revision of the segment's devices
// (host interfaces left out). A type's description holds every block type the type can
// have, also those that the segment's devices of that type were built without (a
// positioner's optional blocks). False with `error` when two devices of one type disagree
// about an object. Reads the devices: call it before the segment is served, or with its lock held.
bool DescribeSegment(const Segment& segment, std::vector<nifb::dd::Description>& out, std::string& error);

// Writes each description to its DescriptionPath in `folder` (folders made as needed, each
// file written atomically); `written` gets the paths. False with `error` at the first failure.
bool WriteDescriptions(const std::vector<nifb::dd::Description>& descriptions, const std::string& folder,
                       std::vector<std::string>& written, std::string& error);

}  // namespace simulator
