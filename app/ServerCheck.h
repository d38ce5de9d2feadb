#pragma once
// Making sure the Fieldbus server runs before the program starts working: locate the
// server program through the registry, judge its version, offer to launch it and wait
// until it answers.
#include <functional>
#include <string>

namespace app {

struct ServerCheckHooks {
    // Whether a session can be opened with the server.
    std::function<bool()> isServerAvailable;
    // Starts the server program; false when the process cannot be created.
    std::function<bool(const std::string& path)> launch;
};

// The file name of the server program below "<Path>/Binaries".
inline constexpr const char* kServerFileName = "nifb";
inline constexpr const char* kServerKey = "SOFTWARE\\National Instruments\\NI-FBUS\\CurrentVersion";
inline constexpr const char* kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\nifb.exe";

// 0: go on with start-up; nonzero: end the program.
int ServerCheck(const std::string& productName, const ServerCheckHooks& hooks);

// True when the version text names version 3 or later ("3.0"); "3", ".9" and "" are too old.
bool IsServerVersionAcceptable(const std::string& version);

// Starts `path` as a detached process whose output goes to a log file in the temporary folder.
bool LaunchDetached(const std::string& path);

}  // namespace app
