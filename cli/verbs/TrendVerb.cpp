// trend: a device's live values recorded for a while into a trend file (.tre).
#include <algorithm>

#include "app/DeviceData.h"
#include "cli/ConfigSources.h"
#include "cli/Context.h"
#include "cli/OptionNumber.h"
#include "cli/OutputPath.h"
#include "fieldbus/FieldbusMessages.h"
#include "platform/Clock.h"
#include "platform/Ui.h"
#include "trend/TrendRecorder.h"

using platform::Format;

namespace cli {

namespace {

int RunTrend(Context& ctx) {
    const std::string& tag = ctx.Argument(0);
    const std::string path = ctx.Option("out");
    const std::string version = ctx.Option("version");
    int seconds = 0, interval = 0;
    // Every argument and the file are checked before the recording: it is not made to be lost.
    if (path.empty()) {
        ctx.Error("Error: --out FILE names the trend file to write.");
        return kExitUsage;
    }
    if (!ParseWholeNumber(ctx.Option("seconds"), 1, trend::TrendRecorder::kMaxHistorySeconds, seconds)) {
        ctx.Error(Format("Error: --seconds takes 1 to %d.", trend::TrendRecorder::kMaxHistorySeconds));
        return kExitUsage;
    }
    if (!ParseWholeNumber(ctx.Option("interval"), trend::TrendRecorder::kMinInterval,
                          trend::TrendRecorder::kMaxInterval, interval)) {
        ctx.Error(Format("Error: --interval takes %d to %d milliseconds.", trend::TrendRecorder::kMinInterval,
                         trend::TrendRecorder::kMaxInterval));
        return kExitUsage;
    }
    if (trend::ChannelCountOf(version) == 0) {
        ctx.Error("Error: --version takes 2.1T, 2.1 or 0.9d.");
        return kExitUsage;
    }
    if (const std::string problem = OutputPathProblem(path, ".tre"); !problem.empty()) {
        ctx.Error(problem);
        return kExitUsage;
    }
    if (!MayWrite(path)) return kExitRefused;
    const int slot = ctx.FindSlot(tag);
    if (slot < 0) return kExitFailed;
    if (!ctx.Link().IsPositioner(slot)) {
        ctx.Error("Error: " + tag + " is not a positioner of this program: it has none of the trend's channels.");
        return kExitFailed;
    }
    if (ctx.OpenDevice(slot) != 0) return kExitFailed;
    fieldbus::FieldbusLink& link = ctx.Link();
    fieldbus::FieldbusDevice& device = link.Device(slot);

    trend::TrendDevice source;
    source.slot = slot;
    source.device = &device;
    source.tag = tag;
    source.isPresent = [&link](int s) { return link.IsPresent(s); };
    trend::TrendRecorder recorder(source, trend::TrendProfileFile());
    if (device.BlockOf(fieldbus::BlockKind::PID) < 0) {
        // Recorded, they would be zeros that look like measurements.
        trend::ChannelFlags absent{};
        absent[trend::kProcessPv] = absent[trend::kProcessSp] = true;
        if (recorder.Enabled()[trend::kProcessPv] || recorder.Enabled()[trend::kProcessSp])
            ctx.Error("Note: " + tag + " has no PID block: its process value and set point are not recorded.");
        recorder.LeaveOut(absent);
    }
    const app::DeviceData data = app::ReadDeviceData(device);
    float supply = 0.0f;
    if (device.ReadTbSupplyPressure(supply) != 0) supply = 0.0f;
    recorder.SetPressure({supply, data.pressureUnit});
    recorder.SetSampleInterval(interval);
    // The history holds the whole recording.
    trend::ScopeSettings scope = recorder.Scope();
    const int history = std::max(seconds + 1, scope.hours * 3600 + scope.minutes * 60 + scope.seconds);
    scope.hours = history / 3600;
    scope.minutes = history % 3600 / 60;
    scope.seconds = history % 60;
    recorder.ApplyScope(scope);
    recorder.SetNotifyWindow(ctx.NotifyWindow());
    ctx.SetMessageHandler([&recorder](unsigned msg, uintptr_t wParam) {
        if (msg == fieldbus::WM_PROCESS_POLLED) recorder.OnProcessPolled(static_cast<int>(wParam));
    });
    if (recorder.Start() != 0) {
        ctx.Pump();
        ctx.Error("Error: The recording of " + tag + " could not be started.");
        return kExitFailed;
    }
    ctx.Progress(Format("Recording %s for %d s every %d ms into %s (Ctrl+C ends it early) ...", tag.c_str(), seconds,
                        interval, path.c_str()));
    platform::Clock& clock = platform::GetClock();
    const uint64_t start = clock.NowMs();
    int result = kExitOk;
    // Ctrl+C and the other ending signals end the recording early; it is saved all the same.
    while (clock.NowMs() - start < static_cast<uint64_t>(seconds) * 1000 && !Interrupted()) {
        ctx.Pump();
        if (ctx.ServerLost() || recorder.NoticePollEnd() || !link.IsPresent(slot)) {
            ctx.Error("Error: " + tag + " stopped answering; the recording so far is saved.");
            result = kExitFailed;
            break;
        }
        clock.SleepMs(20);
    }
    recorder.Stop();
    ctx.Pump();
    ctx.SetMessageHandler({});

    size_t samples = 0;
    JsonValue channels = JsonValue::array();
    for (int c = 0; c < trend::ChannelCountOf(version) && c < trend::kTrendChannelCount; ++c) {
        if (!recorder.Enabled()[static_cast<size_t>(c)]) continue;
        channels.push_back(trend::kTrendChannels[static_cast<size_t>(c)].legend);
        samples = std::max(samples, recorder.Channel(c).size());
    }
    if (recorder.SaveFile(path, version) != 0) {
        ctx.Pump();
        return kExitFailed;
    }
    const double elapsed = static_cast<double>(clock.NowMs() - start) / 1000.0;
    if (ctx.Json())
        ctx.PrintJson({{"tag", tag}, {"file", path}, {"version", version}, {"seconds", elapsed}, {"samples", samples},
                       {"channels", channels}});
    else
        ctx.Print(Format("Saved %zu samples of %s (%.1f s) into %s.", samples, tag.c_str(), elapsed, path.c_str()));
    return result;
}

}  // namespace

Verb TrendVerb() {
    Verb verb;
    verb.name = "trend";
    verb.arguments = "TAG --out FILE";
    verb.summary = "record a device's live values into a trend file";
    verb.description =
        "Records the live values of the device with the PD tag TAG as the trend window does (actual and target "
        "position, the PID block's process value and set point, output pressure, servo output; the channels "
        "chosen in section \"Trend\" of Tessaro.ini) for --seconds, then saves them as a trend file that the trend "
        "window opens. Ctrl+C (or SIGTERM, SIGHUP, a closed pipe) ends the recording early and still saves it; the "
        "exit status then says that it was ended (130 after Ctrl+C). FILE, its folder and every option are "
        "checked before the recording starts. Channels the device does not have are left out, with a note "
        "(a positioner without a PID block has no process value or set point); a device that is no positioner "
        "is refused.\n\n"
        "An existing FILE is replaced only after asking (--yes agrees).";
    verb.options = {{"out", "FILE", "The trend file to write (.tre).", ""},
                    {"seconds", "N", "How long to record (1 to 43199).", "60"},
                    {"interval", "MS", "Milliseconds between samples (100 to 10000).", "850"},
                    {"version", "V", "File version: 2.1T (six channels), 2.1 (five) or 0.9d (four).", "2.1T"}};
    verb.examples = {"tessaro-cli trend FV-101 --seconds 300 --out fv101.tre"};
    verb.minArguments = 1;
    verb.maxArguments = 1;
    verb.run = RunTrend;
    return verb;
}

}  // namespace cli
