// A whole configuration read and a whole download of FV-101 through the `nifb` server with
// the bus latency model on (31.25 kbit/s and the scheduling overhead of every transaction).
// Each run is judged in wall time against the bus time the model charged for the same
// transactions (at most 1.02 x modelled), the first (cold) run apart from the later (warm)
// ones, and its transactions against the fewest the transfer needs.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "BenchVerdict.h"
#include "ServedSegment.h"
#include "config/CConfigData.h"
#include "config/ConfigTransfer.h"
#include "fieldbus/FieldbusLink.h"
#include "nifb/Backend.h"
#include "simulator/tests/ServerProcess.h"

namespace {

using Segment = bench::ServedSegment;

Segment& Shared() {
    static Segment segment;
    return segment;
}

config::TransferOptions Quiet() {
    config::TransferOptions options;
    options.waitForClose = false;
    return options;
}

constexpr double kModelRatio = 1.02;

// Runs `transfer` once per iteration; the first run of the process is judged on its own.
template <typename Transfer>
void Measure(benchmark::State& state, const std::string& measure, double fewestCalls, Transfer transfer) {
    Segment& s = Shared();
    if (!s.ready) {
        state.SkipWithError("the server or FV-101 could not be reached");
        return;
    }
    double measuredMs = 0, modelledMs = 0, transactions = 0, warmRuns = 0;
    for (auto _ : state) {
        double busBefore = 0, countBefore = 0, busAfter = 0, countAfter = 0;
        s.Charged(busBefore, countBefore);
        int result = 1;
        const double ms = bench::WallMs([&] { result = transfer(s); });
        s.Charged(busAfter, countAfter);
        if (result != 0) state.SkipWithError("the transfer failed");
        state.SetIterationTime(ms / 1000.0);
        // The status command itself is not charged: it is no bus transaction.
        const double modelled = busAfter - busBefore;
        const double cold = bench::ColdMs(measure + "_cold", [] {});
        if (cold >= 0) {
            bench::Judge(state, measure + "_cold_vs_bus_model", modelled > 0 ? ms / modelled : 0, kModelRatio, "x",
                         bench::Better::Lower);
            continue;
        }
        measuredMs += ms;
        modelledMs += modelled;
        transactions += countAfter - countBefore;
        ++warmRuns;
    }
    if (warmRuns == 0) return;
    state.counters["measured_ms"] = measuredMs / warmRuns;
    state.counters["modelled_ms"] = modelledMs / warmRuns;
    bench::Judge(state, measure + "_warm_vs_bus_model", modelledMs > 0 ? measuredMs / modelledMs : 0, kModelRatio, "x",
                 bench::Better::Lower);
    bench::Judge(state, measure + "_calls", transactions / warmRuns, fewestCalls, "calls", bench::Better::Lower);
}

void ConfigurationRead(benchmark::State& state) {
    // 100 reads: every object of the six groups once, records read whole.
    Measure(state, "config_read", 100, [](Segment& s) {
        config::CConfigData data;
        return config::ConfigTransfer(data, &s.link.Device(s.slot), config::IdentityOnLink(s.link, s.slot), Quiet())
            .ReadConfiguration();
    });
}
BENCHMARK(ConfigurationRead)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);

void ConfigurationDownload(benchmark::State& state) {
    Segment& s = Shared();
    static config::CConfigData data;
    static bool prepared = false;
    if (!prepared && s.ready) {
        // What is downloaded is what the device holds; the blocks are taken out of service
        // once, outside the measurement.
        prepared = config::ConfigTransfer(data, &s.link.Device(s.slot), config::IdentityOnLink(s.link, s.slot), Quiet())
                           .ReadConfiguration() == 0 &&
                   config::PrepareDeviceForDownload(s.link.Device(s.slot)) == 0;
    }
    // 78 calls: every member written once, PV_SCALE whole.
    Measure(state, "config_download", 78, [](Segment& s) {
        return config::ConfigTransfer(data, &s.link.Device(s.slot), config::IdentityOnLink(s.link, s.slot), Quiet())
            .DownloadConfiguration();
    });
}
BENCHMARK(ConfigurationDownload)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);

}  // namespace

int main(int argc, char** argv) { return bench::Main(argc, argv); }
