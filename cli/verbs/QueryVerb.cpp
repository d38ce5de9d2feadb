// query: the answers of the query window's commands and the device summary.
#include <strings.h>

#include <cstdlib>

#include "cli/Context.h"
#include "query/QueryDevice.h"

namespace cli {

namespace {

constexpr int kSummary = -2;

// The lines of an answer as the window shows them: CR LF ends become plain line ends.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

// The command a word names: its number in the list (from 1), its name with or without "Read "
// (case ignored), or "summary". -1 when none.
int CommandOf(const query::QueryDevice& query, const std::string& word) {
    if (strcasecmp(word.c_str(), "summary") == 0) return kSummary;
    char* end = nullptr;
    const long number = std::strtol(word.c_str(), &end, 10);
    if (!word.empty() && end != nullptr && *end == '\0')
        return number >= 1 && number <= query.CommandCount() ? static_cast<int>(number - 1) : -1;
    for (int i = 0; i < query.CommandCount(); ++i) {
        const std::string name = query.CommandName(i);
        // "Read Status" may be called "status".
        const std::string shortName = name.rfind("Read ", 0) == 0 ? name.substr(5) : name;
        if (strcasecmp(name.c_str(), word.c_str()) == 0 || strcasecmp(shortName.c_str(), word.c_str()) == 0) return i;
    }
    return -1;
}

int RunQuery(Context& ctx) {
    const std::string& tag = ctx.Argument(0);
    const int slot = ctx.OpenDeviceByTag(tag);
    if (slot < 0) return kExitFailed;
    fieldbus::FieldbusDevice& device = ctx.Link().Device(slot);
    query::QueryIdentity identity;
    identity.deviceId = ctx.Link().GetDeviceId(slot);
    device.GetIdentification(identity.vendor, identity.model, identity.hardwareRevision);
    query::QueryDevice query(&device, identity);

    std::vector<int> commands;
    if (ctx.Arguments().size() > 1) {
        const int command = CommandOf(query, ctx.Argument(1));
        if (command == -1) {
            std::string names;
            for (int i = 0; i < query.CommandCount(); ++i) names += "\n  " + std::to_string(i + 1) + " " + query.CommandName(i);
            ctx.Error("Error: \"" + ctx.Argument(1) + "\" is no query command. The commands are:" + names +
                      "\n  summary");
            return kExitFailed;
        }
        commands.push_back(command);
    } else {
        for (int i = 0; i < query.CommandCount(); ++i) commands.push_back(i);
        commands.push_back(kSummary);
    }

    JsonValue answers = JsonValue::array();
    bool first = true;
    int result = kExitOk;
    for (const int command : commands) {
        if (Interrupted()) return kExitFailed;
        std::string text;
        std::string name;
        if (command == kSummary) {
            name = "Device Summary";
            if (commands.size() > 1) ctx.Progress("Reading the device summary...");
            if (device.GetDeviceSummary(text) != 0) {
                ctx.Error("Error: Reading the device summary of " + tag + " failed.");
                result = kExitFailed;
            }
            text = name + " :\r\n\r\n" + text;
        } else {
            name = query.CommandName(command);
            if (commands.size() > 1) ctx.Progress(name + "...");
            text = query.ComposeAnswer(command);
        }
        ctx.Pump();
        std::vector<std::string> lines = Lines(text);
        if (ctx.Json()) {
            // The heading and its empty line are the name.
            if (lines.size() >= 2 && lines[1].empty()) lines.erase(lines.begin(), lines.begin() + 2);
            else if (!lines.empty()) lines.erase(lines.begin());
            answers.push_back({{"command", name}, {"lines", lines}});
            continue;
        }
        if (!first) ctx.Print("");
        first = false;
        for (const std::string& line : lines) ctx.Print(line);
    }
    if (ctx.Json()) ctx.PrintJson({{"tag", tag}, {"answers", answers}});
    return result;
}

}  // namespace

Verb QueryVerb() {
    Verb verb;
    verb.name = "query";
    verb.arguments = "TAG [COMMAND]";
    verb.summary = "a device's answers to the query commands and its summary";
    verb.description =
        "Shows what the Query Device window shows for the device with the PD tag TAG: each query command's "
        "answer, the command's name followed by its lines (\"label: value .\"), and the device summary. A line "
        "whose value cannot be read is left out; the other lines of its command still appear. Nothing is "
        "written to the device.\n\n"
        "COMMAND picks one answer: the command's number in the list (from 1) or its name (\"Read Status\" or "
        "\"status\", case ignored), or \"summary\" for the device summary. Without it every command is answered in the window's "
        "order, then the summary. An unknown COMMAND lists the commands.";
    verb.examples = {"tessaro-cli query FV-102", "tessaro-cli query FV-102 \"Read Limit Switces\"",
                     "tessaro-cli query FV-102 summary --json"};
    verb.minArguments = 1;
    verb.maxArguments = 2;
    verb.run = RunQuery;
    return verb;
}

}  // namespace cli
