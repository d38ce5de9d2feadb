#pragma once
// Where the server listens, and who may be at the other end. Library and server resolve the
// place the same way: the environment (NIFB_SOCKET), else the registry value "Socket" under
// the NI-FBUS key, else a per-user default in a folder only this user can reach. Both ends
// check the peer's user: the library talks only to a server of its own user, the server
// serves only clients of its own user.
#include <string>
#include <sys/types.h>

namespace nifb {

extern const char* const kNifbRegistryKey;  // "SOFTWARE\\National Instruments\\NI-FBUS\\CurrentVersion"

std::string DefaultSocketPath(std::string* problem = nullptr);

// The per-user default alone: $XDG_RUNTIME_DIR/tessaro-nifb.sock when that folder belongs to
// this user and is private, else /tmp/tessaro-nifb-<uid>/nifb.sock. Empty, with `problem`
// saying why, when that folder exists but is not a private folder of this user (someone
// else may be waiting there).
std::string PerUserSocketPath(std::string* problem = nullptr);

// Creates the folder of the per-user default when `socketPath` is that default and the
// folder is missing (mode 0700), and checks it again. Other paths are left as given.
bool PrepareSocketFolder(const std::string& socketPath, std::string& error);

// The user at the other end of a connected Unix-domain socket (and its process).
bool PeerOf(int fd, uid_t& uid, pid_t& pid);

// The user the library expects the server to run as: our own, unless a test poses as
// another user ((uid_t)-1: our own again).
void SetTrustedServerUid(uid_t uid);
uid_t TrustedServerUid();

}  // namespace nifb
