#pragma once
// One command of tessaro-cli ("scan", "get", "backup", ...): its name, the arguments and
// options it takes, its manual page and what it does. Each verb lives in a file of its own
// under verbs/ and is listed once in VerbTable.cpp.
#include <functional>
#include <string>
#include <vector>

namespace cli {

class Context;

// Exit codes of every verb.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitRefused = 2;  // refused (logon, privilege) or declined by the user
// The command line itself is wrong (an unknown verb or option, a missing or malformed argument,
// a path that cannot be written): said before any work on the bus.
inline constexpr int kExitUsage = 64;
// Ended by a signal: 128 + its number (130 after Ctrl+C, 143 after SIGTERM), whatever the
// verb saved or put back on its way out.
inline constexpr int kExitSignalBase = 128;

struct VerbOption {
    std::string name;         // long name without dashes ("dir")
    std::string valueName;    // empty for a flag ("DIR" for --dir DIR)
    std::string description;  // one or more sentences for the manual page
    std::string defaultValue;
};

struct Verb {
    std::string name;       // what the user types after tessaro-cli
    std::string arguments;  // the arguments as the synopsis shows them ("TAG BLOCK.PARAM...")
    std::string summary;    // one line for the list of verbs
    // The manual page's DESCRIPTION: paragraphs separated by empty lines.
    std::string description;
    std::vector<VerbOption> options;  // besides the common options
    std::vector<std::string> examples;
    int minArguments = 0;
    int maxArguments = 0;  // -1: any number
    // The verb lays out text with Qt's fonts (a PDF): it runs under Qt's GUI application, on
    // the offscreen platform unless QT_QPA_PLATFORM names another. Never widgets.
    bool guiApplication = false;
    std::function<int(Context&)> run;
};

}  // namespace cli
