// set: one parameter of a device written, with the program's mode rules and questions.
#include <cstring>

#include "cli/Context.h"
#include "cli/ParameterValue.h"
#include "cli/WriteRules.h"
#include "fieldbus/ModeControl.h"
#include "fieldbus/OperationState.h"
#include "logon/HasPrivilege.h"
#include "platform/Ui.h"
#include "values/ValueCodec.h"

namespace cli {

namespace {

// Logon classes of a write: a parameter of the device's configuration as the Configure sheet
// writes it; an operating value with a block-mode rule (AO OUT and SP, PID OUT, SP and
// FF_GAIN) as the trend window's positioner output.
constexpr int kConfigurationPrivilege = 4;
constexpr int kOperatingValuePrivilege = 5;

// The writes with a block-mode rule go through the program's own accessor.
int WriteWithModeRule(fieldbus::FieldbusDevice& device, const ParameterAddress& address, const std::vector<uint8_t>& bytes) {
    uint8_t copy[4] = {};
    std::memcpy(copy, bytes.data(), std::min<size_t>(bytes.size(), 4));
    const float value = values::ValueCodec::Instance().ReadFloat(copy);
    using fieldbus::BlockKind;
    if (address.kind == BlockKind::AO && address.name == "OUT.VALUE") return device.WriteAoOutValue(value);
    if (address.kind == BlockKind::AO && address.name == "SP.VALUE") return device.WriteAoSpValue(value);
    if (address.kind == BlockKind::PID && address.name == "OUT.VALUE") return device.WritePidOutValue(value);
    if (address.kind == BlockKind::PID && address.name == "SP.VALUE") return device.WritePidSpValue(value);
    return device.WritePidFfGain(value);
}

// The target modes of the blocks a configuration change takes out of service, in the order
// they are put back (TB before AO, which follows it).
using BlockTargets = std::vector<std::pair<int, uint8_t>>;

BlockTargets ReadTargets(fieldbus::FieldbusDevice& device) {
    BlockTargets targets;
    for (const fieldbus::BlockKind kind : {fieldbus::BlockKind::TB, fieldbus::BlockKind::AO, fieldbus::BlockKind::PID}) {
        const int block = device.BlockOf(kind);
        uint8_t target = 0;
        if (block >= 0 && device.ReadTargetMode(block, target) == 0) targets.emplace_back(block, target);
    }
    return targets;
}

// After a failed write: the blocks get back the targets they had before. 0 when all did.
int PutBackTargets(fieldbus::FieldbusDevice& device, const BlockTargets& targets) {
    int result = 0;
    for (const auto& [block, target] : targets) {
        uint8_t now = 0;
        if (device.ReadTargetMode(block, now) == 0 && now == target) continue;
        if (device.SetBlockMode(block, target) != 0) result = 1;
    }
    return result;
}

int RunSet(Context& ctx) {
    const std::string& tag = ctx.Argument(0);
    const std::string& input = ctx.Argument(2);
    const int slot = ctx.OpenDeviceByTag(tag);
    if (slot < 0) return kExitFailed;
    fieldbus::FieldbusDevice& device = ctx.Link().Device(slot);

    ParameterAddress address;
    ValueType type;
    std::vector<uint8_t> bytes;
    std::string error;
    if (ResolveParameter(device, ctx.Argument(1), address, error) != 0) {
        ctx.Error(error);
        return kExitUsage;
    }
    if (SimpleTypeOf(device, address, type, error) != 0) {
        ctx.Pump();
        if (!error.empty()) ctx.Error(error);
        return kExitFailed;
    }
    // The value is checked against the description before anything changes on the device.
    if (ParseSimple(type, input, bytes, error) != 0) {
        ctx.Error(error);
        return kExitUsage;
    }
    const WriteRule rule = WriteRuleOf(address.kind, address.name);
    if (!logon::HasPrivilege(rule == WriteRule::ModeRule ? kOperatingValuePrivilege : kConfigurationPrivilege))
        return kExitRefused;
    ShownValue before;
    const bool known = ReadShownValue(device, address, before) == 0;
    ctx.Pump();
    const std::string now = known ? before.text : std::string("unknown");
    if (platform::ShowMessage("Write " + input + " to " + address.Text() + " of " + tag + " (now " + now + ") ?",
                              platform::MB_YESNO | platform::MB_ICONQUESTION | platform::MB_DEFBUTTON2) !=
        platform::IDYES)
        return kExitRefused;

    int written = 1;
    switch (rule) {
        case WriteRule::ModeRule: written = WriteWithModeRule(device, address, bytes); break;
        case WriteRule::Prepared: {
            // Out of service first, after the program's warning; declining writes nothing.
            const BlockTargets targets = ReadTargets(device);
            written = device.PrepareConfigurationChange();
            // The PID block is told to go out of service without waiting for it; the write
            // waits until it is (at most 100 s), or the block would refuse it.
            if (written == 0 && address.kind == fieldbus::BlockKind::PID)
                written = fieldbus::ModeControl(device).WaitForActualMode(address.block, fieldbus::kModeOos);
            if (written == 0 && Interrupted()) {
                ctx.Error(std::string("Error: Ended by ") + SignalName(EndingSignal()) + " before the write.");
                written = 1;
            }
            if (written == 0) written = device.WriteParameter(address.block, address.name, bytes.data(), type.size);
            // A write that did not happen leaves the device as it found it.
            if (written == 1) {
                ctx.Pump();
                if (PutBackTargets(device, targets) == 0)
                    ctx.Error("The block modes of " + tag + " were put back as they were before.");
                else
                    ctx.Error("Error: The block modes of " + tag + " could not be put back; \"state\" changes them.");
            }
            break;
        }
        case WriteRule::Failsafe:
            written = device.CanReleaseFailsafe();
            if (written == 0) written = device.WriteParameter(address.block, address.name, bytes.data(), type.size);
            break;
        case WriteRule::Plain:
            written = device.WriteParameter(address.block, address.name, bytes.data(), type.size);
            break;
    }
    ctx.Pump();
    if (written == 2) return kExitRefused;
    if (written != 0) {
        ctx.Error("Error: Writing " + address.Text() + " of " + tag + " failed.");
        return kExitFailed;
    }
    ShownValue after;
    const bool readBack = ReadShownValue(device, address, after) == 0;
    ctx.Pump();
    if (ctx.Json()) {
        ctx.PrintJson({{"tag", tag},
                       {"parameter", address.Text()},
                       {"before", known ? before.json : JsonValue()},
                       {"after", readBack ? after.json : JsonValue()}});
    } else {
        ctx.Print(address.Text() + ": " + now + " -> " + (readBack ? after.text : std::string("written, not read back")));
    }
    return readBack ? kExitOk : kExitFailed;
}

}  // namespace

Verb SetVerb() {
    Verb verb;
    verb.name = "set";
    verb.arguments = "TAG BLOCK.PARAM[.MEMBER] VALUE";
    verb.summary = "write one parameter of a device";
    verb.description =
        "Opens the device with the PD tag TAG, shows the parameter's value, asks whether to write VALUE, writes it "
        "the way Tessaro does and reads it back. Parameters are named as for \"get\"; of a record one member is "
        "written at a time (AO.XD_SCALE.EU_100).\n\n"
        "VALUE is a number (hex with 0x), an enumeration text (\"Air To Close\") or value, bit names joined by "
        "\"+\" (\"none\" for no bit) or a number, a float (1.#INF and -1.#INF for the infinities), or a text. "
        "A negative number is taken as the value, not as an option.\n\n"
        "The program's rules apply: configuration parameters (servo tuning, characterisation, ranges, limits, "
        "options) take the device out of service first, after the program's warning; AO OUT is written only in "
        "MAN, the PID set point only in AUTO or MAN, PID OUT only with target MAN, PID FF_GAIN only in MAN, OOS or "
        "IMAN; RELEASE_FAILSAFE only when it reads \"Clear (Latched)\". A write the program or the device refuses "
        "ends with exit status 1 and its message: the program's own, or the device's communication message "
        "(\"Device <tag> Error (<status>): <name> @ <time>\"). The device is left as the write left it (out of "
        "service after a configuration change; \"state\" puts it back); a configuration write that fails puts the "
        "block modes back as they were. An enumeration value that is none of the choices is refused before anything "
        "changes (exit status 64).\n\n"
        "Needs the logon level of the program's Configure sheet (3 or more); AO OUT and SP, PID OUT, SP and FF_GAIN "
        "need a level above 0, as the trend window's positioner output. --yes answers the questions.";
    verb.examples = {"tessaro-cli set FV-101 TB.SERVO_GAIN 130 --yes", "tessaro-cli set FV-101 AO.IO_OPTS none --yes",
                     "tessaro-cli set FV-101 TB.ACT_FAIL_ACTION \"Air To Close\""};
    verb.minArguments = 3;
    verb.maxArguments = 3;
    verb.run = RunSet;
    return verb;
}

}  // namespace cli
