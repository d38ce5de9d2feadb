#pragma once
// tessaro-cli from its command line to its exit status: help pages, the verb and its
// options, the logon, the verb itself, and the link closed at the end.
namespace cli {

int RunCommandLine(int argc, char** argv);

}  // namespace cli
