// backup: the configurations of positioners read and saved, one file each.
#include <ctime>
#include <filesystem>

#include "cli/ConfigSources.h"
#include "cli/Context.h"
#include "config/ConfigFile.h"
#include "platform/Paths.h"
#include "platform/Ui.h"
#include "values/ValueCodec.h"

using platform::Format;

namespace cli {

namespace {

std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

// "<dir>/<TAG>_<date>.dmp", or with "_2", "_3", ... when that file exists already: a backup
// never replaces another.
std::string BackupPath(const std::string& dir, const std::string& tag, const std::string& date) {
    std::string name = tag;
    values::ValueCodec::Instance().CheckFileNameCharacters(name, true);
    name += "_" + date;
    std::error_code ec;
    std::string path = platform::JoinPath(dir, name + ".dmp");
    for (int n = 2; std::filesystem::exists(path, ec); ++n) path = platform::JoinPath(dir, name + Format("_%d.dmp", n));
    return path;
}

int RunBackup(Context& ctx) {
    const std::string dir = ctx.Option("dir");
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir, ec)) {
        ctx.Error("Error: Unable to create the folder " + dir + ".");
        return kExitFailed;
    }
    if (ctx.ConnectLink() != 0) return kExitFailed;
    fieldbus::FieldbusLink& link = ctx.Link();

    // The devices named, or every positioner of the list.
    std::vector<std::string> tags = ctx.Arguments();
    if (tags.empty())
        for (int slot : ctx.ListedSlots())
            if (link.IsPositioner(slot)) tags.push_back(link.GetTag(slot));
    if (tags.empty()) {
        ctx.Error("Error: No positioner is on the link.");
        return kExitFailed;
    }

    const std::string date = Today();
    int failures = 0;
    JsonValue saved = JsonValue::array();
    for (size_t i = 0; i < tags.size(); ++i) {
        const std::string& tag = tags[i];
        const std::string step = Format("[%zu/%zu] %s: ", i + 1, tags.size(), tag.c_str());
        if (Interrupted()) {
            ctx.Error(step + "not read (cancelled).");
            saved.push_back({{"tag", tag}, {"result", "cancelled"}});
            ++failures;
            continue;
        }
        ctx.Progress(step + "reading the configuration ...");
        config::CConfigData data;
        if (ReadConfigurationOf(ctx, tag, data) != 0) {
            ctx.Error(step + "not saved.");
            saved.push_back({{"tag", tag}, {"result", "failed"}});
            ++failures;
            continue;
        }
        const std::string path = BackupPath(dir, tag, date);
        if (config::WriteConfigurationFile(data, path) != 0) {
            ctx.Error(step + "not saved.");
            saved.push_back({{"tag", tag}, {"result", "failed"}});
            ++failures;
            continue;
        }
        ctx.Progress(step + "saved " + path);
        saved.push_back({{"tag", tag}, {"result", "saved"}, {"file", path}});
        if (!ctx.Json()) ctx.Print(path);
    }
    if (ctx.Json()) ctx.PrintJson({{"folder", dir}, {"backups", saved}});
    if (failures) ctx.Error(Format("%d of %zu configurations not saved.", failures, tags.size()));
    return failures ? kExitFailed : kExitOk;
}

}  // namespace

Verb BackupVerb() {
    Verb verb;
    verb.name = "backup";
    verb.arguments = "[TAG...]";
    verb.summary = "read positioners' configurations and save them";
    verb.description =
        "Reads the whole configuration of each positioner named (every positioner on the link when none is "
        "named) as the program's Read Configuration does, and saves it as a configuration file "
        "<DIR>/<TAG>_<YYYY-MM-DD>.dmp (data version 2.4). A file that exists already is never replaced: the new "
        "one gets \"_2\", \"_3\", ... A progress line per device goes to standard error; each saved file's path "
        "to standard output.\n\n"
        "A device that cannot be read is reported and the others are still saved; the exit status is then 1. "
        "Ctrl+C stops between groups of the device being read and skips the rest.";
    verb.options = {{"dir", "DIR", "The folder for the files (created when missing).", "."}};
    verb.examples = {"tessaro-cli backup --dir backups", "tessaro-cli backup FV-101 KV-201 --dir /srv/valves --json"};
    verb.minArguments = 0;
    verb.maxArguments = -1;
    verb.run = RunBackup;
    return verb;
}

}  // namespace cli
