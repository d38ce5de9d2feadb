#include "firmware/FirmwareHeader.h"

#include <fstream>

#include "platform/Ui.h"

namespace firmware {

namespace {
uint16_t U16(std::string_view b, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) << 8 | static_cast<unsigned char>(b[at + 1]));
}
}  // namespace

bool ParseFirmwareHeader(std::string_view b, FirmwareHeader& h) {
    if (b.size() < kHeaderBytes) return false;
    h.version = U16(b, 0);
    h.size = U16(b, 2);
    h.manufacturer.assign(b.substr(4, 6));
    h.family.assign(b.substr(10, 4));
    h.deviceType.assign(b.substr(14, 4));
    h.deviceRevision = static_cast<uint8_t>(b[18]);
    h.ddRevision = static_cast<uint8_t>(b[19]);
    h.softwareRevision.assign(b.substr(20, 8));
    h.softwareName.assign(b.substr(28, 8));
    h.domainName.assign(b.substr(36, 8));
    return true;
}

int ReadFirmwareHeader(const std::string& path, FirmwareHeader& header, std::string& why) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = "the file cannot be opened";
        return 1;
    }
    char bytes[kHeaderBytes];
    in.read(bytes, sizeof bytes);
    if (static_cast<size_t>(in.gcount()) < kHeaderBytes) {
        why = "the file is shorter than the 44-byte download header";
        return 1;
    }
    ParseFirmwareHeader(std::string_view(bytes, sizeof bytes), header);
    return 0;
}

std::string FieldText(const std::string& field) {
    std::string text = field.substr(0, field.find('\0'));
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::vector<std::string> HeaderDifferences(const FirmwareHeader& file, const FirmwareHeader& device) {
    std::vector<std::string> lines;
    auto compare = [&](const char* format, const std::string& a, const std::string& b) {
        if (a != b) lines.push_back(platform::Format(format, FieldText(a).c_str(), FieldText(b).c_str()));
    };
    compare("\tDifferent Manufactire ID: %s / %s \n", file.manufacturer, device.manufacturer);
    compare("\tDifferent Device Family: %s / %s \n", file.family, device.family);
    compare("\tDifferent Device Type: %s / %s \n", file.deviceType, device.deviceType);
    compare("\tDifferent Domain Name: %s / %s \n", file.domainName, device.domainName);
    return lines;
}

}  // namespace firmware
