#include "simulator/SegmentLoader.h"

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "simulator/PositionerBuilder.h"

namespace simulator {

namespace {

constexpr size_t kMaxDevicesPerLink = 40;
constexpr size_t kMaxFileBytes = 4 * 1024 * 1024;

bool ReadHex(const JsonValue& dev, const std::string& key, uint32_t& out, std::string& error) {
    const JsonValue* v = dev.Find(key);
    if (!v) return true;
    if (v->IsNumber()) {
        out = static_cast<uint32_t>(v->AsNumber());
        return true;
    }
    if (!v->IsString()) {
        error = key + " must be a hex text or a number";
        return false;
    }
    char* end = nullptr;
    unsigned long x = std::strtoul(v->AsString().c_str(), &end, 16);
    if (v->AsString().empty() || *end != '\0' || x > 0xFFFFFFul) {
        error = key + " '" + v->AsString() + "' is not a hex number of at most 6 digits";
        return false;
    }
    out = static_cast<uint32_t>(x);
    return true;
}

bool ReadInt(const JsonValue& obj, const std::string& key, long lo, long hi, long& out, std::string& error) {
    const JsonValue* v = obj.Find(key);
    if (!v) return true;
    if (!v->IsNumber() || v->AsNumber() < static_cast<double>(lo) || v->AsNumber() > static_cast<double>(hi) ||
        v->AsNumber() != static_cast<double>(static_cast<long>(v->AsNumber()))) {
        error = key + " must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
        return false;
    }
    out = static_cast<long>(v->AsNumber());
    return true;
}

std::unique_ptr<Device> BuildDevice(const JsonValue& dev, bool listedWhenSilent, std::string& error) {
    if (!dev.IsObject()) {
        error = "a device must be an object";
        return nullptr;
    }
    std::string kind = dev.GetString("kind", "positioner");
    std::string tag = dev.GetString("tag");
    if (tag.size() > 32) {
        error = "tag '" + tag + "' is longer than 32 characters";
        return nullptr;
    }
    long address = 248, type = 1, rev = 1, dd = 1;
    if (!ReadInt(dev, "address", 16, 251, address, error)) return nullptr;
    std::unique_ptr<Device> d;
    if (kind == "positioner") {
        PositionerOptions o;
        std::string family = dev.GetString("family");
        if (family == "KPX") o.manufacturerId = 0x4B5445;
        if (!ReadHex(dev, "manufacturerId", o.manufacturerId, error)) return nullptr;
        type = 1;
        rev = 2;
        if (!ReadInt(dev, "deviceType", 0, 0xFFFF, type, error) || !ReadInt(dev, "deviceRevision", 0, 255, rev, error) ||
            !ReadInt(dev, "ddRevision", 0, 255, dd, error))
            return nullptr;
        if (type != 1 && type != 7) {
            error = "a positioner's device type must be 1 or 7";
            return nullptr;
        }
        long extraPid = 0;
        if (!ReadInt(dev, "extraPidBlocks", 0, 4, extraPid, error)) return nullptr;
        o.deviceType = static_cast<uint16_t>(type);
        o.deviceRevision = static_cast<uint8_t>(rev);
        o.ddRevision = static_cast<uint8_t>(dd);
        o.serial = dev.GetString("serial", "J0000001");
        o.pdTag = tag;
        o.address = static_cast<uint8_t>(address);
        o.blockTagPrefix = dev.GetString("blockTagPrefix");
        o.signatureOption = dev.GetBool("signature", true);
        o.pidOption = dev.GetBool("pid", true);
        o.extraPidBlocks = static_cast<int>(extraPid);
        o.inputSelector = dev.GetBool("inputSelector", false);
        o.arithmetic = dev.GetBool("arithmetic", false);
        o.bootAsLinkMaster = dev.GetString("bootClass", "basic") == "linkMaster";
        o.activeScheduler = dev.GetBool("activeScheduler", false);
        o.pidInLinked = dev.GetBool("pidInLinked", true);
        d = BuildPositioner(o, error);
    } else if (kind == "transmitter") {
        TransmitterOptions o;
        if (!ReadHex(dev, "manufacturerId", o.manufacturerId, error)) return nullptr;
        type = o.deviceType;
        if (!ReadInt(dev, "deviceType", 0, 0xFFFF, type, error) || !ReadInt(dev, "deviceRevision", 0, 255, rev, error) ||
            !ReadInt(dev, "ddRevision", 0, 255, dd, error))
            return nullptr;
        o.deviceType = static_cast<uint16_t>(type);
        o.deviceRevision = static_cast<uint8_t>(rev);
        o.ddRevision = static_cast<uint8_t>(dd);
        o.serial = dev.GetString("serial", "T0000001");
        o.pdTag = tag;
        o.address = static_cast<uint8_t>(address);
        o.blockTagPrefix = dev.GetString("blockTagPrefix", "PT");
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
    long flags = 0, settle = static_cast<long>(d->settleMs), restart = static_cast<long>(d->restartMs);
    if (!ReadInt(dev, "classFlags", 0, 0x7FFFFFFF, flags, error) ||
        !ReadInt(dev, "settleMs", 0, 600000, settle, error) || !ReadInt(dev, "restartMs", 0, 600000, restart, error))
        return nullptr;
    d->classFlagsOverride = static_cast<uint32_t>(flags);
    d->listedWhenSilent = dev.GetBool("listedWhenSilent", d->listedWhenSilent);
    d->settleMs = static_cast<uint64_t>(settle);
    d->restartMs = static_cast<uint64_t>(restart);
    if (const JsonValue* swing = dev.Find("processSwing")) {
        long period = 0;
        if (!swing->IsObject() || !ReadInt(*swing, "periodSec", 1, 86400, period, error)) {
            if (error.empty()) error = "processSwing must be an object";
            return nullptr;
        }
        const double amplitude = swing->GetNumber("amplitude", 0);
        if (!(amplitude >= 0 && amplitude <= 1000)) {
            error = "processSwing amplitude must lie from 0 to 1000";
            return nullptr;
        }
        d->processSwing = amplitude;
        d->processSwingPeriodMs = static_cast<uint64_t>(period) * 1000u;
    }
    if (const JsonValue* f = dev.Find("faults")) {
        long at = 0, len = 0, seed = 1;
        if (!ReadInt(*f, "silentAtMs", 0, 0x7FFFFFFF, at, error) ||
            !ReadInt(*f, "silentForMs", 0, 0x7FFFFFFF, len, error) || !ReadInt(*f, "seed", 1, 0x7FFFFFFF, seed, error))
            return nullptr;
        d->faults.silentFromMs = static_cast<uint64_t>(at);
        d->faults.silentUntilMs = static_cast<uint64_t>(at + len);
        double rate = f->GetNumber("commErrorRate", 0);
        if (rate < 0 || rate > 1) {
            error = "commErrorRate must lie from 0 to 1";
            return nullptr;
        }
        d->faults.commErrorRate = rate;
        d->faults.vfdChangedOnce = f->GetBool("vfdChangedOnce", false);
        d->faults.randomState ^= static_cast<uint64_t>(seed) * 0x9E3779B97F4A7C15ull;
    }
    return d;
}

bool BuildInterface(const JsonValue& j, size_t number, bool listedWhenSilent, Interface& ifc,
                    std::set<std::string>& ids, std::string& error) {
    if (!j.IsObject()) {
        error = "an interface must be an object";
        return false;
    }
    ifc.name = j.GetString("name", "Interface" + std::to_string(number) + "-0");
    ifc.description = j.GetString("description", "H1 link " + std::to_string(number));
    std::string type = j.GetString("type", "H1");
    if (type != "H1" && type != "Ethernet") {
        error = "interface type must be H1 or Ethernet";
        return false;
    }
    ifc.ethernet = type == "Ethernet";
    if (ifc.name.size() > 65 || ifc.description.size() > 32) {
        error = "interface name (65) or description (32) too long";
        return false;
    }
    ifc.hostId = j.GetString("hostId", "0000000001NIFB-HOST-" + std::to_string(number));
    long host = 0x10;
    if (!ReadInt(j, "hostAddress", 0, 255, host, error)) return false;
    ifc.hostAddress = static_cast<uint8_t>(host);
    long firstUnpolled = 0x25, numUnpolled = 0xBA;
    if (!ReadInt(j, "firstUnpolledNode", 0, 255, firstUnpolled, error) ||
        !ReadInt(j, "numUnpolledNodes", 0, 255, numUnpolled, error))
        return false;
    if (!ifc.ethernet)
        ifc.host = BuildHostInterface(ifc.hostId, ifc.hostAddress, static_cast<uint8_t>(firstUnpolled),
                                      static_cast<uint8_t>(numUnpolled));
    if (const JsonValue* list = j.Find("liveList")) {
        if (!list->IsArray()) {
            error = "liveList must be an array";
            return false;
        }
        for (const JsonValue& e : list->Items()) {
            long addr = 0, flags = 0;
            if (!e.IsObject() || !ReadInt(e, "address", 0, 255, addr, error) ||
                !ReadInt(e, "classFlags", 0, 0x7FFFFFFF, flags, error)) {
                if (error.empty()) error = "a live-list record must be an object";
                return false;
            }
            nifLiveListEntry rec{};
            std::string id = e.GetString("deviceId"), tag = e.GetString("tag");
            if (id.size() > 32 || tag.size() > 32) {
                error = "live-list identifier or tag longer than 32 characters";
                return false;
            }
            id.copy(rec.deviceId, id.size());
            tag.copy(rec.pdTag, tag.size());
            rec.nodeAddress = static_cast<uint8_t>(addr);
            rec.classFlags = static_cast<uint32_t>(flags);
            ifc.extraEntries.push_back(rec);
        }
    }
    std::set<int> addresses = {ifc.hostAddress};
    if (const JsonValue* devs = j.Find("devices")) {
        if (!devs->IsArray()) {
            error = "devices must be an array";
            return false;
        }
        if (devs->Items().size() > kMaxDevicesPerLink) {
            error = "at most 40 devices fit on one link";
            return false;
        }
        for (const JsonValue& dj : devs->Items()) {
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
    if (!ParseJson(text, root, parseError)) {
        error = "segment file is not valid JSON: " + parseError;
        return nullptr;
    }
    if (!root.IsObject()) {
        error = "segment file must hold one JSON object";
        return nullptr;
    }
    auto seg = std::make_shared<Segment>(options.speed, options.manualClock);
    seg->name = root.GetString("name", "segment");
    seg->latency = root.GetBool("latency", false);
    if (options.latency >= 0) seg->latency = options.latency == 1;
    long timeout = 4000, die = 0, overhead = 10;
    if (!ReadInt(root, "responseTimeoutMs", 1, 600000, timeout, error) ||
        !ReadInt(root, "dieAfterMs", 0, 0x7FFFFFFF, die, error) ||
        !ReadInt(root, "latencyOverheadMs", 0, 1000, overhead, error)) {
        error = "segment file: " + error;
        return nullptr;
    }
    seg->responseTimeoutMs = static_cast<uint64_t>(timeout);
    seg->dieAtMs = static_cast<uint64_t>(die);
    seg->latencyOverheadMs = static_cast<uint32_t>(overhead);
    const JsonValue* ifcs = root.Find("interfaces");
    if (!ifcs || !ifcs->IsArray() || ifcs->Items().empty()) {
        error = "segment file needs a non-empty \"interfaces\" array";
        return nullptr;
    }
    std::set<std::string> ids;
    seg->interfaces.resize(ifcs->Items().size());
    for (size_t i = 0; i < ifcs->Items().size(); ++i) {
        if (!BuildInterface(ifcs->Items()[i], i, root.GetBool("listedWhenSilent", false), seg->interfaces[i], ids,
                            error)) {
            error = "segment file, interface " + std::to_string(i + 1) + ": " + error;
            return nullptr;
        }
        if (root.Find("settleMs") || options.settleMs >= 0) {
            long settle = 500;
            if (!ReadInt(root, "settleMs", 0, 600000, settle, error)) return nullptr;
            if (options.settleMs >= 0) settle = static_cast<long>(options.settleMs);
            for (auto& d : seg->interfaces[i].devices) d->settleMs = static_cast<uint64_t>(settle);
        }
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
