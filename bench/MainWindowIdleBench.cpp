// The main window's own processor time while it sits idle with FV-101 open against the `nifb`
// server (bus latency model on): the user and system time of this process (getrusage) over
// 10 s of its event loop, as a share of one core, against 0.15 %. The live values keep
// arriving meanwhile as designed (the device's readers, the live-list poll); the server runs
// in a process of its own and is not counted. A message box that comes up is closed and
// fails the run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <memory>
#include <string>
#include <sys/resource.h>

#include "BenchVerdict.h"
#include "app/CMainFrame.h"
#include "app/CTessaroView.h"
#include "logon/CurrentUser.h"
#include "platform/ui/QtMessagePump.h"
#include "platform/ui/QtUi.h"
#include "simulator/tests/ServerProcess.h"

namespace {

constexpr double kIdleBudgetPercent = 0.15;
constexpr int kSettleMs = 3000;
constexpr int kMeasureMs = 10000;

std::string Folder() {
    static const std::string folder = [] {
        char name[] = "/tmp/tessaro-idlebench-XXXXXX";
        return std::string(mkdtemp(name) ? name : "/tmp");
    }();
    return folder;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Processor time of every thread of this process in microseconds, by thread id and name.
std::map<std::string, long> ThreadMicroseconds() {
    std::map<std::string, long> spent;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream schedstat(task.path() / "schedstat");
        std::ifstream comm(task.path() / "comm");
        long long ns = 0;
        std::string name;
        if (!(schedstat >> ns)) continue;
        std::getline(comm, name);
        spent[task.path().filename().string() + " " + name] = static_cast<long>(ns / 1000);
    }
    return spent;
}

// Runs the event loop for `ms`.
void Serve(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

template <typename F>
bool ServeUntil(F done, int ms) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done() && std::chrono::steady_clock::now() < limit) Serve(20);
    return done();
}

QTreeWidgetItem* DeviceItem(QTreeWidget* tree, const QString& tag) {
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0) == tag) return tree->topLevelItem(i);
    return nullptr;
}

void IdleWithDeviceOpen(benchmark::State& state) {
    simulator::testing::ServerProcess server(NIFB_SERVER_BINARY, Folder() + "/nifb.sock", NIFB_DEFAULT_SEGMENT_FILE,
                                             Folder() + "/server.log", {"--latency", "on"});
    logon::CurrentUser::SetLevel(9);
    platform::QtUi ui;
    platform::QtMessagePump pump;
    // Nothing should ask the user anything here: a box that comes up is closed and counted.
    int boxes = 0;
    QTimer boxWatch;
    boxWatch.setInterval(200);
    QObject::connect(&boxWatch, &QTimer::timeout, [&boxes] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            ++boxes;
            box->close();
        }
    });
    boxWatch.start();
    fieldbus::FieldbusLink link;
    {
        CMainFrame frame(link);
        frame.show();
        QTreeWidget* tree = frame.View()->Tree();
        auto* stateLabel = frame.findChild<QLabel*>("stateLabel");
        const bool scanned = ServeUntil(
            [&] { return DeviceItem(tree, "FV-101") != nullptr && !frame.View()->Controller().IsBusy(); }, 20000);
        if (scanned) tree->setCurrentItem(DeviceItem(tree, "FV-101"));
        if (!scanned || !ServeUntil([&] { return stateLabel->text() == "NORMAL STATE"; }, 20000)) {
            state.SkipWithError("FV-101 did not open");
            frame.close();
            return;
        }
        boxWatch.stop();  // its own ticks are not the window's
        Serve(kSettleMs);
        for (auto _ : state) {
            const std::map<std::string, long> threadsBefore = ThreadMicroseconds();
            const double before = CpuSeconds();
            const auto start = std::chrono::steady_clock::now();
            Serve(kMeasureMs);
            const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const double percent = 100.0 * (CpuSeconds() - before) / wall;
            state.SetIterationTime(wall);
            // Where the time went, thread by thread.
            for (const auto& [thread, us] : ThreadMicroseconds()) {
                const auto it = threadsBefore.find(thread);
                const long spent = us - (it == threadsBefore.end() ? 0 : it->second);
                if (spent > 0) std::fprintf(stderr, "thread %s: %.1f ms\n", thread.c_str(), spent / 1000.0);
            }
            bench::Judge(state, "main_window_idle_cpu", percent, kIdleBudgetPercent, "%", bench::Better::Lower);
        }
        if (boxes > 0) state.SkipWithError("a message box came up");
        frame.close();
    }
    logon::CurrentUser::Reset();
}
BENCHMARK(IdleWithDeviceOpen)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The program's files and registry stay in the run's own folder.
    for (const char* name : {"TESSARO_HOME", "TESSARO_REGISTRY", "TESSARO_SYSTEM_DIR"})
        if (!std::getenv(name)) setenv(name, (Folder() + "/" + name).c_str(), 1);
    QApplication app(argc, argv);
    const int result = bench::Main(argc, argv);
    std::error_code ec;
    std::filesystem::remove_all(Folder(), ec);
    return result;
}
