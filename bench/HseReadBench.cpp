// A whole configuration read of FV-101 with the bus latency model on, once through the
// server's socket and once through the simulator playing a linking device (HSE), in the
// same process. Over HSE the read may make no more bus transactions than over the socket,
// and its wall time may be at most 1.02 x the bus time the model charged: what the library
// and the HSE messages add must vanish beside the bus.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "BenchVerdict.h"
#include "config/CConfigData.h"
#include "config/ConfigTransfer.h"
#include "fieldbus/FieldbusLink.h"
#include "nifb/Backend.h"
#include "simulator/SegmentLoader.h"
#include "simulator/DeviceDescriptions.h"
#include "simulator/tests/ServerProcess.h"

namespace {

// A server with the latency model on (and, for HSE, playing a linking device), the link
// scanned through it and FV-101 open, for all runs of one benchmark.
struct Segment {
    std::string folder;
    std::unique_ptr<simulator::testing::ServerProcess> server;
    fieldbus::FieldbusLink link;
    int slot = -1;
    nifDesc_t control = 0;
    bool ready = false;

    explicit Segment(bool hse) {
        char name[] = "/tmp/tessaro-bench-XXXXXX";
        folder = mkdtemp(name) ? name : "/tmp";
        std::vector<std::string> args{"--latency", "on"};
        if (hse) args.insert(args.end(), {"--hse", "127.0.0.1:0"});
        server = std::make_unique<simulator::testing::ServerProcess>(
            NIFB_SERVER_BINARY, folder + "/nifb.sock", NIFB_DEFAULT_SEGMENT_FILE, folder + "/server.log", args);
        // Simulator status commands go through the socket whatever the transport measured.
        unsetenv("NIFB_SERVER");
        if (nifOpenSession(nullptr, &control) != E_OK) return;
        if (hse && !UseLinkingDevice()) return;
        if (link.ScanLink() != 0) return;
        link.SetPollPeriodMs(600000);
        link.StartLivePoll(0);
        for (int i = 0; i < 5000 && !link.IsLinkHealthy(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        for (int item = 1; item < link.DisplayItemCount(); ++item)
            if (link.GetTag(link.ItemDevIndexMap(item)) == "FV-101") slot = link.ItemDevIndexMap(item);
        ready = slot >= 0 && link.OpenDevice(slot) == 0;
    }
    ~Segment() {
        if (control != 0) nifClose(control);
        link.CloseLink();
        server.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    // Points the library at the server's linking device, with the descriptions of the
    // segment's devices.
    bool UseLinkingDevice() {
        const std::string marker = "serving HSE on udp 127.0.0.1:";
        std::ifstream in(folder + "/server.log");
        std::string line, port;
        while (std::getline(in, line))
            if (const size_t at = line.find(marker); at != std::string::npos) port = line.substr(at + marker.size());
        if (port.empty()) return false;
        std::string error;
        auto segment = simulator::LoadSegmentFile(NIFB_DEFAULT_SEGMENT_FILE, simulator::LoadOptions{}, error);
        if (!segment) return false;
        const std::string dd = folder + "/dd";
        std::vector<nifb::dd::Description> descriptions;
        std::vector<std::string> written;
        if (!simulator::DescribeSegment(*segment, descriptions, error) ||
            !simulator::WriteDescriptions(descriptions, dd, written, error))
            return false;
        setenv("NIFB_DD_PATH", dd.c_str(), 1);
        setenv("NIFB_SERVER", ("hse://127.0.0.1:" + port).c_str(), 1);
        return true;
    }

    void Charged(double& busMs, double& transactions) {
        std::string answer;
        busMs = transactions = 0;
        if (nifb::SendControl(control, R"({"command":"status"})", answer) != 0) return;
        busMs = Number(answer, "\"modelledBusMs\":");
        transactions = Number(answer, "\"modelledTransactions\":");
    }
    static double Number(const std::string& json, const std::string& key) {
        const size_t at = json.find(key);
        return at == std::string::npos ? 0 : std::strtod(json.c_str() + at + key.size(), nullptr);
    }
};

constexpr double kModelRatio = 1.02;
double g_socketCalls = 0;  // bus transactions of a warm read over the socket

int ReadConfiguration(Segment& s) {
    config::TransferOptions options;
    options.waitForClose = false;
    config::CConfigData data;
    return config::ConfigTransfer(data, &s.link.Device(s.slot), config::IdentityOnLink(s.link, s.slot), options)
        .ReadConfiguration();
}

// Warm runs only (the first run of each segment opens and learns the device).
void Measure(benchmark::State& state, Segment& s, const std::string& measure, double callLimit, double* calls) {
    if (!s.ready) {
        state.SkipWithError("the server or FV-101 could not be reached");
        return;
    }
    double measuredMs = 0, modelledMs = 0, transactions = 0, warmRuns = 0;
    ReadConfiguration(s);
    for (auto _ : state) {
        double busBefore = 0, countBefore = 0, busAfter = 0, countAfter = 0;
        s.Charged(busBefore, countBefore);
        int result = 1;
        const double ms = bench::WallMs([&] { result = ReadConfiguration(s); });
        s.Charged(busAfter, countAfter);
        if (result != 0) state.SkipWithError("the read failed");
        state.SetIterationTime(ms / 1000.0);
        measuredMs += ms;
        modelledMs += busAfter - busBefore;
        transactions += countAfter - countBefore;
        ++warmRuns;
    }
    if (warmRuns == 0) return;
    state.counters["measured_ms"] = measuredMs / warmRuns;
    state.counters["modelled_ms"] = modelledMs / warmRuns;
    bench::Judge(state, measure + "_warm_vs_bus_model", modelledMs > 0 ? measuredMs / modelledMs : 0, kModelRatio, "x",
                 bench::Better::Lower);
    bench::Judge(state, measure + "_calls", transactions / warmRuns, callLimit, "calls", bench::Better::Lower);
    if (calls) *calls = transactions / warmRuns;
}

void ReadOverSocket(benchmark::State& state) {
    static Segment s(false);
    Measure(state, s, "socket_config_read", 100, &g_socketCalls);
}
BENCHMARK(ReadOverSocket)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void ReadOverHse(benchmark::State& state) {
    static Segment s(true);
    Measure(state, s, "hse_config_read", g_socketCalls > 0 ? g_socketCalls : 100, nullptr);
}
BENCHMARK(ReadOverHse)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) { return bench::Main(argc, argv); }
