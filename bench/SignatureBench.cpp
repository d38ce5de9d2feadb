// Signature files and analysis against their budgets:
//   - reading the largest signature file the window writes (every graph type, 50 curves of
//     600 points with 600 set points each) at 100 MB/s or more;
//   - analysing a 600-point step series in less than 1 ms;
//   - analysing a 600-point actuator signature (a high-resolution loop, down and up) in less
//     than 1 ms.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "diagnostics/SignatureAnalyser.h"
#include "diagnostics/SignatureFile.h"
#include "diagnostics/tools/ExampleSignatures.h"

using namespace diagnostics;

namespace {

constexpr int kCurvesPerGraph = 50;  // the curves a graph window's menus address
constexpr int kMostPoints = 600;     // the most points a device stores for one curve

std::string LargestFile() {
    static const std::string bytes = [] {
        examples::ValveModel valve;
        std::vector<CSignatureData> records;
        records.reserve(kKindCount * kCurvesPerGraph);
        std::vector<SignatureBlockToWrite> blocks;
        for (int kind = 0; kind < kKindCount; ++kind) {
            SignatureBlockToWrite block;
            block.kind = kind;
            for (int i = 0; i < kCurvesPerGraph; ++i) {
                CSignatureData r = examples::StepSeries(valve, "FV-101", examples::MakeDate(2025, 1, 1, 0, i), 75);
                r.kind = kind;
                r.notes = "Benchmark record";
                records.push_back(std::move(r));
            }
            blocks.push_back(block);
        }
        for (int kind = 0; kind < kKindCount; ++kind)
            for (int i = 0; i < kCurvesPerGraph; ++i)
                blocks[static_cast<size_t>(kind)].curves.push_back(&records[static_cast<size_t>(kind * kCurvesPerGraph + i)]);
        return StoreSignatureFile(blocks);
    }();
    return bytes;
}

void LoadLargestSignatureFile(benchmark::State& state) {
    const std::string& bytes = LargestFile();
    for (auto _ : state) {
        SignatureFileContents contents;
        std::string error;
        if (ParseSignatureFile(bytes, contents, error) != 0) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(contents);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
    state.counters["budget_MB/s"] = 100;
}
BENCHMARK(LoadLargestSignatureFile)->Unit(benchmark::kMillisecond);

void AnalyseStepSeries600(benchmark::State& state) {
    const CSignatureData series =
        examples::StepSeries(examples::ValveModel{}, "FV-101", examples::MakeDate(2025, 1, 1, 0, 0), 75);
    if (series.curve1.size() != kMostPoints) state.SkipWithError("the series does not hold 600 points");
    SignatureResults results;
    for (auto _ : state) {
        SignatureAnalyser(series).Analyse(86.0f, results);
        benchmark::DoNotOptimize(results);
    }
    if (results.valid != 1) state.SkipWithError("the series was not analysed");
    state.counters["budget_us"] = 1000;
}
BENCHMARK(AnalyseStepSeries600)->Unit(benchmark::kMicrosecond);

// A high-resolution loop of 600 points: the pressure falls from the higher set point to the
// lower one and rises again, over a spring of 20 to 100 kPa with 3 kPa of friction.
CSignatureData HighResolutionLoop() {
    CSignatureData r(KindHighResolution);
    r.header = {23.5f, 5.0f, 95.0f, 60.0f, 60.0f, 2.0f, 100.0f, 0.0f, 0.0f};
    const int half = kMostPoints / 2;
    for (int i = 0; i < kMostPoints; ++i) {
        const bool falling = i < half;
        const float f = static_cast<float>(falling ? i : i - half) / static_cast<float>(half - 1);
        const float position = falling ? 95.0f - 90.0f * f : 5.0f + 90.0f * f;
        const float pressure = 20.0f + 0.8f * position + (falling ? -3.0f : 3.0f);
        r.curve1.push_back({pressure, position, 0});
    }
    return r;
}

void AnalyseActuatorSignature600(benchmark::State& state) {
    const CSignatureData loop = HighResolutionLoop();
    SignatureResults results;
    for (auto _ : state) {
        SignatureAnalyser(loop).Analyse(86.0f, results);
        benchmark::DoNotOptimize(results);
    }
    if (results.valid != 1) state.SkipWithError("the signature was not analysed");
    state.counters["budget_us"] = 1000;
}
BENCHMARK(AnalyseActuatorSignature600)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
