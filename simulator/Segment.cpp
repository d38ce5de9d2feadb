#include "simulator/Segment.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "simulator/DeviceClaim.h"

namespace simulator {

Segment::Segment(double speed, bool manualClock) : clock(speed, manualClock) {}

void Segment::Log(int level, const std::string& text) {
    if (level > logLevel || !logSink) return;
    logSink(text);
}

namespace {
nifLiveListEntry Entry(const std::string& id, const std::string& tag, uint8_t address, uint32_t flags) {
    nifLiveListEntry e;
    std::memset(&e, 0, sizeof e);
    std::strncpy(e.deviceId, id.c_str(), sizeof e.deviceId - 1);
    std::strncpy(e.pdTag, tag.c_str(), sizeof e.pdTag - 1);
    e.nodeAddress = address;
    e.classFlags = flags;
    return e;
}
}  // namespace

std::vector<nifLiveListEntry> Segment::LiveList(const Interface& ifc, uint64_t nowMs,
                                               const std::vector<uint32_t>* classFlags) const {
    std::vector<nifLiveListEntry> list = ifc.extraEntries;
    if (!ifc.ethernet) list.push_back(Entry(ifc.hostId, "", ifc.hostAddress, NIF_CLASS_INTERFACE));
    for (size_t i = 0; i < ifc.devices.size(); ++i) {
        const Device* d = ifc.devices[i].get();
        if (d->InLiveList(nowMs))
            list.push_back(Entry(d->deviceId, d->pdTag, d->address,
                                 classFlags && i < classFlags->size() ? (*classFlags)[i] : d->ClassFlags()));
        else if (d->ListedSilent(nowMs))
            list.push_back(Entry(d->deviceId, d->pdTag, d->address, NIF_CLASS_NOT_PRESENT));
    }
    std::stable_sort(list.begin(), list.end(), [](const nifLiveListEntry& a, const nifLiveListEntry& b) {
        return a.nodeAddress < b.nodeAddress;
    });
    return list;
}

Device* Segment::FindDevice(Interface& ifc, bool byId, const std::string& name) {
    std::string key = name;
    while (!key.empty() && key.back() == ' ') key.pop_back();
    for (auto& d : ifc.devices)
        if ((byId && d->deviceId == key) || (!byId && !d->pdTag.empty() && d->pdTag == key)) return d.get();
    if (byId && ifc.host && ifc.host->deviceId == key) return ifc.host.get();
    return nullptr;
}

Device* Segment::FindAnyDevice(const std::string& idOrTag, Interface** where) {
    for (Interface& ifc : interfaces)
        for (auto& d : ifc.devices)
            if (d->deviceId == idOrTag || (!d->pdTag.empty() && d->pdTag == idOrTag)) {
                if (where) *where = &ifc;
                return d.get();
            }
    return nullptr;
}

void Segment::WithDevice(const std::string& idOrTag, const std::function<void(Device*)>& work) {
    std::unique_lock<std::mutex> lock(mutex);
    Device* device = FindAnyDevice(idOrTag);
    if (!device) {
        work(nullptr);
        return;
    }
    DeviceClaim claim(*this, lock, *device);
    work(device);
}

uint64_t Segment::TransactionMs(size_t bytes) const {
    // Request and answer frames with about 20 bytes of protocol overhead each.
    double bits = static_cast<double>(bytes + 40) * 8.0;
    return latencyOverheadMs + static_cast<uint64_t>(bits / 31.25);
}

namespace {
JsonValue Refusal(const std::string& why) { return JsonValue{{"ok", false}, {"error", why}}; }
}  // namespace

int Segment::Control(const std::string& text, std::string& answer) {
    JsonValue cmd;
    std::string error;
    if (text.size() > kMaxControlBytes) {
        error = "control command longer than " + std::to_string(kMaxControlBytes) + " bytes";
    } else if (ParseJson(text, cmd, error)) {
        return Control(cmd, answer);
    }
    answer = DumpJson(Refusal("not a JSON command: " + error));
    return E_BAD_ARGUMENT;
}

int Segment::Control(const JsonValue& cmd, std::string& answer) {
    std::string what, error, deviceName;
    auto fail = [&](const std::string& why) {
        answer = DumpJson(Refusal(why));
        return static_cast<int>(E_BAD_ARGUMENT);
    };
    if (!cmd.is_object()) return fail("a command is a JSON object");
    if (!ReadText(cmd, "command", what, error) || !ReadText(cmd, "device", deviceName, error)) return fail(error);
    // Numbers are checked before anything changes: a refused command changes nothing.
    int64_t afterMs = 0, forMs = 10000, ms = -1;
    double rate = 0, factor = 0;
    bool on = false;
    if (what == "silence" && (!ReadWhole(cmd, "afterMs", 0, kMaxControlTimeMs, afterMs, error) ||
                              !ReadWhole(cmd, "forMs", 0, kMaxControlTimeMs, forMs, error)))
        return fail(error);
    if (what == "commErrors" && (!cmd.contains("rate") || !ReadReal(cmd, "rate", 0, 1, rate, error)))
        return fail(error.empty() ? "commErrors needs a rate from 0 to 1" : error);
    if (what == "restartTime" && (!cmd.contains("ms") || !ReadWhole(cmd, "ms", 0, 600000, ms, error)))
        return fail(error.empty() ? "restartTime needs ms from 0 to 600000" : error);
    if (what == "advance" && (!cmd.contains("ms") || !ReadWhole(cmd, "ms", 0, kMaxControlTimeMs, ms, error)))
        return fail(error.empty() ? "advance needs ms" : error);
    if (what == "speed" && (!cmd.contains("factor") || !ReadReal(cmd, "factor", kMinSpeed, kMaxSpeed, factor, error)))
        return fail(error.empty() ? "speed needs a factor" : error);
    if (what == "latency" && (!cmd.contains("on") || !ReadFlag(cmd, "on", on, error)))
        return fail(error.empty() ? "latency needs on: true or false" : error);

    std::unique_lock<std::mutex> lock(mutex);
    JsonValue reply = JsonValue::object();
    Device* device = nullptr;
    // A command that names a device works on it under its claim (released when this returns).
    std::optional<DeviceClaim> claim;
    if (cmd.contains("device")) {
        device = FindAnyDevice(deviceName);
        if (!device) return fail("no device " + deviceName);
        claim.emplace(*this, lock, *device);
    }
    const uint64_t now = clock.NowMs();
    if (what == "status") {
        JsonValue list = JsonValue::array();
        for (const Interface& ifc : interfaces)
            for (const auto& d : ifc.devices)
                list.push_back({{"interface", ifc.name},
                                {"deviceId", d->deviceId},
                                {"tag", d->pdTag},
                                {"address", d->address},
                                {"answering", d->IsAnswering(now)}});
        reply["devices"] = std::move(list);
        reply["timeMs"] = now;
        reply["modelledTransactions"] = modelledTransactions;
        reply["modelledBusMs"] = modelledBusMs;
    } else if (what == "silence") {
        if (!device) return fail("silence needs a device");
        device->faults.silentFromMs = now + static_cast<uint64_t>(afterMs);
        device->faults.silentUntilMs = device->faults.silentFromMs + static_cast<uint64_t>(forMs);
    } else if (what == "commErrors") {
        if (!device) return fail("commErrors needs a device");
        device->faults.commErrorRate = rate;
    } else if (what == "vfdChanged") {
        if (!device) return fail("vfdChanged needs a device");
        device->faults.vfdChangedOnce = true;
    } else if (what == "restart") {
        if (!device) return fail("restart needs a device");
        device->Restart(now);
    } else if (what == "restartTime") {
        if (!device) return fail("restartTime needs a device");
        device->restartMs = static_cast<uint64_t>(ms);
    } else if (what == "advance") {
        if (!clock.IsManual()) return fail("the clock is not manual");
        clock.Advance(static_cast<uint64_t>(ms));
    } else if (what == "speed") {
        clock.SetSpeed(factor);
    } else if (what == "latency") {
        latency = on;
    } else if (what == "die") {
        dieRequested = true;
    } else if (const int st = device && device->extension ? claim->Unlocked([&] {
                   device->Advance(now);  // catch up with the clock, without holding up other calls
                   return device->extension->Control(*device, what, cmd, now, reply, error);
               })
                                                            : -1;
               st >= 0) {
        // A command of the device's own extensions (firmware errors, valve faults and state).
        if (st != 0) return fail(error);
    } else {
        return fail("unknown command '" + what + "'");
    }
    reply["ok"] = true;
    answer = DumpJson(reply);
    changed.notify_all();
    return E_OK;
}

}  // namespace simulator
