#pragma once
// Where the server listens. Library and server resolve it the same way: the environment
// (NIFB_SOCKET), else the registry value "Socket" under the NI-FBUS key, else a per-user
// default in the runtime folder.
#include <string>

namespace nifb {

extern const char* const kNifbRegistryKey;  // "SOFTWARE\\National Instruments\\NI-FBUS\\CurrentVersion"

std::string DefaultSocketPath();
// The per-user default alone (no environment, no registry).
std::string PerUserSocketPath();

}  // namespace nifb
