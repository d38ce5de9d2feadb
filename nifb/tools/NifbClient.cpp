// nifb_client: a small command-line client of the Fieldbus library, for trying the `nifb`
// server by hand and for the end-to-end test.
//   nifb_client [--socket PATH] list
//   nifb_client [--socket PATH] blocks DEVICE
//   nifb_client [--socket PATH] read DEVICE NAME          (NAME: BLOCKTAG.PARAM[.MEMBER] or $I<index>[.<sub>])
//   nifb_client [--socket PATH] write DEVICE NAME VALUE
//   nifb_client [--socket PATH] enum DEVICE NAME
//   nifb_client [--socket PATH] mode DEVICE BLOCKTAG OOS|MAN|AUTO|CAS
//   nifb_client [--socket PATH] control JSON
//   nifb_client [--socket PATH] demo
// DEVICE is a PD tag or a device identifier.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "nifb/Backend.h"
#include "nifb/nifb.h"

namespace {

struct Context {
    nifDesc_t session = 0;
    nifDesc_t link = 0;
    nifDesc_t device = 0;
    nifDesc_t vfd = 0;
    std::string interfaceName;
};

int Report(const char* what, nifError_t st) {
    if (st != E_OK) std::fprintf(stderr, "%s failed: %d %s\n", what, st, nifStatusName(st));
    return st;
}

std::string Trim(const char* text, size_t n) {
    std::string s(text, strnlen(text, n));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string ShownText(const std::string& description) {
    size_t at = description.find("|en|");
    std::string s = at == std::string::npos ? description : description.substr(at + 4);
    size_t bar = s.find('|');
    if (bar != std::string::npos && at != std::string::npos) s = s.substr(0, bar);
    while (!s.empty() && s.front() == ' ') s.erase(s.begin());
    return s;
}

int OpenSessionAndLink(Context& c) {
    if (Report("nifOpenSession", nifOpenSession(nullptr, &c.session))) return 1;
    uint16_t count = 0;
    nifError_t st = nifGetInterfaceList(c.session, &count, nullptr);
    if (st != E_OK && st != E_BUF_TOO_SMALL) return Report("nifGetInterfaceList", st);
    std::vector<nifInterfaceInfo> list(count);
    if (Report("nifGetInterfaceList", nifGetInterfaceList(c.session, &count, list.data()))) return 1;
    for (const nifInterfaceInfo& i : list) {
        std::string desc = Trim(i.interfaceDescription, sizeof i.interfaceDescription);
        if (desc != "ETHERNET INTERFACE" && c.interfaceName.empty()) c.interfaceName = i.interfaceName;
    }
    if (c.interfaceName.empty()) return 1;
    return Report("nifOpenLink", nifOpenLink(c.session, 0, c.interfaceName.c_str(), 0, &c.link)) ? 1 : 0;
}

int LiveList(Context& c, std::vector<nifLiveListEntry>& out) {
    out.assign(32, nifLiveListEntry{});
    uint16_t count = 32;
    uint32_t total = 0;
    if (Report("nifGetDeviceList", nifGetDeviceList(c.link, out.data(), &count, &total))) return 1;
    out.resize(count);
    return 0;
}

int OpenDevice(Context& c, const std::string& who) {
    std::vector<nifLiveListEntry> live;
    if (LiveList(c, live)) return 1;
    for (const nifLiveListEntry& e : live) {
        if (who != e.deviceId && who != e.pdTag) continue;
        if (Report("nifOpenPhysicalDevice", nifOpenPhysicalDevice(c.link, NIF_BY_DEVICE_ID, e.deviceId, &c.device)))
            return 1;
        nifVfdInfo vfd[2];
        uint16_t n = 1;
        nifError_t st = nifGetVFDList(c.device, vfd, &n);
        if (st == E_VFD_CHANGED) st = nifGetVFDList(c.device, vfd, &n);
        if (Report("nifGetVFDList", st)) return 1;
        return Report("nifOpenVfd", nifOpenVfd(c.device, makeIndex(0), &c.vfd)) ? 1 : 0;
    }
    std::fprintf(stderr, "device %s is not on the live list\n", who.c_str());
    return 1;
}

int CmdList(Context& c) {
    uint16_t count = 0;
    nifGetInterfaceList(c.session, &count, nullptr);
    std::vector<nifInterfaceInfo> list(count);
    nifGetInterfaceList(c.session, &count, list.data());
    std::printf("Interfaces:\n");
    for (const nifInterfaceInfo& i : list) std::printf("  %-20s %s\n", i.interfaceName, i.interfaceDescription);
    std::vector<nifLiveListEntry> live;
    if (LiveList(c, live)) return 1;
    std::printf("Live list of %s:\n", c.interfaceName.c_str());
    for (const nifLiveListEntry& e : live)
        std::printf("  0x%02X  %-32s %-20s flags 0x%02X\n", e.nodeAddress, e.deviceId, e.pdTag, e.classFlags);
    return 0;
}

int CmdBlocks(Context& c) {
    std::vector<nifBlockInfo> blocks(20);
    uint16_t n = 20;
    if (Report("nifGetBlockList", nifGetBlockList(c.vfd, 7, blocks.data(), &n))) return 1;
    for (uint16_t i = 0; i < n; ++i) {
        const nifBlockInfo& b = blocks[i];
        std::printf("  %-32s type %u profile 0x%04X start %5u params %3u\n", Trim(b.blockTag, 32).c_str(),
                    b.blockType, b.profile, b.startIndex, b.numParameters);
    }
    return 0;
}

std::string Decode(const uint8_t* p, uint16_t size, uint16_t type) {
    char buf[64];
    if (type == NIF_DT_FLOAT && size == 4) {
        uint32_t bits = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
        float f;
        std::memcpy(&f, &bits, 4);
        std::snprintf(buf, sizeof buf, "%g", f);
        return buf;
    }
    if ((type == NIF_DT_VSTRING || type == NIF_DT_OCTSTRING) && size > 4)
        return "\"" + Trim(reinterpret_cast<const char*>(p), size) + "\"";
    if (size <= 4 && type != NIF_DT_OCTSTRING) {
        uint32_t x = 0;
        for (uint16_t i = 0; i < size; ++i) x = (x << 8) | p[i];
        std::snprintf(buf, sizeof buf, "%u (0x%X)", x, x);
        return buf;
    }
    std::string hex;
    for (uint16_t i = 0; i < size; ++i) {
        std::snprintf(buf, sizeof buf, "%02X", p[i]);
        hex += buf;
    }
    return hex;
}

int CmdRead(Context& c, const std::string& name) {
    uint8_t data[1024];
    uint16_t size = sizeof data;
    if (Report("nifReadObject", nifReadObject(c.vfd, name.c_str(), data, &size))) return 1;
    nifObjectType* type = nullptr;
    if (Report("nifGetObjectType", nifGetObjectType(c.vfd, name.c_str(), &type))) return 1;
    char objName[64] = "";
    nifGetObjectName(c.vfd, name.c_str(), objName, sizeof objName);
    std::printf("%s (%s, index %u, %u bytes):", name.c_str(), objName, type->index, size);
    if (type->numMembers == 0) {
        std::printf(" %s\n", Decode(data, size, type->dataType).c_str());
    } else {
        std::printf("\n");
        uint16_t offset = 0;
        for (uint16_t i = 0; i < type->numMembers && offset < size; ++i) {
            const nifTypeMember& m = type->members[i];
            std::printf("  [%u] %s\n", i + 1, Decode(data + offset, m.size, m.dataType).c_str());
            offset = static_cast<uint16_t>(offset + m.size);
        }
    }
    nifFreeObjectType(type);
    return 0;
}

int CmdWrite(Context& c, const std::string& name, const std::string& value) {
    nifObjectType* type = nullptr;
    if (Report("nifGetObjectType", nifGetObjectType(c.vfd, name.c_str(), &type))) return 1;
    std::vector<uint8_t> bytes(type->size, 0);
    if (type->dataType == NIF_DT_FLOAT && type->size == 4) {
        float f = std::strtof(value.c_str(), nullptr);
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(bits >> (24 - 8 * i));
    } else if (type->dataType == NIF_DT_VSTRING || type->dataType == NIF_DT_OCTSTRING) {
        std::fill(bytes.begin(), bytes.end(), ' ');
        std::memcpy(bytes.data(), value.data(), std::min(value.size(), bytes.size()));
    } else {
        uint32_t x = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 0));
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(x >> (8 * (bytes.size() - 1 - i)));
    }
    nifFreeObjectType(type);
    nifError_t st = nifWriteObject(c.vfd, name.c_str(), bytes.data(), static_cast<uint16_t>(bytes.size()));
    std::printf("write %s = %s -> %s\n", name.c_str(), value.c_str(), nifStatusName(st));
    return st == E_OK ? 0 : 1;
}

