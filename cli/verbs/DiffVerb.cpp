// diff: the differences between two configurations, from files or devices.
#include <filesystem>

#include "cli/ConfigComparison.h"
#include "cli/ConfigSources.h"
#include "cli/Context.h"
#include "cli/OutputPath.h"
#include "platform/Ui.h"

using platform::Format;

namespace cli {

namespace {

struct Source {
    std::string name;
    bool file = false;
    config::CConfigData data;
};

// An argument naming an existing file is a configuration file; anything else a PD tag.
int Load(Context& ctx, const std::string& argument, Source& source) {
    std::error_code ec;
    source.name = argument;
    source.file = std::filesystem::is_regular_file(argument, ec);
    if (source.file) return LoadConfigurationFile(ctx, argument, source.data);
    ctx.Progress("Reading the configuration of " + argument + " ...");
    return ReadConfigurationOf(ctx, argument, source.data);
}

std::string Described(const Source& source) { return source.name + (source.file ? " (file)" : " (device)"); }

int RunDiff(Context& ctx) {
    Source first, second;
    // A configuration file named by a path is never taken for a device tag.
    for (const std::string& argument : ctx.Arguments()) {
        std::error_code ec;
        if (NamesAFile(argument, ".dmp") && !std::filesystem::is_regular_file(argument, ec)) {
            ctx.Error("Error: No configuration file " + argument + ".");
            return kExitUsage;
        }
    }
    if (Load(ctx, ctx.Argument(0), first) != 0 || Load(ctx, ctx.Argument(1), second) != 0) return kExitFailed;
    const CompareScope scope = ctx.Flag("all") ? CompareScope::All : CompareScope::Configuration;
    const std::vector<FieldDifference> differences = CompareConfigurations(first.data, second.data, scope);

    // Groups in order, each with its fields.
    std::vector<std::string> groups;
    for (const FieldDifference& d : differences)
        if (groups.empty() || groups.back() != d.group) groups.push_back(d.group);

    if (ctx.Json()) {
        JsonValue list = JsonValue::array();
        for (const std::string& group : groups) {
            JsonValue fields = JsonValue::array();
            for (const FieldDifference& d : differences)
                if (d.group == group) fields.push_back({{"field", d.field}, {"first", d.first}, {"second", d.second}});
            list.push_back({{"group", group}, {"fields", fields}});
        }
        ctx.PrintJson({{"first", {{"source", first.name}, {"kind", first.file ? "file" : "device"}}},
                       {"second", {{"source", second.name}, {"kind", second.file ? "file" : "device"}}},
                       {"identical", differences.empty()},
                       {"groups", list}});
        return kExitOk;
    }
    ctx.Print("--- " + Described(first));
    ctx.Print("+++ " + Described(second));
    if (differences.empty()) {
        ctx.Print("No differences.");
        return kExitOk;
    }
    std::string names;
    for (const std::string& group : groups) {
        ctx.Print("[" + group + "]");
        for (const FieldDifference& d : differences)
            if (d.group == group)
                ctx.Print("  " + d.field + ": " + (d.first.empty() ? "(none)" : d.first) + " -> " +
                          (d.second.empty() ? "(none)" : d.second));
        names += (names.empty() ? "" : ", ") + group;
    }
    ctx.Print(Format("%zu field%s differ%s in %zu group%s: %s.", differences.size(), differences.size() == 1 ? "" : "s",
                     differences.size() == 1 ? "s" : "", groups.size(), groups.size() == 1 ? "" : "s", names.c_str()));
    return kExitOk;
}

}  // namespace

Verb DiffVerb() {
    Verb verb;
    verb.name = "diff";
    verb.arguments = "FILE|TAG FILE|TAG";
    verb.summary = "configuration differences, group by group";
    verb.description =
        "Compares two configurations, each a configuration file (an argument that names an existing file) or the "
        "configuration read from the positioner with that PD tag, and lists the fields that differ group by group "
        "(General, Position, Actuator, AO Block, PID Block, Option) as \"FIELD: first -> second\". Fields are named "
        "after their device parameters (TB.SERVO_GAIN, PID.PV_SCALE.EU_100) or by what they are (PD tag, Boot "
        "class).\n\n"
        "The valve's totals, measured values and present feedback angle (TB.TOTAL_TRAVEL, TB.MEAS_GAIN, "
        "TB.THETA_P, ...) change by themselves and are left out unless --all is given. Differences are an answer, not a failure: the exit status is 0 either way "
        "(\"identical\" in the JSON answer tells).";
    verb.options = {{"all", "", "Also compare the totals and measured values.", ""}};
    verb.examples = {"tessaro-cli diff backups/FV-101_2025-03-14.dmp FV-101",
                     "tessaro-cli diff FV-101 KV-201 --json"};
    verb.minArguments = 2;
    verb.maxArguments = 2;
    verb.run = RunDiff;
    return verb;
}

}  // namespace cli
