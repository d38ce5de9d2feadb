// Firmware files (.ffd): the program reads the 44-byte header of any file, and the simulated
// device checks any downloaded bytes against the firmware it runs without reading past them.
#include <cstdint>
#include <string>
#include <vector>

#include "firmware/FirmwareHeader.h"
#include "simulator/FirmwareImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    firmware::FirmwareHeader header;
    if (firmware::ParseFirmwareHeader(bytes, header)) {
        firmware::HeaderDifferences(header, header);
        firmware::FieldText(header.softwareRevision);
    }
    static const simulator::FirmwareHeader running =
        simulator::PositionerFirmwareHeader(0x42524B, 0x0007, 1, 1);
    simulator::CheckFirmwareFile(std::vector<uint8_t>(data, data + size), running);
    return 0;
}
