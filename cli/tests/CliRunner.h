#pragma once
// Runs tessaro-cli as a separate process, as a script would, and collects its exit status
// and both output streams.
#include <csignal>
#include <string>
#include <vector>

namespace clitest {

struct CliResult {
    int exitCode = -1;  // -1: killed after the time limit
    std::string out;
    std::string err;
};

// How a run ends besides by itself.
struct CliEnding {
    int limitMs = 60000;     // killed after this
    int signalAfterMs = -1;  // `signal` this long after the start when not negative,
    std::string signalOn;    // or as soon as standard output or error shows this text,
    int signalDelayMs = 0;   // and this long after that
    // SIGINT (Ctrl+C), SIGTERM (timeout, systemd), SIGHUP (the terminal closed); SIGPIPE is no
    // kill: the reader closes standard output, as `| head` does.
    int signal = SIGINT;
};

// Runs the program with `arguments` in the current environment, standard input empty (no
// terminal), ended as `ending` says. The program is the one built beside the tests, or the one
// the environment variable TESSARO_CLI_UNDER_TEST names (to run the tests against another build).
CliResult RunCli(const std::vector<std::string>& arguments, const CliEnding& ending);
// Sends SIGINT (Ctrl+C) after `interruptAfterMs` when that is not negative, or as soon as its
// standard output or error shows `interruptOn` when that is given, and kills it after `limitMs`.
CliResult RunCli(const std::vector<std::string>& arguments, int limitMs = 60000, int interruptAfterMs = -1,
                 const std::string& interruptOn = {});

}  // namespace clitest
