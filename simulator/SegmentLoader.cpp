#include "simulator/SegmentLoader.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "simulator/PositionerBuilder.h"

namespace simulator {

namespace {

constexpr size_t kMaxDevicesPerLink = 40;
constexpr size_t kMaxInterfaces = 8;
constexpr size_t kMaxFileBytes = 4 * 1024 * 1024;

// A manufacturer identifier: six hex digits as text ("42524B"). A number is refused: the
// same digits read as decimal would name another manufacturer.
bool ReadHex(const JsonValue& dev, const char* key, uint32_t& out, std::string& error) {
    auto it = dev.find(key);
    if (it == dev.end()) return true;
    if (!it->is_string()) {
        error = std::string(key) + " must be hex text such as \"42524B\"";
        return false;
    }
    const std::string text = it->get<std::string>();
    char* end = nullptr;
    unsigned long x = std::strtoul(text.c_str(), &end, 16);
    if (text.empty() || text.size() > 6 || *end != '\0' || !std::isxdigit(static_cast<unsigned char>(text[0]))) {
        error = std::string(key) + " '" + text + "' is not a hex number of at most 6 digits";
        return false;
    }
    out = static_cast<uint32_t>(x);
    return true;
}

template <typename T>
bool ReadWholeAs(const JsonValue& obj, const char* key, int64_t lo, int64_t hi, T& out, std::string& error) {
    int64_t v = static_cast<int64_t>(out);
    if (!ReadWhole(obj, key, lo, hi, v, error)) return false;
    out = static_cast<T>(v);
    return true;
}

std::unique_ptr<Device> BuildDevice(const JsonValue& dev, bool listedWhenSilent, std::string& error) {
    if (!dev.is_object()) {
        error = "a device must be an object";
        return nullptr;
    }
    std::string kind = "positioner", tag;
    if (!ReadText(dev, "kind", kind, error) || !ReadText(dev, "tag", tag, error)) return nullptr;
    if (tag.size() > 32) {
        error = "tag '" + tag + "' is longer than 32 characters";
        return nullptr;
    }
    int64_t address = 248, rev = 1, dd = 1;
    if (!ReadWhole(dev, "address", 16, 251, address, error)) return nullptr;
    std::unique_ptr<Device> d;
    if (kind == "positioner") {
        PositionerOptions o;
        std::string family;
        if (!ReadText(dev, "family", family, error)) return nullptr;
        if (family == "KPX") o.manufacturerId = 0x4B5445;
        if (!ReadHex(dev, "manufacturerId", o.manufacturerId, error)) return nullptr;
        int64_t type = 1;
        rev = 2;
        if (!ReadWhole(dev, "deviceType", 0, 0xFFFF, type, error) || !ReadWhole(dev, "deviceRevision", 0, 255, rev, error) ||
            !ReadWhole(dev, "ddRevision", 0, 255, dd, error))
            return nullptr;
        if (type != 1 && type != 7) {
            error = "a positioner's device type must be 1 or 7";
            return nullptr;
        }
        int64_t extraPid = 0;
        std::string bootClass = "basic";
        if (!ReadWhole(dev, "extraPidBlocks", 0, 4, extraPid, error) || !ReadText(dev, "serial", o.serial, error) ||
            !ReadText(dev, "blockTagPrefix", o.blockTagPrefix, error) ||
            !ReadFlag(dev, "signature", o.signatureOption, error) || !ReadFlag(dev, "pid", o.pidOption, error) ||
            !ReadFlag(dev, "inputSelector", o.inputSelector, error) || !ReadFlag(dev, "arithmetic", o.arithmetic, error) ||
            !ReadText(dev, "bootClass", bootClass, error) || !ReadFlag(dev, "activeScheduler", o.activeScheduler, error) ||
            !ReadFlag(dev, "pidInLinked", o.pidInLinked, error) || !ReadFlag(dev, "aoInvert", o.aoInvert, error))
            return nullptr;
        if (o.blockTagPrefix.size() > 27) {
            error = "blockTagPrefix '" + o.blockTagPrefix + "' is longer than 27 characters (block tags hold 32)";
            return nullptr;
        }
        if (bootClass != "basic" && bootClass != "linkMaster") {
            error = "bootClass must be basic or linkMaster";
            return nullptr;
        }
        o.deviceType = static_cast<uint16_t>(type);
        o.deviceRevision = static_cast<uint8_t>(rev);
        o.ddRevision = static_cast<uint8_t>(dd);
        o.pdTag = tag;
        o.address = static_cast<uint8_t>(address);
        o.extraPidBlocks = static_cast<int>(extraPid);
        o.bootAsLinkMaster = bootClass == "linkMaster";
        if (auto v = dev.find("valve"); v != dev.end()) {
            valve::ValveSettings settings = valve::DefaultValveSettings(o.manufacturerId);
            if (!valve::ReadValveSettings(*v, settings, error)) return nullptr;
            o.valve = settings;
        }
        d = BuildPositioner(o, error);
    } else if (kind == "transmitter") {
        TransmitterOptions o;
        int64_t type = o.deviceType;
        if (!ReadHex(dev, "manufacturerId", o.manufacturerId, error) ||
            !ReadWhole(dev, "deviceType", 0, 0xFFFF, type, error) || !ReadWhole(dev, "deviceRevision", 0, 255, rev, error) ||
            !ReadWhole(dev, "ddRevision", 0, 255, dd, error) || !ReadText(dev, "serial", o.serial, error) ||
            !ReadText(dev, "blockTagPrefix", o.blockTagPrefix, error))
            return nullptr;
        if (o.blockTagPrefix.size() > 27) {
            error = "blockTagPrefix '" + o.blockTagPrefix + "' is longer than 27 characters (block tags hold 32)";
            return nullptr;
        }
        o.deviceType = static_cast<uint16_t>(type);
        o.deviceRevision = static_cast<uint8_t>(rev);
        o.ddRevision = static_cast<uint8_t>(dd);
        o.pdTag = tag;
        o.address = static_cast<uint8_t>(address);
        d = BuildTransmitter(o, error);
    } else {
        error = "unknown device kind '" + kind + "'";
        return nullptr;
    }
    if (!d) return nullptr;
    d->listedWhenSilent = listedWhenSilent;
    if (d->deviceId.size() > 32) {
        error = "device identifier " + d->deviceId + " is longer than 32 characters";
        return nullptr;
    }
    if (!ReadWholeAs(dev, "classFlags", 0, 0x7FFFFFFF, d->classFlagsOverride, error) ||
        !ReadFlag(dev, "listedWhenSilent", d->listedWhenSilent, error) ||
        !ReadWholeAs(dev, "settleMs", 0, 600000, d->settleMs, error) ||
        !ReadWholeAs(dev, "restartMs", 0, 600000, d->restartMs, error))
        return nullptr;
    if (auto swing = dev.find("processSwing"); swing != dev.end()) {
        int64_t period = 0;
        double amplitude = 0;
        if (!swing->is_object()) {
            error = "processSwing must be an object";
            return nullptr;
        }
        if (!swing->contains("periodSec")) {
            error = "processSwing needs periodSec";
            return nullptr;
        }
        if (!ReadWhole(*swing, "periodSec", 1, 86400, period, error) ||
            !ReadReal(*swing, "amplitude", 0, 1000, amplitude, error)) {
            error = "processSwing: " + error;
            return nullptr;
        }
        d->processSwing = amplitude;
        d->processSwingPeriodMs = static_cast<uint64_t>(period) * 1000u;
    }
    if (auto f = dev.find("faults"); f != dev.end()) {
        if (!f->is_object()) {
            error = "faults must be an object";
            return nullptr;
        }
        int64_t at = 0, len = 0, seed = 1;
        double rate = 0;
        if (!ReadWhole(*f, "silentAtMs", 0, 0x7FFFFFFF, at, error) ||
            !ReadWhole(*f, "silentForMs", 0, 0x7FFFFFFF, len, error) ||
            !ReadWhole(*f, "seed", 1, 0x7FFFFFFF, seed, error) || !ReadReal(*f, "commErrorRate", 0, 1, rate, error) ||
            !ReadFlag(*f, "vfdChangedOnce", d->faults.vfdChangedOnce, error)) {
            error = "faults: " + error;
            return nullptr;
        }
        d->faults.silentFromMs = static_cast<uint64_t>(at);
        d->faults.silentUntilMs = static_cast<uint64_t>(at + len);
        d->faults.commErrorRate = rate;
        d->faults.randomState ^= static_cast<uint64_t>(seed) * 0x9E3779B97F4A7C15ull;
    }
    return d;
}

bool BuildInterface(const JsonValue& j, size_t number, bool listedWhenSilent, Interface& ifc,
                    std::set<std::string>& ids, std::string& error) {
    if (!j.is_object()) {
        error = "an interface must be an object";
        return false;
    }
    ifc.name = "Interface" + std::to_string(number) + "-0";
    ifc.description = "H1 link " + std::to_string(number);
    ifc.hostId = "0000000001NIFB-HOST-" + std::to_string(number);
    std::string type = "H1";
    if (!ReadText(j, "name", ifc.name, error) || !ReadText(j, "description", ifc.description, error) ||
        !ReadText(j, "type", type, error) || !ReadText(j, "hostId", ifc.hostId, error))
        return false;
    if (type != "H1" && type != "Ethernet") {
        error = "interface type must be H1 or Ethernet";
        return false;
    }
    ifc.ethernet = type == "Ethernet";
    if (ifc.name.size() > 65 || ifc.description.size() > 32 || ifc.hostId.size() > 32) {
        error = "interface name (65), description (32) or hostId (32) too long";
        return false;
    }
    int64_t host = 0x10, firstUnpolled = 0x25, numUnpolled = 0xBA;
    if (!ReadWhole(j, "hostAddress", 0, 255, host, error) ||
        !ReadWhole(j, "firstUnpolledNode", 0, 255, firstUnpolled, error) ||
        !ReadWhole(j, "numUnpolledNodes", 0, 255, numUnpolled, error))
        return false;
    ifc.hostAddress = static_cast<uint8_t>(host);
    if (!ifc.ethernet)
        ifc.host = BuildHostInterface(ifc.hostId, ifc.hostAddress, static_cast<uint8_t>(firstUnpolled),
                                      static_cast<uint8_t>(numUnpolled));
    if (auto list = j.find("liveList"); list != j.end()) {
        if (!list->is_array()) {
            error = "liveList must be an array";
            return false;
        }
        if (list->size() > kMaxDevicesPerLink) {
            error = "a live list holds at most 40 records";
            return false;
        }
        for (const JsonValue& e : *list) {
            int64_t addr = 0, flags = 0;
            std::string id, tag;
            if (!e.is_object()) {
                error = "a live-list record must be an object";
                return false;
            }
            if (!ReadWhole(e, "address", 0, 255, addr, error) || !ReadWhole(e, "classFlags", 0, 0x7FFFFFFF, flags, error) ||
                !ReadText(e, "deviceId", id, error) || !ReadText(e, "tag", tag, error))
                return false;
            if (id.size() > 32 || tag.size() > 32) {
                error = "live-list identifier or tag longer than 32 characters";
                return false;
            }
            nifLiveListEntry rec{};
            id.copy(rec.deviceId, id.size());
            tag.copy(rec.pdTag, tag.size());
            rec.nodeAddress = static_cast<uint8_t>(addr);
            rec.classFlags = static_cast<uint32_t>(flags);
            ifc.extraEntries.push_back(rec);
        }
    }
    std::set<int> addresses = {ifc.hostAddress};
    if (auto devs = j.find("devices"); devs != j.end()) {
        if (!devs->is_array()) {
            error = "devices must be an array";
            return false;
        }
        if (devs->size() > kMaxDevicesPerLink) {
            error = "at most 40 devices fit on one link";
            return false;
        }
        for (const JsonValue& dj : *devs) {
            std::unique_ptr<Device> d = BuildDevice(dj, listedWhenSilent, error);
            if (!d) {
                error = "device " + std::to_string(ifc.devices.size() + 1) + " of " + ifc.name + ": " + error;
                return false;
            }
            if (!ids.insert(d->deviceId).second) {
                error = "device identifier " + d->deviceId + " appears twice";
                return false;
            }
            if (d->address < 248 && !addresses.insert(d->address).second) {
                error = "node address " + std::to_string(d->address) + " is used twice on " + ifc.name;
                return false;
            }
            ifc.devices.push_back(std::move(d));
        }
    }
    return true;
}

}  // namespace

std::shared_ptr<Segment> LoadSegment(const std::string& text, const LoadOptions& options, std::string& error) {
    JsonValue root;
    std::string parseError;
    if (text.size() > kMaxFileBytes) {
        error = "segment file is too large";
        return nullptr;
    }
    if (!ParseJson(text, root, parseError)) {
        error = "segment file is not valid JSON: " + parseError;
        return nullptr;
    }
    if (!root.is_object()) {
        error = "segment file must hold one JSON object";
        return nullptr;
    }
    auto seg = std::make_shared<Segment>(options.speed, options.manualClock);
    seg->name = "segment";
    int64_t timeout = 4000, die = 0, overhead = 10, settle = -1;
    bool listedWhenSilent = false;
    if (!ReadText(root, "name", seg->name, error) || !ReadFlag(root, "latency", seg->latency, error) ||
        !ReadWhole(root, "responseTimeoutMs", 1, kMaxResponseTimeoutMs, timeout, error) ||
        !ReadWhole(root, "dieAfterMs", 0, 0x7FFFFFFF, die, error) ||
        !ReadWhole(root, "latencyOverheadMs", 0, 1000, overhead, error) ||
        !ReadWhole(root, "settleMs", 0, 600000, settle, error) ||
        !ReadFlag(root, "listedWhenSilent", listedWhenSilent, error)) {
        error = "segment file: " + error;
        return nullptr;
    }
    if (options.latency >= 0) seg->latency = options.latency == 1;
    if (options.settleMs >= 0) settle = options.settleMs;
    seg->responseTimeoutMs = static_cast<uint64_t>(timeout);
    seg->dieAtMs = static_cast<uint64_t>(die);
    seg->latencyOverheadMs = static_cast<uint32_t>(overhead);
    auto ifcs = root.find("interfaces");
    if (ifcs == root.end() || !ifcs->is_array() || ifcs->empty()) {
        error = "segment file needs a non-empty \"interfaces\" array";
        return nullptr;
    }
    if (ifcs->size() > kMaxInterfaces) {
        error = "segment file: at most " + std::to_string(kMaxInterfaces) + " interfaces";
        return nullptr;
    }
    std::set<std::string> ids;
    seg->interfaces.resize(ifcs->size());
    for (size_t i = 0; i < ifcs->size(); ++i) {
        if (!BuildInterface((*ifcs)[i], i, listedWhenSilent, seg->interfaces[i], ids, error)) {
            error = "segment file, interface " + std::to_string(i + 1) + ": " + error;
            return nullptr;
        }
        if (settle >= 0)
            for (auto& d : seg->interfaces[i].devices) d->settleMs = static_cast<uint64_t>(settle);
    }
    return seg;
}

std::shared_ptr<Segment> LoadSegmentFile(const std::string& path, const LoadOptions& options, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open segment file " + path;
        return nullptr;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (text.str().size() > kMaxFileBytes) {
        error = "segment file " + path + " is too large";
        return nullptr;
    }
    auto seg = LoadSegment(text.str(), options, error);
    if (!seg) error = path + ": " + error;
    return seg;
}

}  // namespace simulator
