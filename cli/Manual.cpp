#include "cli/Manual.h"

#include <algorithm>
#include <sstream>

#include "cli/VerbTable.h"

namespace cli {

namespace {

constexpr size_t kWidth = 78;

// Wraps each paragraph at kWidth with `indent` blanks; lines that start with a blank are
// kept as they are (examples, tables).
std::string Wrap(const std::string& text, size_t indent) {
    const std::string pad(indent, ' ');
    std::string out;
    std::istringstream lines(text);
    std::string line, paragraph;
    auto flush = [&] {
        if (paragraph.empty()) return;
        std::istringstream words(paragraph);
        std::string word, current;
        while (words >> word) {
            if (!current.empty() && pad.size() + current.size() + 1 + word.size() > kWidth) {
                out += pad + current + "\n";
                current.clear();
            }
            current += (current.empty() ? "" : " ") + word;
        }
        if (!current.empty()) out += pad + current + "\n";
        paragraph.clear();
    };
    while (std::getline(lines, line)) {
        if (line.empty()) {
            flush();
            out += "\n";
        } else if (line[0] == ' ') {
            flush();
            out += pad + line + "\n";
        } else {
            paragraph += (paragraph.empty() ? "" : " ") + line;
        }
    }
    flush();
    return out;
}

std::string OptionLine(const VerbOption& option) {
    std::string line = "--" + option.name;
    if (!option.valueName.empty()) line += " " + option.valueName;
    return line;
}

std::string OptionShort(const std::string& name) {
    if (name == "user") return "-u, ";
    if (name == "password") return "-p, ";
    if (name == "quiet") return "-q, ";
    if (name == "yes") return "-y, ";
    if (name == "verbose") return "-v, ";
    if (name == "help") return "-h, ";
    return "";
}

}  // namespace

const std::vector<VerbOption>& CommonOptionList() {
    static const std::vector<VerbOption> options = {
        {"user", "NAME",
         "Log on as NAME (else the environment variable TESSARO_USER, else a prompt on a terminal, else the user "
         "who last logged on, as the logon dialog proposes).",
         ""},
        {"password", "PASSWORD",
         "The password (else TESSARO_PASSWORD, else a prompt on a terminal). A wrong user name or password ends "
         "the command with exit status 2.",
         ""},
        {"json", "", "Write the answer as JSON on standard output.", ""},
        {"quiet", "", "No progress lines on standard error (messages and errors still go there).", ""},
        {"yes", "", "Answer Yes to every question the command asks (the warnings before a state change, a write or "
                    "a download).",
         ""},
        {"verbose", "", "Also write the lines of the program's progress windows (link scan, device open, "
                        "configuration transfer) to standard error.",
         ""},
        {"linking-device", "ADDRESS[:PORT]",
         "Reach the segment through an FF High Speed Ethernet linking device at the IPv4 ADDRESS instead of the "
         "local server, by UDP (as NIFB_SERVER=hse://ADDRESS[:PORT] does); hse+tcp://ADDRESS[:PORT] reaches it by "
         "TCP.",
         ""},
        {"pcap", "FILE",
         "Write every frame exchanged with the linking device to FILE, a capture Wireshark and tshark open (as "
         "NIFB_PCAP=FILE does). Needs a linking device.",
         ""},
        {"help", "", "Show this page.", ""},
    };
    return options;
}

std::string Synopsis(const Verb& verb) {
    std::string s = "tessaro-cli " + verb.name;
    if (!verb.arguments.empty()) s += " " + verb.arguments;
    return s + " [OPTIONS]";
}

std::string ManualPage(const Verb& verb) {
    std::string page = "NAME\n    tessaro-cli " + verb.name + " - " + verb.summary + "\n\n";
    page += "SYNOPSIS\n    " + Synopsis(verb) + "\n\n";
    page += "DESCRIPTION\n" + Wrap(verb.description, 4) + "\n";
    page += "OPTIONS\n";
    auto addOption = [&page](const VerbOption& option) {
        page += "    " + OptionShort(option.name) + OptionLine(option) + "\n";
        std::string text = option.description;
        if (!option.defaultValue.empty()) text += " Default: " + option.defaultValue + ".";
        page += Wrap(text, 8);
    };
    for (const VerbOption& option : verb.options) addOption(option);
    for (const VerbOption& option : CommonOptionList()) addOption(option);
    page += "\nEXIT STATUS\n";
    page += Wrap("0 done; 1 failed (the reason is on standard error); 2 refused (logon or privilege) or "
                 "declined (a question answered No, or left to its default without a terminal).",
                 4);
    page += "\nENVIRONMENT\n";
    page += Wrap("TESSARO_USER, TESSARO_PASSWORD: the logon. TESSARO_REGISTRY, TESSARO_HOME, TESSARO_SYSTEM_DIR: "
                 "where the user database, the program directory and the administrator backup are kept (as for "
                 "Tessaro). NIFB_SOCKET: the Fieldbus server's socket.",
                 4);
    if (!verb.examples.empty()) {
        page += "\nEXAMPLES\n";
        for (const std::string& example : verb.examples) page += "    " + example + "\n";
    }
    return page;
}

std::string Overview() {
    std::string page = "tessaro-cli - Tessaro without a window: positioners on the Fieldbus link from a shell\n\n";
    page += "SYNOPSIS\n    tessaro-cli VERB [ARGUMENTS] [OPTIONS]\n    tessaro-cli VERB --help\n\n";
    page += "VERBS\n";
    size_t width = 0;
    for (const Verb& verb : Verbs()) width = std::max(width, verb.name.size());
    for (const Verb& verb : Verbs())
        page += "    " + verb.name + std::string(width + 2 - verb.name.size(), ' ') + verb.summary + "\n";
    page += "\n";
    page += Wrap("Every verb logs on like Tessaro (the same users and privileges) and works on the Fieldbus server "
                 "that Tessaro uses, started the same way when it is not running (the simulated segment on a new "
                 "installation). Messages that Tessaro shows in a box go to standard error with the same text. "
                 "Exit status: 0 done, 1 failed, 2 refused or declined.",
                 0);
    page += "\nCommon options: --user NAME, --password PASSWORD, --json, --quiet, --yes, --verbose, --help.\n";
    return page;
}

}  // namespace cli
