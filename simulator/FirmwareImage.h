#pragma once
// Firmware files (.ffd) of the simulated positioners. A file is the 44-byte download header,
// the module image, and a CRC-32 of everything before it (4 bytes, big-endian):
//
//   offset size  header field
//     0     2    header version number (1, big-endian)
//     2     2    header size (44, big-endian)
//     4     6    manufacturer identifier, hex text ("42524B")
//    10     4    device family ("RPX1", "KPX1")
//    14     4    device type, hex text ("0007")
//    18     1    device revision
//    19     1    device description revision
//    20     8    software revision ("2.10.00 ")
//    28     8    software name ("PX110FW ")
//    36     8    domain name ("PX110APP")
//
// Texts are blank padded. The device checks a downloaded file with CheckFirmwareFile.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace simulator {

inline constexpr size_t kFirmwareHeaderBytes = 44;
inline constexpr size_t kFirmwareChecksumBytes = 4;

struct FirmwareHeader {
    uint16_t version = 1;
    uint16_t size = kFirmwareHeaderBytes;
    std::string manufacturer;      // 6 characters
    std::string family;            // 4
    std::string deviceType;        // 4
    uint8_t deviceRevision = 1;
    uint8_t ddRevision = 1;
    std::string softwareRevision;  // 8
    std::string softwareName;      // 8
    std::string domainName;        // 8
};

std::vector<uint8_t> EncodeFirmwareHeader(const FirmwareHeader& header);
// False when fewer than 44 bytes are given.
bool DecodeFirmwareHeader(const std::vector<uint8_t>& bytes, FirmwareHeader& header);

// The firmware a simulated positioner runs when it starts: software revision 2.00.00.
FirmwareHeader PositionerFirmwareHeader(uint32_t manufacturerId, uint16_t deviceType, uint8_t deviceRevision,
                                        uint8_t ddRevision);
// The family text of a manufacturer: "RPX1" for 42524B, "KPX1" for the others.
std::string FirmwareFamily(uint32_t manufacturerId);

// A complete file: `header`, a module image of `moduleBytes` (a fixed pattern), and the
// checksum.
std::vector<uint8_t> BuildFirmwareFile(const FirmwareHeader& header, size_t moduleBytes);
uint32_t Crc32(const uint8_t* data, size_t size);

// The device's download error codes (SOFTDWN_ERROR).
enum FirmwareError : uint16_t {
    kFwUnsupportedHeaderVersion = 0x8000,
    kFwAbnormalHeaderSize = 0x8001,
    kFwAbnormalManufacturer = 0x8002,
    kFwAbnormalFamily = 0x8003,
    kFwChecksumInFile = 0x800B,
    kFwEndCode = 0x8014,
    kFwFileType = 0x8015,
    kFwOnStartState = 0x8017,
    kFwNotReadyAtInitiate = 0x801E,
};
// What a device running `running` finds wrong with a downloaded file, 0 when nothing:
// header version, header size (also a file shorter than its header), manufacturer, family
// or device type, domain name (a file of another type), room for the checksum, checksum.
uint16_t CheckFirmwareFile(const std::vector<uint8_t>& file, const FirmwareHeader& running);

}  // namespace simulator
