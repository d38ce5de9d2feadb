#include "simulator/FirmwareImage.h"

#include <cstdio>

namespace simulator {

namespace {

void PutText(std::vector<uint8_t>& out, size_t offset, const std::string& text, size_t size) {
    for (size_t i = 0; i < size; ++i) out[offset + i] = static_cast<uint8_t>(i < text.size() ? text[i] : ' ');
}

std::string GetText(const std::vector<uint8_t>& in, size_t offset, size_t size) {
    std::string text(in.begin() + static_cast<std::ptrdiff_t>(offset),
                     in.begin() + static_cast<std::ptrdiff_t>(offset + size));
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return text;
}

// Texts compare as the header holds them: padded to their field.
bool SameField(const std::string& a, const std::string& b, size_t size) {
    std::vector<uint8_t> x(size), y(size);
    PutText(x, 0, a, size);
    PutText(y, 0, b, size);
    return x == y;
}

}  // namespace

std::vector<uint8_t> EncodeFirmwareHeader(const FirmwareHeader& h) {
    std::vector<uint8_t> out(kFirmwareHeaderBytes, ' ');
    out[0] = static_cast<uint8_t>(h.version >> 8);
    out[1] = static_cast<uint8_t>(h.version);
    out[2] = static_cast<uint8_t>(h.size >> 8);
    out[3] = static_cast<uint8_t>(h.size);
    PutText(out, 4, h.manufacturer, 6);
    PutText(out, 10, h.family, 4);
    PutText(out, 14, h.deviceType, 4);
    out[18] = h.deviceRevision;
    out[19] = h.ddRevision;
    PutText(out, 20, h.softwareRevision, 8);
    PutText(out, 28, h.softwareName, 8);
    PutText(out, 36, h.domainName, 8);
    return out;
}

bool DecodeFirmwareHeader(const std::vector<uint8_t>& in, FirmwareHeader& h) {
    if (in.size() < kFirmwareHeaderBytes) return false;
    h.version = static_cast<uint16_t>(in[0] << 8 | in[1]);
    h.size = static_cast<uint16_t>(in[2] << 8 | in[3]);
    h.manufacturer = GetText(in, 4, 6);
    h.family = GetText(in, 10, 4);
    h.deviceType = GetText(in, 14, 4);
    h.deviceRevision = in[18];
    h.ddRevision = in[19];
    h.softwareRevision = GetText(in, 20, 8);
    h.softwareName = GetText(in, 28, 8);
    h.domainName = GetText(in, 36, 8);
    return true;
}

std::string FirmwareFamily(uint32_t manufacturerId) { return manufacturerId == 0x42524B ? "RPX1" : "KPX1"; }

FirmwareHeader PositionerFirmwareHeader(uint32_t manufacturerId, uint16_t deviceType, uint8_t deviceRevision,
                                        uint8_t ddRevision) {
    FirmwareHeader h;
    char text[16];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(manufacturerId & 0xFFFFFF));
    h.manufacturer = text;
    h.family = FirmwareFamily(manufacturerId);
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(deviceType));
    h.deviceType = text;
    h.deviceRevision = deviceRevision;
    h.ddRevision = ddRevision;
    h.softwareRevision = "2.00.00";
    h.softwareName = "PX110FW";
    h.domainName = "PX110APP";
    return h;
}

uint32_t Crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::vector<uint8_t> BuildFirmwareFile(const FirmwareHeader& header, size_t moduleBytes) {
    std::vector<uint8_t> file = EncodeFirmwareHeader(header);
    file.reserve(file.size() + moduleBytes + kFirmwareChecksumBytes);
    uint32_t x = 0x2545F491u;  // a fixed pattern that does not compress to nothing
    for (size_t i = 0; i < moduleBytes; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        file.push_back(static_cast<uint8_t>(x));
    }
    const uint32_t crc = Crc32(file.data(), file.size());
    for (int shift = 24; shift >= 0; shift -= 8) file.push_back(static_cast<uint8_t>(crc >> shift));
    return file;
}

uint16_t CheckFirmwareFile(const std::vector<uint8_t>& file, const FirmwareHeader& running) {
    FirmwareHeader h;
    if (!DecodeFirmwareHeader(file, h)) return kFwAbnormalHeaderSize;
    if (h.version != 1) return kFwUnsupportedHeaderVersion;
    if (h.size != kFirmwareHeaderBytes) return kFwAbnormalHeaderSize;
    if (!SameField(h.manufacturer, running.manufacturer, 6)) return kFwAbnormalManufacturer;
    if (!SameField(h.family, running.family, 4) || !SameField(h.deviceType, running.deviceType, 4))
        return kFwAbnormalFamily;
    if (!SameField(h.domainName, running.domainName, 8)) return kFwFileType;
    if (file.size() < kFirmwareHeaderBytes + kFirmwareChecksumBytes) return kFwEndCode;
    const size_t body = file.size() - kFirmwareChecksumBytes;
    uint32_t stored = 0;
    for (size_t i = 0; i < kFirmwareChecksumBytes; ++i) stored = stored << 8 | file[body + i];
    if (Crc32(file.data(), body) != stored) return kFwChecksumInFile;
    return 0;
}

}  // namespace simulator
