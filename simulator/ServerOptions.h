#pragma once
// Command line of the `nifb` server. Without arguments it serves the default segment on
// the default socket at normal speed without latency.
#include <string>
#include <vector>

namespace simulator {

struct ServerOptions {
    std::string segmentPath;  // empty: DefaultSegmentPath()
    std::string socketPath;   // empty: nifb::DefaultSocketPath()
    double speed = 1.0;
    int latency = -1;             // -1: as the segment file says; 0 off; 1 on
    int latencyOverheadMs = -1;   // with "--latency MS"
    int verbosity = 1;
    bool manualClock = false;     // time moves only by the "advance" control command
    std::string hseAddress;       // non-empty: also serve as an HSE linking device (IPv4)
    int hsePort = -1;             // with hseAddress: the UDP port (0 any free one, -1 the well-known one)
    bool help = false;
    std::string writeDdFolder;    // with --write-dd: write the segment's device descriptions there and end
};

// 0 on success; 1 with `error` for a bad command line.
int ParseServerOptions(const std::vector<std::string>& args, ServerOptions& out, std::string& error);
std::string ServerUsage();

}  // namespace simulator
