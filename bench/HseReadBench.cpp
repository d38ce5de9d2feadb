// A whole configuration read of FV-101 with the bus latency model on, once through the
// server's socket and once through the simulator playing a linking device (HSE), in the
// same process. Over HSE the read may make no more bus transactions than over the socket,
// and its wall time may be at most 1.02 x the bus time the model charged: what the library
// and the HSE messages add must vanish beside the bus.
#include <benchmark/benchmark.h>

#include <string>

#include "BenchVerdict.h"
#include "ServedSegment.h"
#include "config/CConfigData.h"
#include "config/ConfigTransfer.h"

namespace {

using Segment = bench::ServedSegment;

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
