#include "simulator/Segment.h"

#include <algorithm>
#include <cstring>

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

std::vector<nifLiveListEntry> Segment::LiveList(const Interface& ifc, uint64_t nowMs) const {
    std::vector<nifLiveListEntry> list = ifc.extraEntries;
    if (!ifc.ethernet) list.push_back(Entry(ifc.hostId, "", ifc.hostAddress, NIF_CLASS_INTERFACE));
    for (const auto& d : ifc.devices) {
        if (d->InLiveList(nowMs))
            list.push_back(Entry(d->deviceId, d->pdTag, d->address, d->ClassFlags()));
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

uint64_t Segment::TransactionMs(size_t bytes) const {
    // Request and answer frames with about 20 bytes of protocol overhead each.
    double bits = static_cast<double>(bytes + 40) * 8.0;
    return latencyOverheadMs + static_cast<uint64_t>(bits / 31.25);
}

int Segment::Control(const JsonValue& cmd, std::string& answer) {
    std::unique_lock<std::mutex> lock(mutex);
    std::string what = cmd.GetString("command");
    uint64_t now = clock.NowMs();
    JsonValue reply = JsonValue::MakeObject();
    auto fail = [&](const std::string& why) {
        reply.Set("ok", JsonValue::MakeBool(false));
        reply.Set("error", JsonValue::MakeString(why));
        answer = reply.Dump();
        return static_cast<int>(E_BAD_ARGUMENT);
    };
    Device* device = nullptr;
    if (cmd.Find("device")) {
        device = FindAnyDevice(cmd.GetString("device"));
        if (!device) return fail("no device " + cmd.GetString("device"));
    }
    if (what == "status") {
        JsonValue list = JsonValue::MakeArray();
        for (const Interface& ifc : interfaces)
            for (const auto& d : ifc.devices) {
                JsonValue item = JsonValue::MakeObject();
                item.Set("interface", JsonValue::MakeString(ifc.name));
                item.Set("deviceId", JsonValue::MakeString(d->deviceId));
                item.Set("tag", JsonValue::MakeString(d->pdTag));
                item.Set("address", JsonValue::MakeNumber(d->address));
                item.Set("answering", JsonValue::MakeBool(d->IsAnswering(now)));
                list.Push(item);
            }
        reply.Set("devices", list);
        reply.Set("timeMs", JsonValue::MakeNumber(static_cast<double>(now)));
    } else if (what == "silence") {
        if (!device) return fail("silence needs a device");
        device->faults.silentFromMs = now + static_cast<uint64_t>(cmd.GetNumber("afterMs", 0));
        device->faults.silentUntilMs = device->faults.silentFromMs + static_cast<uint64_t>(cmd.GetNumber("forMs", 10000));
    } else if (what == "commErrors") {
        if (!device) return fail("commErrors needs a device");
        device->faults.commErrorRate = std::clamp(cmd.GetNumber("rate", 0), 0.0, 1.0);
    } else if (what == "vfdChanged") {
        if (!device) return fail("vfdChanged needs a device");
        device->faults.vfdChangedOnce = true;
    } else if (what == "restart") {
        if (!device) return fail("restart needs a device");
        device->Restart(now);
    } else if (what == "restartTime") {
        if (!device) return fail("restartTime needs a device");
        const double ms = cmd.GetNumber("ms", -1);
        if (!(ms >= 0 && ms <= 600000)) return fail("restartTime needs ms from 0 to 600000");
        device->restartMs = static_cast<uint64_t>(ms);
    } else if (what == "advance") {
        if (!clock.IsManual()) return fail("the clock is not manual");
        clock.Advance(static_cast<uint64_t>(cmd.GetNumber("ms", 0)));
    } else if (what == "speed") {
        double f = cmd.GetNumber("factor", 0);
        if (f <= 0) return fail("speed needs a positive factor");
        clock.SetSpeed(f);
    } else if (what == "latency") {
        latency = cmd.GetBool("on", latency);
    } else if (what == "die") {
        dieRequested = true;
    } else {
        return fail("unknown command '" + what + "'");
    }
    reply.Set("ok", JsonValue::MakeBool(true));
    answer = reply.Dump();
    changed.notify_all();
    return E_OK;
}

}  // namespace simulator
