// scan: the live list of the link.
#include "cli/Context.h"
#include "config/DeviceIdentity.h"
#include "cli/TextTable.h"
#include "nifb/nifb.h"
#include "platform/Ui.h"

using platform::Format;

namespace cli {

using config::DeviceIdentity;
using config::IdentityOf;
using config::TypeText;

namespace {

int RunScan(Context& ctx) {
    if (ctx.ConnectLink() != 0) return kExitFailed;
    fieldbus::FieldbusLink& link = ctx.Link();
    JsonValue devices = JsonValue::array();
    std::vector<TableRow> rows = {{"TAG", "ADDRESS", "DEVICE ID", "TYPE", "STATE"}};
    for (int slot : ctx.ListedSlots()) {
        const std::string id = link.GetDeviceId(slot);
        const DeviceIdentity identity = IdentityOf(id);
        const bool positioner = link.IsPositioner(slot);
        const bool present = link.IsPresent(slot);
        const bool linkMaster = (link.GetClassFlags(slot) & NIF_CLASS_LINK_MASTER) != 0;
        const uint8_t address = link.GetNodeAddress(slot);
        std::string state = present ? "live" : "not responding";
        if (present && linkMaster) state += ", link master";
        rows.push_back({link.GetTag(slot), Format("0x%02x (%u)", address, address), id, TypeText(identity, positioner),
                        state});
        devices.push_back({{"tag", link.GetTag(slot)},
                           {"address", address},
                           {"deviceId", id},
                           {"manufacturerId", identity.manufacturerId},
                           {"deviceType", identity.deviceType},
                           {"family", identity.family},
                           {"positioner", positioner},
                           {"present", present},
                           {"linkMaster", linkMaster}});
    }
    if (ctx.Json()) {
        ctx.PrintJson({{"interface", link.InterfaceName()}, {"devices", devices}});
    } else {
        for (const std::string& line : FormatTable(rows)) ctx.Print(line);
    }
    return kExitOk;
}

}  // namespace

Verb ScanVerb() {
    Verb verb;
    verb.name = "scan";
    verb.summary = "the live list of the Fieldbus link";
    verb.description =
        "Scans the link as Tessaro does at start and lists every device of its live list: PD tag, node "
        "address, device identifier, type (the two positioner families, RPX110 and KPX110, or another device) "
        "and state (live, or not responding; link master when the device runs as one).\n\n"
        "The other verbs name a device by its PD tag as this list shows it.";
    verb.examples = {"tessaro-cli scan", "tessaro-cli scan --json"};
    verb.run = RunScan;
    return verb;
}

}  // namespace cli
