#pragma once
// Runs tessaro-cli as a separate process, as a script would, and collects its exit status
// and both output streams.
#include <string>
#include <vector>

namespace clitest {

struct CliResult {
    int exitCode = -1;  // -1: killed after the time limit
    std::string out;
    std::string err;
};

// Runs the program with `arguments` in the current environment, standard input empty (no
// terminal), sends it SIGINT (Ctrl+C) after `interruptAfterMs` when that is not negative, or
// as soon as its standard error shows `interruptOn` when that is given, and kills it after
// `limitMs`.
CliResult RunCli(const std::vector<std::string>& arguments, int limitMs = 60000, int interruptAfterMs = -1,
                 const std::string& interruptOn = {});

}  // namespace clitest
