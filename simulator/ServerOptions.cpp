#include "simulator/ServerOptions.h"

#include <cstdlib>

#include "simulator/Segment.h"

namespace simulator {

std::string ServerUsage() {
    return "Usage: nifb [--segment FILE] [--socket PATH] [--speed FACTOR] [--latency on|off|MS] [--manual-clock]\n"
           "            [--verbose N] [--hse ADDRESS[:PORT]]\n"
           "       nifb --write-dd FOLDER [--segment FILE]\n"
           "Serves a simulated Foundation Fieldbus H1 segment to the Fieldbus library.\n"
           "  --segment FILE   segment file (default: $NIFB_SEGMENT, the registry value \"Segment\",\n"
           "                   else the default segment shipped with the program)\n"
           "  --socket PATH    socket to listen on (default: $NIFB_SOCKET, the registry value \"Socket\",\n"
           "                   else a per-user socket)\n"
           "  --speed FACTOR   simulated time runs FACTOR times faster than the wall clock (0.01 to 1000,\n"
           "                   default 1)\n"
           "  --latency X      bus latency per transaction: on, off, or on with X ms overhead\n"
           "  --manual-clock   simulated time moves only by the \"advance\" control command (tests)\n"
           "  --verbose N      0 errors only, 1 sessions and refusals (default), 2 every call\n"
           "  --hse ADDR[:PORT] also serve as an HSE linking device on UDP and TCP at ADDR (IPv4,\n"
           "                   e.g. 127.0.0.1), port PORT (default 1090; 0 picks a free one and\n"
           "                   prints it)\n"
           "  --write-dd FOLDER  writes the device descriptions of the segment's device types into\n"
           "                   FOLDER (one file per manufacturer, device type and revision) and ends\n";
}

int ParseServerOptions(const std::vector<std::string>& args, ServerOptions& out, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            v = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            out.help = true;
        } else if (a == "--segment") {
            if (!value(out.segmentPath)) return 1;
        } else if (a == "--socket") {
            if (!value(out.socketPath)) return 1;
        } else if (a == "--speed") {
            if (!value(v)) return 1;
            char* end = nullptr;
            double f = std::strtod(v.c_str(), &end);
            if (v.empty() || *end != '\0' || !(f >= kMinSpeed) || f > kMaxSpeed) {
                error = "--speed needs a factor from 0.01 to 1000";
                return 1;
            }
            out.speed = f;
        } else if (a == "--latency") {
            if (!value(v)) return 1;
            if (v == "on") {
                out.latency = 1;
            } else if (v == "off") {
                out.latency = 0;
            } else {
                char* end = nullptr;
                long ms = std::strtol(v.c_str(), &end, 10);
                if (v.empty() || *end != '\0' || ms < 0 || ms > 1000) {
                    error = "--latency needs on, off or a number of milliseconds up to 1000";
                    return 1;
                }
                out.latency = 1;
                out.latencyOverheadMs = static_cast<int>(ms);
            }
        } else if (a == "--write-dd") {
            if (!value(out.writeDdFolder)) return 1;
            if (out.writeDdFolder.empty()) {
                error = "--write-dd needs a folder";
                return 1;
            }
        } else if (a == "--hse") {
            if (!value(v)) return 1;
            const size_t colon = v.find(':');
            out.hseAddress = v.substr(0, colon);
            if (colon != std::string::npos) {
                const std::string port = v.substr(colon + 1);
                char* end = nullptr;
                long p = std::strtol(port.c_str(), &end, 10);
                if (port.empty() || *end != '\0' || p < 0 || p > 65535) {
                    error = "--hse needs ADDRESS[:PORT] with a port from 0 to 65535";
                    return 1;
                }
                out.hsePort = static_cast<int>(p);
            }
            if (out.hseAddress.empty()) {
                error = "--hse needs an IPv4 address, e.g. 127.0.0.1";
                return 1;
            }
        } else if (a == "--manual-clock") {
            out.manualClock = true;
        } else if (a == "--verbose" || a == "-v") {
            if (!value(v)) return 1;
            char* end = nullptr;
            long n = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0' || n < 0 || n > 3) {
                error = "--verbose needs 0, 1, 2 or 3";
                return 1;
            }
            out.verbosity = static_cast<int>(n);
        } else {
            error = "unknown argument '" + a + "'";
            return 1;
        }
    }
    return 0;
}

}  // namespace simulator
