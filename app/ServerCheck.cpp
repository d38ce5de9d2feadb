#include "app/ServerCheck.h"

#include <cctype>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include "app/FileFinder.h"
#include "nifb/Backend.h"
#include "nifb/hse/HseTarget.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/Ui.h"
#include "values/RegistryHelpers.h"

extern char** environ;

using platform::Format;
using platform::GetClock;
using platform::GetUi;
using platform::RegRoot;

namespace app {
namespace {

constexpr uint64_t kLaunchTimeoutMs = 90000;
constexpr uint32_t kSettleMs = 5000;

std::string ServerBelow(const std::string& path) {
    if (path.empty()) return {};
    return FindFileAt(platform::JoinPath(platform::JoinPath(path, "Binaries"), kServerFileName), kServerFileName);
}

}  // namespace

bool IsServerVersionAcceptable(const std::string& version) {
    const size_t point = version.find('.');
    if (point == std::string::npos || point == 0) return false;
    return std::atoi(version.substr(0, point).c_str()) >= 3;
}

int ServerCheck(const std::string& productName, const ServerCheckHooks& hooks) {
    // 0. A linking device on the network serves instead of the local server: nothing to
    // locate or start, only to reach.
    nifb::hse::Target target;
    std::string problem;
    const bool hse = nifb::hse::ConfiguredTarget(target, problem);
    if (!problem.empty()) {
        platform::ShowMessage("The linking device setting (NIFB_SERVER or the registry value \"Server\") is not usable:\n" +
                                  problem,
                              platform::MB_OK | platform::MB_ICONSTOP);
        return 1;
    }
    if (hse) {
        if (hooks.isServerAvailable()) return 0;
        // The library's own words when they are about this linking device ("no answer from the
        // linking device at ... within ... ms"), else ours.
        std::string what = nifb::TransportProblem();
        if (what.find(target.Text()) == std::string::npos) what = "the linking device at " + target.Text() + " does not answer";
        what[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(what[0])));
        platform::ShowMessage(what + ".\nCheck its address (NIFB_SERVER or the registry value \"Server\") and the network.",
                              platform::MB_OK | platform::MB_ICONSTOP);
        return 1;
    }

    // 1. Locate the server program.
    std::string version = values::ReadRegistryString(RegRoot::LocalMachine, kServerKey, "Version");
    std::string server = ServerBelow(values::ReadRegistryString(RegRoot::LocalMachine, kServerKey, "Path"));
    bool found = false, tooOld = true;
    if (!version.empty() && !server.empty()) {
        found = true;
        tooOld = !IsServerVersionAcceptable(version);
    } else {
        version.clear();
        server = FindFileAt(values::ReadRegistryString(RegRoot::LocalMachine, kAppPathsKey, ""), kServerFileName);
        if (server.empty()) {
            const std::string dir = values::ReadRegistryString(RegRoot::LocalMachine, kAppPathsKey, "Path");
            server = FindFileAt(platform::JoinPath(dir, kServerFileName), kServerFileName);
            if (server.empty() && !dir.empty()) server = FindFileInTree(dir, kServerFileName);
        }
        found = !server.empty();  // without version information it counts as too old
    }
    if (!found) return 0;  // no server installed: start-up goes on and the view works offline

    // 2. and 3. Decide.
    const bool running = hooks.isServerAvailable();
    if (tooOld) {
        std::string message;
        if (running) {
            message = version.empty()
                          ? Format("The version of current running NIFB is old. The %s\n", productName.c_str())
                          : Format("The version of current running NIFB is %s. The %s\n", version.c_str(),
                                   productName.c_str());
            message += "requires NIFB 3.0 or later version to work with. Please upgrade\n";
            message += "NIFB and then relaunch the application. \n";
        } else {
            message = Format("The version of NIFB installed on the computer is old. To run %s, \n", productName.c_str());
            message += "NIFB 3.0 or later version is needed. Please upgrade NIFB sever first.\n";
        }
        platform::ShowMessage(message, platform::MB_OK | platform::MB_ICONSTOP);
        return 1;
    }
    if (running) return 0;

    const int flags = platform::MB_YESNOCANCEL | platform::MB_ICONINFORMATION;
    int answer = platform::ShowMessage(
        Format("The installed interface component %s is found but is not currently running. \n\nDo you want to launch it ?",
               server.c_str()),
        flags);
    if (answer == platform::IDCANCEL) return 1;
    if (answer == platform::IDNO) return 0;
    answer = platform::ShowMessage(
        "Do not connect to a live fieldbus segment if the fieldbus interface is configured as a Link Master!\n\n"
        "Proceed to launch NIFB server?",
        flags);
    if (answer == platform::IDCANCEL) return 1;
    if (answer == platform::IDNO) return 0;

    // 4. Launch and wait until the server answers; a window says what is happening meanwhile.
    if (!hooks.launch(server)) return 1;
    std::unique_ptr<platform::ProgressWindow> window = GetUi().CreateProgressWindow("Starting the Fieldbus server", "OK");
    if (window) {
        window->EnableButton(false);
        window->AppendText(Format("Starting the Fieldbus server %s ...\r\n", server.c_str()));
        window->AppendText("Waiting until it answers (at most 90 seconds) ...\r\n");
    }
    GetUi().PumpMessages();
    // Waits `ms` on the process clock with the window served.
    auto waitServed = [](uint32_t ms) {
        const uint64_t from = GetClock().NowMs();
        while (GetClock().NowMs() - from < ms) {
            GetUi().PumpMessages();
            GetClock().SleepMs(100);
        }
    };
    const uint64_t start = GetClock().NowMs();
    for (;;) {
        if (hooks.isServerAvailable()) {
            if (window) window->AppendText("The Fieldbus server answers; it is getting ready ...\r\n");
            waitServed(kSettleMs);
            if (window) window->Close();
            return 0;
        }
        if (GetClock().NowMs() - start > kLaunchTimeoutMs) {
            if (window) window->Close();
            platform::ShowMessage("Time out on waiting for NIFB initialization completion. \nThe program will exit.");
            return 1;
        }
        waitServed(1000);
    }
}

bool LaunchDetached(const std::string& path) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    const std::string log = platform::JoinPath(platform::TempDirectory(), "tessaro-nifb.log");
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    // Its own session: the server keeps running when the program ends.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    const int rc = posix_spawn(&pid, path.c_str(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return rc == 0;
}

}  // namespace app
