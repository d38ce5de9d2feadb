#pragma once
// Where the configuration verbs take a configuration from and put it: a positioner on the
// link (read as the program reads it), or a configuration file.
#include <string>

#include "cli/Context.h"
#include "config/CConfigData.h"

namespace cli {

// Reads the whole configuration of the open device in `slot` into `data`. 0 on success; 1
// after saying which step failed (or that Ctrl+C cancelled it).
int ReadDeviceConfiguration(Context& ctx, int slot, config::CConfigData& data);

// Opens the positioner with the PD tag, reads its configuration and closes it again. 0 on
// success; 1 after saying why not.
int ReadConfigurationOf(Context& ctx, const std::string& tag, config::CConfigData& data);

// Reads a configuration file; 0, or 1 after the program's message.
int LoadConfigurationFile(Context& ctx, const std::string& path, config::CConfigData& data);

// Whether a file may be written at `path`: true when there is none, or the user agreed to
// replace it (--yes agrees).
bool MayWrite(const std::string& path);

}  // namespace cli
