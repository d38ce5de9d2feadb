#pragma once
// Logging on as the program does: the same user database, its reconciliation, the same
// checks and messages. The user name and password come from the options, the environment
// (TESSARO_USER, TESSARO_PASSWORD) or the terminal.
#include "cli/Context.h"

namespace cli {

// 0 when the user is logged on (the current user's name and level are set); 2 when the logon
// was refused or no password could be had, after saying why.
int LogOn(const CommonOptions& options, bool interactive);

}  // namespace cli
