// Signature files and analysis against their budgets, in wall time, cold (the first run of
// the process) and warm (the loop):
//   - saving the largest signature file the window writes (every graph type, 50 curves of
//     600 points with 600 set points each) at 100 MB/s or more, the first save included;
//   - reading that file at 100 MB/s or more;
//   - analysing a 600-point step series in less than 1 ms;
//   - analysing a 600-point actuator signature (a high-resolution loop, down and up) in less
//     than 1 ms.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchVerdict.h"
#include "diagnostics/SignatureAnalyser.h"
#include "diagnostics/SignatureFile.h"
#include "diagnostics/tools/ExampleSignatures.h"
#include "platform/AtomicFile.h"

using namespace diagnostics;

namespace {

constexpr int kCurvesPerGraph = 50;  // the curves a graph window's menus address
constexpr int kMostPoints = 600;     // the most points a device stores for one curve

// The records of the largest file and the blocks that address them.
struct LargestRecords {
    std::vector<CSignatureData> records;
    std::vector<SignatureBlockToWrite> blocks;
    LargestRecords() {
        examples::ValveModel valve;
        records.reserve(kKindCount * kCurvesPerGraph);
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
    }
};

const LargestRecords& Largest() {
    static const LargestRecords largest;
    return largest;
}

std::string LargestFile() {
    static const std::string bytes = StoreSignatureFile(Largest().blocks);
    return bytes;
}

// Megabytes per second of `bytes` moved in `ms`.
double MBps(size_t bytes, double ms) { return ms > 0 ? static_cast<double>(bytes) / 1e3 / ms : 0; }

std::string Folder() {
    static const std::string folder = [] {
        char name[] = "/tmp/tessaro-sigbench-XXXXXX";
        return std::string(mkdtemp(name) ? name : "/tmp");
    }();
    return folder;
}

// A save as the graph window makes it: the bytes built and written through a temporary file.
void SaveLargestSignatureFile(benchmark::State& state) {
    const LargestRecords& largest = Largest();  // the records exist before the user saves
    const std::string path = Folder() + "/largest.sig";
    size_t bytes = 0;
    auto save = [&] {
        const std::string file = StoreSignatureFile(largest.blocks);
        bytes = file.size();
        if (!platform::WriteFileAtomically(path, file)) state.SkipWithError("the save failed");
    };
    const double coldMs = bench::ColdMs("sig_save_cold", save);
    if (coldMs >= 0) bench::Judge(state, "sig_save_cold", MBps(bytes, coldMs), 100, "MB/s", bench::Better::Higher);
    double warmMs = 0;
    for (auto _ : state) warmMs += bench::WallMs(save);
    bench::Judge(state, "sig_save_warm", MBps(bytes, warmMs / static_cast<double>(state.iterations())), 100, "MB/s",
                 bench::Better::Higher);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(SaveLargestSignatureFile)->UseRealTime()->Unit(benchmark::kMillisecond);

void LoadLargestSignatureFile(benchmark::State& state) {
    const std::string& bytes = LargestFile();
    auto load = [&] {
        SignatureFileContents contents;
        std::string error;
        if (ParseSignatureFile(bytes, contents, error) != 0) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(contents);
    };
    const double coldMs = bench::ColdMs("sig_load_cold", load);
    if (coldMs >= 0) bench::Judge(state, "sig_load_cold", MBps(bytes.size(), coldMs), 100, "MB/s", bench::Better::Higher);
    double warmMs = 0;
    for (auto _ : state) warmMs += bench::WallMs(load);
    bench::Judge(state, "sig_load_warm", MBps(bytes.size(), warmMs / static_cast<double>(state.iterations())), 100,
                 "MB/s", bench::Better::Higher);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
}
BENCHMARK(LoadLargestSignatureFile)->UseRealTime()->Unit(benchmark::kMillisecond);

// Judges an analysis of `record`: cold and warm microseconds against 1 ms.
void JudgeAnalysis(benchmark::State& state, const std::string& measure, const CSignatureData& record) {
    SignatureResults results;
    auto analyse = [&] {
        SignatureAnalyser(record).Analyse(86.0f, results);
        benchmark::DoNotOptimize(results);
    };
    const double coldMs = bench::ColdMs(measure + "_cold", analyse);
    if (coldMs >= 0) bench::Judge(state, measure + "_cold", coldMs * 1000, 1000, "us", bench::Better::Lower);
    double warmMs = 0;
    for (auto _ : state) warmMs += bench::WallMs(analyse);
    if (results.valid != 1) state.SkipWithError("the record was not analysed");
    bench::Judge(state, measure + "_warm", warmMs * 1000 / static_cast<double>(state.iterations()), 1000, "us",
                 bench::Better::Lower);
}

void AnalyseStepSeries600(benchmark::State& state) {
    const CSignatureData series =
        examples::StepSeries(examples::ValveModel{}, "FV-101", examples::MakeDate(2025, 1, 1, 0, 0), 75);
    if (series.curve1.size() != kMostPoints) state.SkipWithError("the series does not hold 600 points");
    JudgeAnalysis(state, "step_analysis", series);
}
BENCHMARK(AnalyseStepSeries600)->UseRealTime()->Unit(benchmark::kMicrosecond);

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
    JudgeAnalysis(state, "actuator_analysis", HighResolutionLoop());
}
BENCHMARK(AnalyseActuatorSignature600)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    const int result = bench::Main(argc, argv);
    const std::string cleanup = "rm -rf '" + Folder() + "'";
    return std::system(cleanup.c_str()) == 0 ? result : 1;
}
