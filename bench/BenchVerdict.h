#pragma once
// What every benchmark reports beside Google Benchmark's own line: each figure in wall time,
// the first (cold) run of the process beside the warm loop, judged against the model or limit
// it is held to. A figure that misses is said loudly at once, and main ends with the table of
// every verdict (measure, figure, model or limit, ratio) and a nonzero exit when one missed.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace bench {

enum class Better { Lower, Higher };

struct Verdict {
    std::string measure;
    double figure = 0;
    double limit = 0;
    std::string unit;
    Better better = Better::Lower;
    bool Missed() const { return better == Better::Lower ? figure > limit : figure < limit; }
    // Figure over limit: at most 1 passes for a time, at least 1 for a rate.
    double Ratio() const { return limit != 0 ? figure / limit : 0; }
};

inline std::vector<Verdict>& Verdicts() {
    static std::vector<Verdict> all;
    return all;
}

// Records a verdict (once per measure: Google Benchmark may call a benchmark more than once),
// shows it as counters of `state` and prints a miss at once.
inline void Judge(benchmark::State& state, const std::string& measure, double figure, double limit,
                  const std::string& unit, Better better) {
    const Verdict v{measure, figure, limit, unit, better};
    state.counters[measure + "_" + unit] = figure;
    state.counters[measure + "_limit"] = limit;
    std::vector<Verdict>& all = Verdicts();
    for (Verdict& known : all)
        if (known.measure == measure) {
            known = v;
            return;
        }
    all.push_back(v);
    if (v.Missed())
        std::fprintf(stderr, "\n*** MISSED: %s is %.3f %s against %s %.3f %s (ratio %.3f) ***\n\n", measure.c_str(),
                     figure, unit.c_str(), better == Better::Lower ? "at most" : "at least", limit, unit.c_str(),
                     v.Ratio());
}

// Wall milliseconds of `work`.
template <typename Work>
double WallMs(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Wall milliseconds of `work` the first time `measure` runs in this process; a negative
// number on every later call (the run is then no longer cold and is not made).
template <typename Work>
double ColdMs(const std::string& measure, Work&& work) {
    static std::set<std::string> done;
    if (!done.insert(measure).second) return -1;
    return WallMs(work);
}

// Prints the table of all verdicts; 1 when one missed.
inline int Summary() {
    int missed = 0;
    std::printf("\n| Measure | Figure | Model or limit | Ratio | |\n|---|---|---|---|---|\n");
    for (const Verdict& v : Verdicts()) {
        std::printf("| %s | %.3f %s | %s %.3f %s | %.3f | %s |\n", v.measure.c_str(), v.figure, v.unit.c_str(),
                    v.better == Better::Lower ? "<=" : ">=", v.limit, v.unit.c_str(), v.Ratio(),
                    v.Missed() ? "**MISSED**" : "ok");
        if (v.Missed()) ++missed;
    }
    if (missed != 0) std::printf("\n*** %d figure(s) MISSED their model or limit ***\n", missed);
    return missed != 0 ? 1 : 0;
}

// main for a benchmark program: the runs, then the table.
inline int Main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return Summary();
}

}  // namespace bench