int CmdEnum(Context& c, const std::string& name) {
    nifAttributes* attr = nullptr;
    if (Report("nifGetObjectAttributes", nifGetObjectAttributes(c.vfd, name.c_str(), &attr))) return 1;
    std::printf("%s: %u item(s)\n", name.c_str(), attr->numItems);
    for (uint16_t i = 0; i < attr->numItems; ++i)
        std::printf("  %s %u = \"%s\"\n", attr->items[i].kind == NIF_ITEM_BIT ? "bit " : "enum", attr->items[i].value,
                    ShownText(attr->items[i].description).c_str());
    nifFreeObjectAttributes(attr);
    return 0;
}

uint8_t ModeByte(const std::string& m) {
    if (m == "OOS") return 0x01;
    if (m == "MAN") return 0x08;
    if (m == "AUTO") return 0x10;
    if (m == "CAS") return 0x30;
    return 0;
}

int CmdMode(Context& c, const std::string& block, const std::string& mode) {
    uint8_t target = ModeByte(mode);
    std::string name = block + ".MODE_BLK.TARGET";
    nifError_t st = nifWriteObject(c.vfd, name.c_str(), &target, 1);
    std::printf("write %s = 0x%02X -> %s\n", name.c_str(), target, nifStatusName(st));
    if (st != E_OK) return 1;
    std::string actualName = block + ".MODE_BLK.ACTUAL";
    for (int i = 0; i < 100; ++i) {
        uint8_t actual = 0;
        uint16_t size = 1;
        if (Report("nifReadObject", nifReadObject(c.vfd, actualName.c_str(), &actual, &size))) return 1;
        if (actual == target || (target == 0x30 && (actual == 0x10 || actual == 0x20))) {
            std::printf("%s actual 0x%02X\n", block.c_str(), actual);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::fprintf(stderr, "%s did not reach the mode\n", block.c_str());
    return 1;
}

int CmdDemo(Context& c) {
    if (CmdList(c)) return 1;
    std::vector<nifLiveListEntry> live;
    if (LiveList(c, live)) return 1;
    std::string positioner;
    for (const nifLiveListEntry& e : live) {
        std::string id = e.deviceId;
        if ((id.rfind("42524B", 0) == 0 || id.rfind("4B5445", 0) == 0) && positioner.empty()) positioner = e.pdTag;
    }
    if (positioner.empty()) return 1;
    std::printf("Opening %s\n", positioner.c_str());
    if (OpenDevice(c, positioner) || CmdBlocks(c)) return 1;
    std::vector<nifBlockInfo> blocks(20);
    uint16_t n = 20;
    if (nifGetBlockList(c.vfd, 7, blocks.data(), &n) != E_OK) return 1;
    std::string rb, tb, ao;
    uint16_t tbStart = 0;
    for (uint16_t i = 0; i < n; ++i) {
        std::string tag = Trim(blocks[i].blockTag, 32);
        if (blocks[i].blockType == NIF_RESOURCE_BLOCK) rb = tag;
        if (blocks[i].blockType == NIF_TRANSDUCER_BLOCK) {
            tb = tag;
            tbStart = blocks[i].startIndex;
        }
        if (blocks[i].profile == 0x0102) ao = tag;
    }
    int failures = 0;
    failures += CmdRead(c, rb + ".MANUFAC_ID");
    failures += CmdRead(c, tb + ".FINAL_POSITION_VALUE");
    failures += CmdRead(c, makeIndex(tbStart + 5u));
    failures += CmdRead(c, ao + ".VIEW_1");
    failures += CmdEnum(c, tb + ".POSITION_CHAR_TYPE");
    failures += CmdEnum(c, ao + ".IO_OPTS");
    failures += CmdWrite(c, tb + ".VALVE_SN", "DEMO-0001");
    failures += CmdRead(c, tb + ".VALVE_SN");
    failures += CmdWrite(c, tb + ".SERVO_GAIN", "150") == 0 ? 1 : 0;  // refused while in service
    failures += CmdMode(c, ao, "OOS");
    failures += CmdMode(c, tb, "OOS");
    failures += CmdWrite(c, tb + ".SERVO_GAIN", "150");
    failures += CmdMode(c, tb, "AUTO");
    failures += CmdMode(c, ao, "CAS");
    std::printf(failures ? "demo: %d step(s) failed\n" : "demo: all steps passed\n", failures);
    return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "--socket") {
        setenv("NIFB_SOCKET", args[1].c_str(), 1);
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) {
        std::fprintf(stderr, "usage: nifb_client [--socket PATH] list|blocks|read|write|enum|mode|control|demo ...\n");
        return 2;
    }
    Context c;
    if (OpenSessionAndLink(c)) return 1;
    const std::string& cmd = args[0];
    int rc = 2;
    if (cmd == "list") rc = CmdList(c);
    else if (cmd == "demo") rc = CmdDemo(c);
    else if (cmd == "control" && args.size() == 2) {
        std::string answer;
        int st = nifb::SendControl(c.session, args[1], answer);
        std::printf("%s %s\n", nifStatusName(st), answer.c_str());
        rc = st == E_OK ? 0 : 1;
    } else if (args.size() >= 2) {
        if (OpenDevice(c, args[1])) return 1;
        if (cmd == "blocks") rc = CmdBlocks(c);
        else if (cmd == "read" && args.size() == 3) rc = CmdRead(c, args[2]);
        else if (cmd == "write" && args.size() == 4) rc = CmdWrite(c, args[2], args[3]);
        else if (cmd == "enum" && args.size() == 3) rc = CmdEnum(c, args[2]);
        else if (cmd == "mode" && args.size() == 4) rc = CmdMode(c, args[2], args[3]);
    }
    nifClose(c.session);
    return rc;
}
