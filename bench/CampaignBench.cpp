// One row of the valve population campaign: stop finding, self check and auto tune of a
// sticky valve (PV-02 of the population segment) through the program's procedure protocol,
// on the segment's manual clock. The counter `simulated_s` is the device time the row covers;
// the row must run far faster than that for the campaign to fit the test suite's budget.
#include <benchmark/benchmark.h>

#include "calibration/RunProcedure.h"
#include "tools/population/CampaignBed.h"

namespace {

void CampaignRow(benchmark::State& state) {
    double simulated = 0.0;
    for (auto _ : state) {
        population::CampaignBed bed;
        std::string error;
        if (!bed.Open(TESSARO_POPULATION_FILE, "PV-02", error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        const uint64_t start = platform::GetClock().NowMs();
        for (uint8_t command : {calibration::kFindStops, calibration::kSelfCheck, calibration::kAutoTune}) {
            const population::ProcedureEnd end = bed.Procedure(command);
            if (end.status != 0 || end.code >= 100) state.SkipWithError(end.text.c_str());
        }
        simulated = static_cast<double>(platform::GetClock().NowMs() - start) / 1000.0;
    }
    state.counters["simulated_s"] = simulated;
}
BENCHMARK(CampaignRow)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
