// The `nifb` server: serves a simulated H1 segment on the library's socket until SIGTERM
// or SIGINT, then removes its socket and ends.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <unistd.h>

#include "nifb/SocketPath.h"
#include "simulator/DeviceDescriptions.h"
#include "simulator/InProcessSegment.h"
#include "simulator/ServerOptions.h"
#include "simulator/SocketServer.h"
#include "nifb/hse/FdaMessage.h"
#include "simulator/hse/HseServer.h"

namespace {

int g_stopPipe[2] = {-1, -1};

void OnStopSignal(int) {
    char c = 's';
    ssize_t ignored = ::write(g_stopPipe[1], &c, 1);
    (void)ignored;
}

std::mutex g_logMutex;

void Log(const std::string& text) {
    std::lock_guard<std::mutex> lock(g_logMutex);
    std::time_t now = std::time(nullptr);
    char stamp[16];
    std::strftime(stamp, sizeof stamp, "%H:%M:%S", std::localtime(&now));
    std::fprintf(stderr, "[nifb %s] %s\n", stamp, text.c_str());
    std::fflush(stderr);
}

// --write-dd: the descriptions of the segment's device types, written and listed.
int WriteDescriptionFiles(const std::string& segmentPath, const std::string& folder) {
    std::string error;
    simulator::LoadOptions load;
    load.manualClock = true;
    auto segment = simulator::LoadSegmentFile(segmentPath, load, error);
    std::vector<nifb::dd::Description> descriptions;
    std::vector<std::string> written;
    if (!segment || !simulator::DescribeSegment(*segment, descriptions, error) ||
        !simulator::WriteDescriptions(descriptions, folder, written, error)) {
        std::fprintf(stderr, "nifb: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& path : written) std::printf("%s\n", path.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    simulator::ServerOptions opt;
    std::string error;
    if (simulator::ParseServerOptions(args, opt, error) != 0) {
        std::fprintf(stderr, "nifb: %s\n%s", error.c_str(), simulator::ServerUsage().c_str());
        return 2;
    }
    if (opt.help) {
        std::printf("%s", simulator::ServerUsage().c_str());
        return 0;
    }
    std::string segmentPath = opt.segmentPath.empty() ? simulator::DefaultSegmentPath() : opt.segmentPath;
    if (!opt.writeDdFolder.empty()) return WriteDescriptionFiles(segmentPath, opt.writeDdFolder);
    std::string problem;
    std::string socketPath = opt.socketPath.empty() ? nifb::DefaultSocketPath(&problem) : opt.socketPath;
    if (socketPath.empty()) {
        std::fprintf(stderr, "nifb: no safe place for the socket: %s\n", problem.c_str());
        return 1;
    }

    simulator::LoadOptions load;
    load.speed = opt.speed;
    load.latency = opt.latency;
    load.manualClock = opt.manualClock;
    auto segment = simulator::LoadSegmentFile(segmentPath, load, error);
    if (!segment) {
        std::fprintf(stderr, "nifb: %s\n", error.c_str());
        return 1;
    }
    if (opt.latencyOverheadMs >= 0) segment->latencyOverheadMs = static_cast<uint32_t>(opt.latencyOverheadMs);
    segment->logLevel = opt.verbosity;
    segment->logSink = Log;

    auto backend = std::make_shared<simulator::SegmentBackend>(segment);
    // The "server dies" fault ends the process at once, as a crash would.
    backend->OnDeath([] { std::_Exit(3); });

    if (::pipe(g_stopPipe) != 0) {
        std::perror("nifb: pipe");
        return 1;
    }
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGHUP, SIG_IGN);  // keeps serving when the terminal that started it closes
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);

    simulator::SocketServer server(backend, socketPath);
    if (server.Start(error) != 0) {
        std::fprintf(stderr, "nifb: %s\n", error.c_str());
        return 1;
    }
    // The same segment, also as a linking device on the network.
    std::unique_ptr<simulator::hse::HseServer> hse;
    if (!opt.hseAddress.empty()) {
        hse = std::make_unique<simulator::hse::HseServer>(
            backend, [verbosity = opt.verbosity](int level, const std::string& text) {
                if (level <= verbosity) Log(text);
            });
        const uint16_t port = opt.hsePort < 0 ? nifb::hse::kPortFms : static_cast<uint16_t>(opt.hsePort);
        if (hse->Start(opt.hseAddress, port, error) != 0) {
            std::fprintf(stderr, "nifb: %s\n", error.c_str());
            server.Stop();
            return 1;
        }
        Log("serving HSE on udp " + opt.hseAddress + ":" + std::to_string(hse->Port()));
        Log("serving HSE on tcp " + opt.hseAddress + ":" + std::to_string(hse->Port()));
    }
    size_t devices = 0;
    for (const auto& ifc : segment->interfaces) devices += ifc.devices.size();
    Log("serving segment '" + segment->name + "' from " + segmentPath + " (" +
        std::to_string(segment->interfaces.size()) + " interface(s), " + std::to_string(devices) + " device(s))");
    Log("listening on " + socketPath + ", speed " + std::to_string(opt.speed) + ", latency " +
        (segment->latency ? "on" : "off"));
    server.Run(g_stopPipe[0]);
    Log("stopping");
    if (hse) hse->Stop();
    server.Stop();
    Log("stopped");
    return 0;
}
