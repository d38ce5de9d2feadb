#pragma once
// Device descriptions for the HSE transport: finds and loads the description of a device
// identity from the description folder (HseTarget's DescriptionFolder), and resolves the
// program's object names through it. Loaded descriptions are kept for the process.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "nifb/dd/DeviceDescription.h"

namespace nifb::hse {

// E_OK; E_SYMBOL_FILE_NOT_FOUND (no folder, no file for this identity, or descriptions not
// built into this library); E_DD_LOAD_FAILED (`error` says why).
int FindDescription(uint32_t manufacturerId, uint16_t deviceType, uint8_t deviceRevision,
                    std::shared_ptr<const dd::Description>& out, std::string& error);

// The description of a device that has no resource block (a linking device's own H1
// interface): its manufacturer and type from its device ID, the latest revision described.
int FindDescriptionByDeviceId(const std::string& deviceId, std::shared_ptr<const dd::Description>& out,
                              std::string& error);

int ResolveBlockName(const dd::Description& d, const dd::BlockPlace& block, const std::string& name, dd::Resolved& out);
int ResolveVfdName(const dd::Description& d, const std::vector<dd::BlockPlace>& blocks, const std::string& name,
                 dd::Resolved& out);
int ResolveMibName(const dd::Description& d, const std::string& name, dd::Resolved& out);

}  // namespace nifb::hse
