// The trend recorder with a full history (11 h 59 min 59 s, the longest the scope dialog
// sets, at the fastest interval of 100 ms on all six channels) against its budgets, in wall
// time, the first run of the process (cold) beside the warm loop:
//   - appending a sample set to the full history takes 100 us or less (a thousandth of the
//     fastest sample interval, whatever the history's length);
//   - redrawing the visible scope takes 16 ms or less (one frame);
//   - saving and loading the recording run at 100 MB/s or more.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <qcustomplot.h>

#include "BenchVerdict.h"
#include "platform/AtomicFile.h"
#include "platform/ProfileFile.h"
#include "platform/Paths.h"
#include "trend/TrendRecorder.h"
#include "trend/ui/CTrendDlg.h"

using namespace trend;

namespace {

constexpr float kInterval = 0.1f;

std::string Folder() {
    static const std::string folder = [] {
        std::string pattern = platform::TempDirectory() + "/trend-bench-XXXXXX";
        return std::string(mkdtemp(pattern.data()));
    }();
    return folder;
}

std::string Profile() {
    const std::string file = Folder() + "/Tessaro.ini";
    for (const TrendChannelInfo& channel : kTrendChannels)
        platform::WritePrivateProfileString(kTrendSection, channel.iniKey, "1", file);
    return file;
}

fieldbus::ProcessRecord Sample(long i) {
    const float t = static_cast<float>(i) * kInterval;
    fieldbus::ProcessRecord r{};
    r.finalPositionValue = 50.0f + 20.0f * std::sin(t / 30.0f);
    r.finalValue = 50.0f + 20.0f * std::sin(t / 30.0f + 0.1f);
    r.pidPv = 40.0f + 10.0f * std::cos(t / 90.0f);
    r.pidSp = 45.0f;
    r.outPressure = 30.0f + 5.0f * std::sin(t / 7.0f);
    r.servoOutputSignal = 50.0f + 3.0f * std::sin(t / 3.0f);
    return r;
}

// Fills a recorder with a full history; returns the number of sample sets added.
long Fill(TrendRecorder& recorder) {
    ScopeSettings scope = recorder.Scope();
    scope.hours = 11;
    scope.minutes = 59;
    scope.seconds = 59;
    recorder.ApplyScope(scope);
    const long sets = static_cast<long>(std::lround(recorder.HistorySeconds() / kInterval)) + 1;
    for (long i = 0; i < sets; ++i) recorder.AddSamples(Sample(i), static_cast<float>(i) * kInterval);
    return sets;
}

// Megabytes per second of `bytes` moved in `ms`.
double MBps(size_t bytes, double ms) { return ms > 0 ? static_cast<double>(bytes) / 1e3 / ms : 0; }

size_t FileBytes(const std::string& path) {
    std::string bytes;
    platform::ReadWholeFile(path, bytes);
    return bytes.size();
}

constexpr double kAppendBudgetUs = 100;
constexpr double kDrawBudgetMs = 16;
constexpr double kFileBudgetMBps = 100;

void AppendToFullHistory(benchmark::State& state) {
    TrendRecorder recorder({}, Profile());
    long i = Fill(recorder);
    auto append = [&] {
        recorder.AddSamples(Sample(i), static_cast<float>(i) * kInterval);
        ++i;
    };
    const double coldMs = bench::ColdMs("trend_append_cold", append);
    if (coldMs >= 0)
        bench::Judge(state, "trend_append_cold", coldMs * 1000, kAppendBudgetUs, "us", bench::Better::Lower);
    double warmMs = 0;
    for (auto _ : state) warmMs += bench::WallMs(append);
    bench::Judge(state, "trend_append_warm", warmMs * 1000 / static_cast<double>(state.iterations()), kAppendBudgetUs,
                 "us", bench::Better::Lower);
    state.counters["samples_per_channel"] = static_cast<double>(recorder.Channel(kActualPosition).size());
}
BENCHMARK(AppendToFullHistory)->UseRealTime()->Unit(benchmark::kMicrosecond);

void RedrawVisibleScope(benchmark::State& state) {
    CTrendDlg window({}, Profile(), 0);
    window.Create();
    window.resize(1000, 700);
    window.show();
    long i = Fill(window.Recorder());
    auto redraw = [&] {
        // A new sample set arrives, and the chart is drawn as the window draws it.
        window.Recorder().AddSamples(Sample(i), static_cast<float>(i) * kInterval);
        ++i;
        window.RedrawChart();
        window.Chart()->replot(QCustomPlot::rpImmediateRefresh);
    };
    const double coldMs = bench::ColdMs("trend_redraw_cold", redraw);
    if (coldMs >= 0) bench::Judge(state, "trend_redraw_cold", coldMs, kDrawBudgetMs, "ms", bench::Better::Lower);
    double warmMs = 0;
    for (auto _ : state) warmMs += bench::WallMs(redraw);
    bench::Judge(state, "trend_redraw_warm", warmMs / static_cast<double>(state.iterations()), kDrawBudgetMs, "ms",
                 bench::Better::Lower);
}
BENCHMARK(RedrawVisibleScope)->UseRealTime()->Unit(benchmark::kMillisecond);

void SaveFullHistory(benchmark::State& state) {
    TrendRecorder recorder({}, Profile());
    Fill(recorder);
    const std::string path = Folder() + "/full.tre";
    auto save = [&] {
        if (recorder.SaveFile(path, kVersion21T) != 0) state.SkipWithError("save failed");
    };
    const double coldMs = bench::ColdMs("trend_save_cold", save);
    const size_t bytes = FileBytes(path);
    if (coldMs >= 0)
        bench::Judge(state, "trend_save_cold", MBps(bytes, coldMs), kFileBudgetMBps, "MB/s", bench::Better::Higher);
    double warmMs = 0;
    for (auto _ : state) warmMs += bench::WallMs(save);
    bench::Judge(state, "trend_save_warm", MBps(bytes, warmMs / static_cast<double>(state.iterations())),
                 kFileBudgetMBps, "MB/s", bench::Better::Higher);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(SaveFullHistory)->UseRealTime()->Unit(benchmark::kMillisecond);

void LoadFullHistory(benchmark::State& state) {
    const std::string path = Folder() + "/full.tre";
    {
        TrendRecorder recorder({}, Profile());
        Fill(recorder);
        recorder.SaveFile(path, kVersion21T);
    }
    auto load = [&] {
        TrendRecorder recorder({}, Folder() + "/Tessaro.ini");
        if (recorder.LoadFile(path) != 0) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(recorder.Channel(kServoOutput).size());
    };
    const size_t bytes = FileBytes(path);
    const double coldMs = bench::ColdMs("trend_load_cold", load);
    if (coldMs >= 0)
        bench::Judge(state, "trend_load_cold", MBps(bytes, coldMs), kFileBudgetMBps, "MB/s", bench::Better::Higher);
    double warmMs = 0;
    for (auto _ : state) warmMs += bench::WallMs(load);
    bench::Judge(state, "trend_load_warm", MBps(bytes, warmMs / static_cast<double>(state.iterations())),
                 kFileBudgetMBps, "MB/s", bench::Better::Higher);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(LoadFullHistory)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int result = bench::Main(argc, argv);
    const std::string cleanup = "rm -rf '" + Folder() + "'";
    return std::system(cleanup.c_str()) == 0 ? result : 1;
}
