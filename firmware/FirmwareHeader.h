#pragma once
// The 44-byte download header at the start of a firmware file (.ffd) and in the device's
// domain header object:
//
//   offset size  field                          compared with the device's
//     0     2    header version number          no
//     2     2    header size                    no
//     4     6    manufacturer identifier (text) yes
//    10     4    device family (text)           yes
//    14     4    device type (text)             yes
//    18     1    device revision                no
//    19     1    device description revision    no
//    20     8    software revision (text)       no
//    28     8    software name (text)           no
//    36     8    domain name (text)             yes
//
// Text fields keep their bytes as they are (padding included); they are compared whole.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace firmware {

inline constexpr size_t kHeaderBytes = 44;

struct FirmwareHeader {
    uint16_t version = 0;
    uint16_t size = 0;
    std::string manufacturer;  // 6 bytes
    std::string family;        // 4
    std::string deviceType;    // 4
    uint8_t deviceRevision = 0;
    uint8_t ddRevision = 0;
    std::string softwareRevision;  // 8
    std::string softwareName;      // 8
    std::string domainName;        // 8
};

// Reads a header from the first 44 bytes; false when fewer are given.
bool ParseFirmwareHeader(std::string_view bytes, FirmwareHeader& header);
// Reads the header of a file: 0, or 1 with `why` when it cannot be read or is shorter than
// the header.
int ReadFirmwareHeader(const std::string& path, FirmwareHeader& header, std::string& why);
// A field for a message: the text up to its padding.
std::string FieldText(const std::string& field);

// "Different ...: file / device" lines for each compared field that differs (none: equal).
std::vector<std::string> HeaderDifferences(const FirmwareHeader& file, const FirmwareHeader& device);

}  // namespace firmware
