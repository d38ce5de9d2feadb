// Writes and shows firmware files (.ffd) for the simulated positioners, valid or broken on
// purpose, for tests and for trying the firmware download on the simulator.
//
//   nifb_ffd write FILE --family RPX|KPX --type N [--revision N] [--dd N] [--software TEXT]
//                       [--module BYTES] [--break WHAT]
//       WHAT: version, size, manufacturer, family, type, domain, checksum, short (cut
//       inside the header), nochecksum (header only)
//   nifb_ffd shipped FOLDER   one valid file per link-master positioner type (device type 7)
//   nifb_ffd show FILE        the header fields and whether the checksum holds
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "simulator/FirmwareImage.h"

using namespace simulator;

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: nifb_ffd write FILE --family RPX|KPX --type N [--revision N] [--dd N] [--software TEXT]\n"
                 "                           [--module BYTES] [--break version|size|manufacturer|family|type|domain|\n"
                 "                           checksum|short|nochecksum]\n"
                 "       nifb_ffd shipped FOLDER\n"
                 "       nifb_ffd show FILE\n");
    return 2;
}

bool Save(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "nifb_ffd: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

// Spoils one part of a valid file.
bool Break(std::vector<uint8_t>& file, const std::string& what) {
    FirmwareHeader h;
    DecodeFirmwareHeader(file, h);
    const std::vector<uint8_t> module(file.begin() + kFirmwareHeaderBytes, file.end() - kFirmwareChecksumBytes);
    auto rebuild = [&](const FirmwareHeader& header) {
        file = BuildFirmwareFile(header, 0);
        file.insert(file.begin() + kFirmwareHeaderBytes, module.begin(), module.end());
        const size_t body = file.size() - kFirmwareChecksumBytes;
        const uint32_t crc = Crc32(file.data(), body);
        for (size_t i = 0; i < kFirmwareChecksumBytes; ++i) file[body + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    };
    if (what == "version") h.version = 2;
    else if (what == "size") h.size = 48;
    else if (what == "manufacturer") h.manufacturer = "000001";
    else if (what == "family") h.family = "XPX1";
    else if (what == "type") h.deviceType = "0009";
    else if (what == "domain") h.domainName = "PX110BOT";
    else if (what == "checksum") {
        file[file.size() / 2] ^= 0x5A;
        return true;
    } else if (what == "short") {
        file.resize(kFirmwareHeaderBytes / 2);
        return true;
    } else if (what == "nochecksum") {
        file.resize(kFirmwareHeaderBytes);
        return true;
    } else {
        return false;
    }
    rebuild(h);
    return true;
}

int Write(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string path = argv[2];
    std::string family = "RPX", software = "2.10.00", broken;
    long type = 7, revision = 2, dd = 1, module = 49152;
    for (int i = 3; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const char* value = argv[i + 1];
        if (key == "--family") family = value;
        else if (key == "--type") type = std::strtol(value, nullptr, 0);
        else if (key == "--revision") revision = std::strtol(value, nullptr, 0);
        else if (key == "--dd") dd = std::strtol(value, nullptr, 0);
        else if (key == "--software") software = value;
        else if (key == "--module") module = std::strtol(value, nullptr, 0);
        else if (key == "--break") broken = value;
        else return Usage();
    }
    if ((family != "RPX" && family != "KPX") || type < 0 || type > 0xFFFF || revision < 0 || revision > 255 || dd < 0 ||
        dd > 255 || module < 0 || module > 4 * 1024 * 1024)
        return Usage();
    FirmwareHeader h = PositionerFirmwareHeader(family == "RPX" ? 0x42524B : 0x4B5445, static_cast<uint16_t>(type),
                                                static_cast<uint8_t>(revision), static_cast<uint8_t>(dd));
    h.softwareRevision = software.substr(0, 8);
    std::vector<uint8_t> file = BuildFirmwareFile(h, static_cast<size_t>(module));
    if (!broken.empty() && !Break(file, broken)) return Usage();
    return Save(path, file) ? 0 : 1;
}

int Shipped(const std::string& folder) {
    struct Type {
        uint32_t manufacturer;
        uint8_t revision;
    };
    bool ok = true;
    for (Type t : {Type{0x42524B, 2}, Type{0x4B5445, 1}}) {
        FirmwareHeader h = PositionerFirmwareHeader(t.manufacturer, 7, t.revision, 1);
        h.softwareRevision = "2.10.00";
        // Named as the program's file dialog proposes: manufacturer, type, type.
        const std::string name = folder + "/" + h.manufacturer + "0007_0007_SW2.10.00.ffd";
        ok = Save(name, BuildFirmwareFile(h, 49152)) && ok;
    }
    return ok ? 0 : 1;
}

int Show(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "nifb_ffd: cannot read %s\n", path.c_str());
        return 1;
    }
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    FirmwareHeader h;
    if (!DecodeFirmwareHeader(file, h)) {
        std::printf("%s: %zu bytes, shorter than the 44-byte header\n", path.c_str(), file.size());
        return 1;
    }
    std::printf("header version %u, size %u\nmanufacturer %s, family %s, device type %s, revision %u, DD %u\n"
                "software %s %s, domain %s\n%zu bytes\n",
                h.version, h.size, h.manufacturer.c_str(), h.family.c_str(), h.deviceType.c_str(), h.deviceRevision,
                h.ddRevision, h.softwareName.c_str(), h.softwareRevision.c_str(), h.domainName.c_str(), file.size());
    FirmwareHeader self = h;
    self.version = 1;
    self.size = kFirmwareHeaderBytes;
    const uint16_t code = CheckFirmwareFile(file, self);
    std::printf(code == 0 ? "checksum good\n" : "check fails: 0x%04X\n", code);
    return code == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string what = argv[1];
    if (what == "write") return Write(argc, argv);
    if (what == "shipped") return Shipped(argv[2]);
    if (what == "show") return Show(argv[2]);
    return Usage();
}
