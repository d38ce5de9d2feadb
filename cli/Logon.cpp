#include "cli/Logon.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <termios.h>
#include <unistd.h>

#include "logon/Edition.h"
#include "logon/LogonDatabase.h"
#include "logon/LogonSession.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

namespace cli {

namespace {

std::string Environment(const char* name, bool& found) {
    const char* value = std::getenv(name);
    found = value != nullptr;
    return value ? value : "";
}

std::string ReadLine(const std::string& prompt, bool hidden) {
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    termios saved{};
    const bool hide = hidden && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (hide) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (hide) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fputs("\n", stderr);
    }
    while (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

int LogOn(const CommonOptions& options, bool interactive) {
    logon::LogonDatabase database(platform::Registry::Instance(), platform::SystemDirectory(),
                                  logon::InstalledEdition());
    logon::LogonSession session(database);
    const std::string prefill = session.Open();

    bool found = false;
    std::string name = options.user;
    if (!options.userGiven) {
        name = Environment("TESSARO_USER", found);
        if (!found) {
            // The name the logon dialog would show, as Enter would take it.
            name = prefill;
            if (interactive) {
                const std::string typed = ReadLine("User Name [" + prefill + "]: ", false);
                if (!typed.empty()) name = typed;
            }
        }
    }
    std::string password = options.password;
    if (!options.passwordGiven) {
        password = Environment("TESSARO_PASSWORD", found);
        if (!found) {
            if (!interactive) {
                std::fputs("Error: No password given: use --password, the environment variable TESSARO_PASSWORD or "
                           "a terminal.\n",
                           stderr);
                return 2;
            }
            password = ReadLine("Password: ", true);
        }
    }
    return session.Logon(name, password, false, {}) == 0 ? 0 : 2;
}

}  // namespace cli
