// watch: a device's live values from its view readers, one line a period.
#include <cstdlib>
#include <ctime>

#include "app/DeviceData.h"
#include "app/DeviceDisplay.h"
#include "cli/Context.h"
#include "cli/OptionNumber.h"
#include "fieldbus/FieldbusMessages.h"
#include "fieldbus/OperationState.h"
#include "platform/Clock.h"
#include "platform/Ui.h"
#include "values/ValueCodec.h"

using platform::Format;

namespace cli {

namespace {

constexpr uint64_t kFirstValuesLimitMs = 10000;

std::string TimeOfDay() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16] = {};
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

std::string Number(float value) { return Format("%.2f", static_cast<double>(value)); }

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

struct Sample {
    fieldbus::TbView3Record tb{};
    uint8_t rb = 0, ao = 0, pid = 0;
    bool hasPid = false;
    int state = fieldbus::kUnnamedState;
};

int RunWatch(Context& ctx) {
    const std::string& tag = ctx.Argument(0);
    int interval = 0, count = 0;
    if (!ParseWholeNumber(ctx.Option("interval"), 100, 3600000, interval) ||
        !ParseWholeNumber(ctx.Option("count"), 0, 1000000000, count)) {
        ctx.Error("Error: --interval takes 100 to 3600000 milliseconds, --count a number of lines (0: until Ctrl+C).");
        return kExitUsage;
    }
    const int slot = ctx.OpenDeviceByTag(tag);
    if (slot < 0) return kExitFailed;
    fieldbus::FieldbusLink& link = ctx.Link();
    fieldbus::FieldbusDevice& device = link.Device(slot);
    const app::DeviceData data = app::ReadDeviceData(device);
    ctx.Pump();
    if (!data.ok) {
        ctx.Error(Format("Error: Failed to read the device data of %s.", tag.c_str()));
        return kExitFailed;
    }
    const bool hasPid = device.BlockOf(fieldbus::BlockKind::PID) >= 0;

    bool tbSeen = false;
    ctx.SetMessageHandler([&tbSeen, slot](unsigned msg, uintptr_t wParam) {
        if (msg == fieldbus::WM_TBVIEW3_UPDATED && static_cast<int>(wParam) == slot) tbSeen = true;
    });
    const platform::WindowHandle notify = ctx.NotifyWindow();
    device.StartTbView3(notify);
    device.StartAoView1(notify);
    device.StartRbView1(notify);
    if (hasPid) device.StartPidView3(notify);

    const std::string position = values::ValueCodec::Instance().UnitToDisplay(data.positionUnit);
    const std::string pressure = values::ValueCodec::Instance().UnitToDisplay(data.pressureUnit);
    const std::string temperature = values::ValueCodec::Instance().UnitToDisplay(data.temperatureUnit);
    const char* textFormat = "%-8s  %-15s  %9s  %9s  %9s  %9s  %9s  %-8s  %-8s  %-8s  %s";
    if (ctx.Flag("csv")) {
        ctx.Print("time,state,position[" + position + "],set_point[" + position + "],out_pressure[" + pressure +
                  "],servo_output[%],temperature[" + temperature + "],rb_mode,tb_mode,ao_mode,pid_mode");
    } else if (!ctx.Json()) {
        ctx.Print(Format(textFormat, "TIME", "STATE", "POSITION", "SET POINT", "PRESSURE", "SERVO", "TEMP", "RB", "TB",
                         "AO", "PID"));
        ctx.Print(Format(textFormat, "", "", position.c_str(), position.c_str(), pressure.c_str(), "%",
                         temperature.c_str(), "", "", "", ""));
    }

    platform::Clock& clock = platform::GetClock();
    int result = kExitOk;
    uint64_t start = clock.NowMs();
    // The first line waits for the transducer view's first values.
    while (!tbSeen && clock.NowMs() - start < kFirstValuesLimitMs && !Interrupted()) {
        ctx.Pump();
        clock.SleepMs(10);
    }
    if (!tbSeen && !Interrupted()) {
        ctx.Error("Error: " + tag + " sends no values.");
        result = kExitFailed;
    }
    uint64_t next = clock.NowMs();
    for (int lines = 0; result == kExitOk && (count == 0 || lines < count) && !Interrupted();) {
        ctx.Pump();
        if (ctx.ServerLost()) {
            result = kExitFailed;
            break;
        }
        if (!link.IsPresent(slot) || !device.IsOpen()) {
            platform::ShowMessage(Format("********** Error ********** \n\nDevice %s not responsive ! \n\nConnection "
                                         "terminated.",
                                         tag.c_str()));
            result = kExitFailed;
            break;
        }
        if (clock.NowMs() < next) {
            clock.SleepMs(10);
            continue;
        }
        next += static_cast<uint64_t>(interval);
        Sample s;
        fieldbus::RawRecord33 ao{};
        fieldbus::RawRecord22 rb{};
        fieldbus::RawRecord83 pid{};
        device.GetTbView3(s.tb);
        // VIEW_1 and VIEW_3 begin with ST_REV and MODE_BLK: the actual mode is byte 3.
        if (device.GetAoView1(ao) == 0) s.ao = ao[3];
        if (device.GetRbView1(rb) == 0) s.rb = rb[3];
        if (hasPid && device.GetPidView3(pid) == 0) s.pid = pid[3];
        s.state = fieldbus::ShownOperationState(true, s.rb, s.tb.modeBlk[1], s.ao);
        const std::string when = TimeOfDay();
        const std::string state = fieldbus::OperationStateName(s.state);
        const std::string pidMode = hasPid ? app::ModeText(s.pid) : std::string("-");
        if (ctx.Json()) {
            JsonValue line = {{"time", when},
                                   {"tag", tag},
                                   {"state", state},
                                   {"position", JsonFloat(s.tb.finalPositionValue)},
                                   {"setPoint", JsonFloat(s.tb.finalValue)},
                                   {"outPressure", JsonFloat(s.tb.outPressure)},
                                   {"servoOutput", JsonFloat(s.tb.servoOutputSignal)},
                                   {"temperature", JsonFloat(s.tb.electTemp)},
                                   {"modes", {{"RB", app::ModeText(s.rb)}, {"TB", app::ModeText(s.tb.modeBlk[1])},
                                              {"AO", app::ModeText(s.ao)}, {"PID", pidMode}}}};
            ctx.Print(line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
        } else if (ctx.Flag("csv")) {
            ctx.Print(when + "," + CsvField(state) + "," + Number(s.tb.finalPositionValue) + "," +
                      Number(s.tb.finalValue) + "," + Number(s.tb.outPressure) + "," + Number(s.tb.servoOutputSignal) +
                      "," + Number(s.tb.electTemp) + "," + CsvField(app::ModeText(s.rb)) + "," +
                      CsvField(app::ModeText(s.tb.modeBlk[1])) + "," + CsvField(app::ModeText(s.ao)) + "," +
                      CsvField(pidMode));
        } else {
            ctx.Print(Format(textFormat, when.c_str(), state.c_str(), Number(s.tb.finalPositionValue).c_str(),
                             Number(s.tb.finalValue).c_str(), Number(s.tb.outPressure).c_str(),
                             Number(s.tb.servoOutputSignal).c_str(), Number(s.tb.electTemp).c_str(),
                             app::ModeText(s.rb).c_str(), app::ModeText(s.tb.modeBlk[1]).c_str(),
                             app::ModeText(s.ao).c_str(), pidMode.c_str()));
        }
        ++lines;
    }
    device.StopViewReaders();
    ctx.SetMessageHandler({});
    ctx.Pump();
    return result;
}

}  // namespace

Verb WatchVerb() {
    Verb verb;
    verb.name = "watch";
    verb.arguments = "TAG";
    verb.summary = "live values of a device, one line a period";
    verb.description =
        "Opens the device with the PD tag TAG, starts its view readers as the main window does, and writes one "
        "line per period with the time, the operation state, the valve's actual position and set point, the "
        "output pressure, the servo output, the electronics temperature and the actual modes of the RB, TB, AO "
        "and PID blocks, in the device's own units. Runs until Ctrl+C, or for --count lines.\n\n"
        "--csv writes comma-separated lines under a heading with the units; --json one JSON object per line. A "
        "device that stops answering ends the watch with \"Device <tag> not responsive !\" and exit status 1.";
    verb.options = {{"interval", "MS", "Milliseconds between lines (100 to 3600000).", "1000"},
                    {"count", "N", "Lines to write; 0 runs until Ctrl+C.", "0"},
                    {"csv", "", "Comma-separated values.", ""}};
    verb.examples = {"tessaro-cli watch FV-101", "tessaro-cli watch FV-101 --csv --interval 500 --count 120 > fv101.csv"};
    verb.minArguments = 1;
    verb.maxArguments = 1;
    verb.run = RunWatch;
    return verb;
}

}  // namespace cli
