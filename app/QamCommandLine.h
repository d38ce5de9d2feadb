#pragma once
// The start arguments the partner's asset-management host passes to the plug-in build:
//
//   TessaroPlugin SESSION HOST DEVICE_PATH DEVICE_TAG DEVICE_ID [ACCESS [USER [V1,V2,V3,V4]]]
//
// Arguments fill these fields in order. A field may also be named before its value (-session,
// -host, -path, -tag, -id, -access, -user, -values; case ignored); the arguments after it
// continue from there. An argument that arrives at a field already filled is appended to it
// after a blank, and for the host name, device path, device tag and device identifier the
// user is told that it was not passed correctly.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace app {

struct QamStartArguments {
    std::string sessionId;
    std::string hostName;
    std::string devicePath;
    std::string deviceTag;
    std::string deviceId;
    std::string accessRights;  // "RW": full rights
    std::string userName;
    std::vector<std::string> hostValues;  // the eighth argument, split at commas into at most four

    // The session, device path, device tag and device identifier are all there.
    bool HasRequired() const;
};

QamStartArguments ParseQamCommandLine(const std::vector<std::string>& args);

// The user level the host's access rights give: 9 for "RW" (case ignored), 2 otherwise.
uint32_t QamUserLevel(const QamStartArguments& args);

// The plug-in's start before any window exists: loads the host's client library through
// `loadLibrary` (0 loaded), parses the arguments into `start` and sets the user level the
// host's access rights give. Shows "Fail to load qamZ.dll, ..." or "Invalid start
// arguments." and returns 1 when the program must end; 0 to go on.
int StartQamPlugIn(const std::vector<std::string>& args, const std::function<int()>& loadLibrary,
                   QamStartArguments& start);

}  // namespace app
