// state: a device's operation state shown or changed, with the program's warnings.
#include <strings.h>

#include "cli/Context.h"
#include "config/CConfigData.h"
#include "config/OfflineDefault.h"
#include "fieldbus/DeviceCommands.h"
#include "fieldbus/OperationState.h"

namespace cli {

namespace {

int StateOf(const std::string& word) {
    const char* w = word.c_str();
    if (strcasecmp(w, "normal") == 0) return fieldbus::kNormalState;
    if (strcasecmp(w, "manual") == 0) return fieldbus::kManualState;
    if (strcasecmp(w, "oos") == 0 || strcasecmp(w, "out-of-service") == 0) return fieldbus::kOutOfService;
    return -1;
}

// Whether bumpless transfer is configured: the offline default configuration, as the program
// has it before a configuration is read, unless --bumpless says otherwise.
bool BumplessConfigured(Context& ctx) {
    const std::string option = ctx.Option("bumpless");
    if (strcasecmp(option.c_str(), "on") == 0) return true;
    if (strcasecmp(option.c_str(), "off") == 0) return false;
    config::CConfigData& data = config::CurrentConfig();
    std::string ignored;
    config::LoadOfflineDefaultFile(data, ignored, config::ExecutableFolder());
    return data.option.bumplessTransfer != 0;
}

int RunState(Context& ctx) {
    const std::string& tag = ctx.Argument(0);
    int requested = -1;
    if (ctx.Arguments().size() > 1) {
        requested = StateOf(ctx.Argument(1));
        if (requested < 0) {
            ctx.Error("Error: \"" + ctx.Argument(1) + "\" is no operation state: normal, manual or oos.");
            return kExitUsage;
        }
    }
    const std::string bumpless = ctx.Option("bumpless");
    if (!bumpless.empty() && strcasecmp(bumpless.c_str(), "on") != 0 && strcasecmp(bumpless.c_str(), "off") != 0) {
        ctx.Error("Error: --bumpless takes on or off.");
        return kExitUsage;
    }
    const int slot = ctx.OpenDeviceByTag(tag);
    if (slot < 0) return kExitFailed;
    fieldbus::FieldbusDevice& device = ctx.Link().Device(slot);

    int before = fieldbus::kUnnamedState;
    if (device.ReadOperationState(before) != 0) {
        ctx.Pump();
        ctx.Error("Error: Reading the operation state of " + tag + " failed.");
        return kExitFailed;
    }
    int result = kExitOk;
    int after = before;
    if (requested >= 0) {
        result = fieldbus::RequestOperationState(device, requested, BumplessConfigured(ctx), before);
        ctx.Pump();
        if (device.ReadOperationState(after) != 0) after = fieldbus::kUnnamedState;
        ctx.Pump();
    }
    if (ctx.Json()) {
        JsonValue answer = {{"tag", tag}, {"state", fieldbus::OperationStateName(after)}};
        if (requested >= 0) answer["before"] = fieldbus::OperationStateName(before);
        ctx.PrintJson(answer);
    } else if (requested >= 0 && result != 2) {
        ctx.Print(tag + ": " + fieldbus::OperationStateName(before) + " -> " + fieldbus::OperationStateName(after));
    } else {
        ctx.Print(tag + ": " + fieldbus::OperationStateName(after));
    }
    return result;
}

}  // namespace

Verb StateVerb() {
    Verb verb;
    verb.name = "state";
    verb.arguments = "TAG [normal|manual|oos]";
    verb.summary = "show or change a device's operation state";
    verb.description =
        "Without a state, shows the operation state of the device with the PD tag TAG as the program derives it "
        "from the block modes: NORMAL STATE, MANUAL STATE, OUT OF SERVICE or UNDEFINED STATE.\n\n"
        "With a state, changes to it exactly as the program's Operation State commands do, with their warnings: "
        "MANUAL and OUT OF SERVICE warn that the valve stops following its set point (not when the device already "
        "is out of service); NORMAL with bumpless transfer configured asks when the set point and the valve "
        "position do not match, and copies the valve position into the set points on the way. --yes answers the "
        "warnings; declining ends with exit status 2, a failed change with 1 and \"Error: Failed to change the "
        "device operation state.\".";
    verb.options = {{"bumpless", "on|off",
                     "Whether bumpless transfer is configured. Without it, the setting of the offline default "
                     "configuration applies, as in the program before a configuration is read.",
                     ""}};
    verb.examples = {"tessaro-cli state FV-101", "tessaro-cli state FV-101 manual --yes",
                     "tessaro-cli state FV-101 normal --yes"};
    verb.minArguments = 1;
    verb.maxArguments = 2;
    verb.run = RunState;
    return verb;
}

}  // namespace cli
