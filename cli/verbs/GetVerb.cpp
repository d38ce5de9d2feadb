// get: parameters of a device, read and formatted.
#include "cli/Context.h"
#include "cli/ParameterValue.h"

namespace cli {

namespace {

int RunGet(Context& ctx) {
    const std::string& tag = ctx.Argument(0);
    const int slot = ctx.OpenDeviceByTag(tag);
    if (slot < 0) return kExitFailed;
    fieldbus::FieldbusDevice& device = ctx.Link().Device(slot);
    const bool single = ctx.Arguments().size() == 2;

    int result = kExitOk;
    JsonValue values = JsonValue::array();
    for (size_t i = 1; i < ctx.Arguments().size(); ++i) {
        ParameterAddress address;
        std::string error;
        ShownValue value;
        if (ResolveParameter(device, ctx.Argument(i), address, error) != 0) {
            ctx.Error(error);
            result = kExitFailed;
            continue;
        }
        if (ReadShownValue(device, address, value) != 0) {
            ctx.Pump();
            ctx.Error("Error: Reading " + address.Text() + " of " + tag + " failed.");
            result = kExitFailed;
            continue;
        }
        values.push_back({{"parameter", address.Text()}, {"value", value.json}});
        if (ctx.Json()) continue;
        if (value.members.empty()) {
            ctx.Print(single ? value.text : address.Text() + " = " + value.text);
        } else {
            for (const ShownValue& member : value.members)
                ctx.Print((single ? member.name : address.Text() + "." + member.name) + " = " + member.text);
        }
    }
    ctx.Pump();
    if (ctx.Json()) ctx.PrintJson({{"tag", tag}, {"values", values}});
    return result;
}

}  // namespace

Verb GetVerb() {
    Verb verb;
    verb.name = "get";
    verb.arguments = "TAG BLOCK.PARAM[.MEMBER]...";
    verb.summary = "read parameters of a device";
    verb.description =
        "Opens the device with the PD tag TAG and reads each named parameter. BLOCK is the kind of block (RB, TB, "
        "AO, PID, DI1, DI2, SPLT) or a block tag; PARAM and MEMBER are the names of the device description, "
        "compared exactly (upper case).\n\n"
        "Values are formatted as Tessaro shows them: enumerations by their text and value (\"Air To Open (1)\"), "
        "bit strings by their value and the names of the set bits, unsigned numbers in decimal and as the value "
        "codec writes them (\"20 (0x14)\"), floats with infinities as \"1.#INF\". A record is shown member by "
        "member. With one parameter the answer is the value alone; with several, one \"NAME = value\" line each.\n\n"
        "A parameter the device cannot read ends with exit status 1, after the device's communication message "
        "(\"Device <tag> Error (<status>): <name> @ <time>\").";
    verb.examples = {"tessaro-cli get FV-101 TB.SERVO_GAIN", "tessaro-cli get FV-101 AO.XD_SCALE",
                     "tessaro-cli get FV-101 TB.FINAL_POSITION_VALUE.VALUE AO.MODE_BLK.ACTUAL --json"};
    verb.minArguments = 2;
    verb.maxArguments = -1;
    verb.run = RunGet;
    return verb;
}

}  // namespace cli
