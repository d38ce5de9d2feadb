#pragma once
// The choice lists a configuration offers until a device has been read or a file loaded.
#include <cstdint>
#include <string>
#include <vector>

namespace config {

std::vector<std::string> DefaultCharacterisationTexts();
// Values of the characterisation choices (used in the AMS snap-on run mode only).
std::vector<uint32_t> DefaultCharacterisationValues();
// PV unit texts; the degree sign is the Latin-1 byte 0xB0.
std::vector<std::string> DefaultPvUnitTexts();
// Foundation Fieldbus unit codes of the PV unit texts (AMS snap-on run mode only).
std::vector<uint32_t> DefaultPvUnitCodes();
std::vector<std::string> DefaultAoIoOptionNames();
// Status option bit names, shared by the AO and PID blocks.
std::vector<std::string> DefaultStatusOptionNames();
std::vector<std::string> DefaultPidControlOptionNames();

}  // namespace config
