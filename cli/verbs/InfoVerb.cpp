// info: a device's identity, blocks, modes and operation state.
#include "app/DeviceData.h"
#include "app/DeviceDisplay.h"
#include "cli/Context.h"
#include "config/DeviceIdentity.h"
#include "cli/TextTable.h"
#include "fieldbus/OperationState.h"
#include "platform/Ui.h"

using platform::Format;

namespace cli {

using config::DeviceIdentity;
using config::IdentityOf;
using config::TypeText;

namespace {

std::string BlockTypeText(uint8_t type) {
    switch (type) {
        case 1: return "function block";
        case 2: return "transducer block";
        case 4: return "resource block";
        default: return Format("type %u", type);
    }
}

int RunInfo(Context& ctx) {
    const std::string& tag = ctx.Argument(0);
    const int slot = ctx.OpenDeviceByTag(tag);
    if (slot < 0) return kExitFailed;
    fieldbus::FieldbusLink& link = ctx.Link();
    fieldbus::FieldbusDevice& device = link.Device(slot);

    const app::DeviceData data = app::ReadDeviceData(device);
    ctx.Pump();
    if (!data.ok) {
        ctx.Error(Format("Error: Failed to read the device data of %s.", tag.c_str()));
        return kExitFailed;
    }
    const DeviceIdentity identity = IdentityOf(link.GetDeviceId(slot));
    std::string vendor, model, revision;
    device.GetIdentification(vendor, model, revision);
    const fieldbus::LinkMasterFlags flags = device.GetLinkMasterFlags();
    int state = fieldbus::kUnnamedState;
    const bool stateRead = device.ReadOperationState(state) == 0;

    JsonValue blocks = JsonValue::array();
    std::vector<TableRow> rows = {{"BLOCK", "TAG", "TYPE", "TARGET", "ACTUAL", "PERMITTED"}};
    for (int block = 0; block < device.GetBlockCount(); ++block) {
        std::string kind;
        for (int k = 0; k < fieldbus::kBlockKindCount; ++k)
            if (device.BlockOf(static_cast<fieldbus::BlockKind>(k)) == block)
                kind = fieldbus::BlockKindName(static_cast<fieldbus::BlockKind>(k));
        const fieldbus::BlockRecord record = device.GetBlockRecord(block);
        uint8_t target = 0, actual = 0, permitted = 0;
        const bool modes = device.ReadTargetMode(block, target) == 0 && device.ReadActualMode(block, actual) == 0 &&
                           device.ReadPermittedModes(block, permitted) == 0;
        auto mode = [modes](uint8_t m) { return modes ? app::ModeText(m) : std::string("?"); };
        rows.push_back({kind.empty() ? "-" : kind, record.tag, BlockTypeText(record.blockType), mode(target),
                        mode(actual), mode(permitted)});
        JsonValue entry = {{"number", block},
                                {"kind", kind},
                                {"tag", record.tag},
                                {"type", BlockTypeText(record.blockType)},
                                {"startIndex", record.startIndex},
                                {"parameters", record.numParameters}};
        if (modes) entry["modes"] = {{"target", app::ModeText(target)}, {"actual", app::ModeText(actual)},
                                     {"permitted", app::ModeText(permitted)}};
        blocks.push_back(entry);
    }
    ctx.Pump();

    const uint8_t address = link.GetNodeAddress(slot);
    const std::string stateText = stateRead ? fieldbus::OperationStateName(state) : std::string("unknown");
    const std::string linkMaster = flags.configuredAsLinkMaster ? "configured as link master"
                                   : flags.linkMasterCapable   ? "capable, running as basic device"
                                                               : "no";
    if (ctx.Json()) {
        ctx.PrintJson({{"tag", tag},
                       {"address", address},
                       {"deviceId", link.GetDeviceId(slot)},
                       {"manufacturerId", identity.manufacturerId},
                       {"family", identity.family},
                       {"deviceType", data.deviceType},
                       {"deviceRevision", data.deviceRevision},
                       {"vendor", vendor},
                       {"model", model},
                       {"revision", revision},
                       {"firmwareRevision", data.firmwareRevision.empty() ? JsonValue() : JsonValue(data.firmwareRevision)},
                       {"linkMasterCapable", flags.linkMasterCapable},
                       {"linkMaster", flags.configuredAsLinkMaster},
                       {"operationState", stateText},
                       {"units", {{"position", data.positionUnit}, {"pressure", data.pressureUnit},
                                  {"temperature", data.temperatureUnit}}},
                       {"blocks", blocks}});
        return kExitOk;
    }
    ctx.Print("Tag:              " + tag);
    ctx.Print("Identity:         " + app::IdentityLine(data, address, link.GetDeviceId(slot)));
    ctx.Print("Type:             " + TypeText(identity, link.IsPositioner(slot)));
    ctx.Print("Vendor/model:     " + vendor + " / " + model + " / " + revision);
    ctx.Print("Link master:      " + linkMaster);
    auto unit = [](const std::string& text) { return text.empty() ? std::string("-") : text; };
    ctx.Print("Units:            position " + unit(data.positionUnit) + ", pressure " + unit(data.pressureUnit) +
              ", temperature " + unit(data.temperatureUnit));
    ctx.Print("Operation state:  " + stateText);
    ctx.Print("");
    for (const std::string& line : FormatTable(rows)) ctx.Print(line);
    return kExitOk;
}

}  // namespace

Verb InfoVerb() {
    Verb verb;
    verb.name = "info";
    verb.arguments = "TAG";
    verb.summary = "a device's identity, blocks, modes and operation state";
    verb.description =
        "Opens the device with the PD tag TAG and shows its identity (device type and revision, node address, "
        "device identifier, the revision of the firmware it runs, family, the vendor, model and revision of its "
        "function-block VFD), whether it can "
        "be or is a link master, the units of its position, pressure and temperature, its operation state, and "
        "each block with its kind, tag, type and target, actual and permitted modes.";
    verb.examples = {"tessaro-cli info FV-101", "tessaro-cli info KV-202 --json"};
    verb.minArguments = 1;
    verb.maxArguments = 1;
    verb.run = RunInfo;
    return verb;
}

}  // namespace cli
