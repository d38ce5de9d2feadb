// One row of the valve population campaign: stop finding, self check and auto tune of a
// sticky valve (PV-02 of the population segment) through the program's procedure protocol,
// on the segment's manual clock. The row must run at least a hundred times faster than the
// device time it covers, so that the campaign of sixteen valves fits the test suite's budget;
// the first run of the process is judged apart from the warm loop.
#include "bench/BenchVerdict.h"
#include "calibration/RunProcedure.h"
#include "platform/Clock.h"
#include "tools/population/CampaignBed.h"

namespace {

constexpr double kLeastSpeedUp = 100.0;  // device seconds per wall second

// The device time the row covers (s); negative when it could not run.
double Row(std::string& error) {
    population::CampaignBed bed;
    if (!bed.Open(TESSARO_POPULATION_FILE, "PV-02", error)) return -1;
    const uint64_t start = platform::GetClock().NowMs();
    for (uint8_t command : {calibration::kFindStops, calibration::kSelfCheck, calibration::kAutoTune}) {
        const population::ProcedureEnd end = bed.Procedure(command);
        if (end.status != 0 || end.code >= 100) {
            error = end.text;
            return -1;
        }
    }
    return static_cast<double>(platform::GetClock().NowMs() - start) / 1000.0;
}

void CampaignRow(benchmark::State& state) {
    std::string error;
    double simulated = 0.0;
    const double coldMs = bench::ColdMs("campaign row", [&] { simulated = Row(error); });
    if (coldMs >= 0 && simulated > 0)
        bench::Judge(state, "campaign row, cold: device s per wall s", simulated / (coldMs / 1000.0), kLeastSpeedUp,
                     "x", bench::Better::Higher);
    double wallMs = 0.0;
    int rows = 0;
    for (auto _ : state) {
        wallMs += bench::WallMs([&] { simulated = Row(error); });
        ++rows;
        if (simulated < 0) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    if (rows > 0)
        bench::Judge(state, "campaign row, warm: device s per wall s", simulated / (wallMs / rows / 1000.0),
                     kLeastSpeedUp, "x", bench::Better::Higher);
    state.counters["simulated_s"] = simulated;
}
BENCHMARK(CampaignRow)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return bench::Main(argc, argv); }
