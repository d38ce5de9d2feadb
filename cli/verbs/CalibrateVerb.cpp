// calibrate: the positioner's calibration procedures, as the Calibration sheet runs them.
#include <cmath>
#include <cstdlib>
#include <functional>

#include "calibration/CalibrationSession.h"
#include "calibration/RunProcedure.h"
#include "cli/ConsoleUi.h"
#include "cli/Context.h"
#include "cli/OptionNumber.h"
#include "cli/ProcedureConsole.h"
#include "cli/TextTable.h"
#include "fieldbus/BlockKind.h"
#include "fieldbus/OperationState.h"
#include "fieldbus/TypedValues.h"
#include "platform/Clock.h"
#include "values/ValueCodec.h"

using platform::Format;

namespace cli {

namespace {

// How long the valve may take to stand still at a new target before a travel calibration,
// and the pace of the position reads meanwhile.
constexpr uint64_t kSettleLimitMs = 30000;
constexpr uint32_t kSettlePollMs = 150;
constexpr float kSettledBand = 0.25f;  // percent between two reads (a valve with friction hunts a little)

// The main view as the calibration command sees it from a terminal: no trend windows and no
// view readers to stop; the sheet is the verb's action.
class ConsoleCalibrationHost : public calibration::CalibrationHost {
public:
    explicit ConsoleCalibrationHost(std::function<void()> sheet) : sheet_(std::move(sheet)) {}
    int OpenTrendWindowCount() const override { return 0; }
    void StopPolling() override {}
    void StartPolling() override {}
    void RunSheet(const std::string&) override { sheet_(); }

private:
    std::function<void()> sheet_;
};

struct Outcome {
    std::string label;  // the page's result label
    std::string text;   // the page's result text
    int exitStatus = kExitFailed;
    int code = -1;      // the device's result code, -1 when none
    bool servo = false;  // the five main servo values are part of the answer
    calibration::MainServoSet before, after;
};

// The verb's answer when the device procedure behind the page ran (or was declined).
void JudgeRun(Context& ctx, fieldbus::DeviceAccess& device, const QuestionRecord& questions,
              const ConsoleProcedureDialogs& dialogs, Outcome& out) {
    if (!dialogs.Opened()) {
        out.exitStatus = questions.Declined() ? kExitRefused : kExitFailed;
        return;
    }
    const ProcedureVerdict verdict = JudgeProcedure(device, out.text, dialogs.Cancelled());
    out.exitStatus = verdict.exitStatus;
    out.code = verdict.code;
    ctx.Pump();
}

void Stops(Context& ctx, calibration::CalibrationSession& session, fieldbus::DeviceAccess& device,
           const QuestionRecord& questions, const ConsoleProcedureDialogs& dialogs, Outcome& out) {
    out.label = "Find Range Result :";
    calibration::RangePage& range = session.Range();
    const bool adjust = ctx.Given("open-stop");
    range.Go(adjust ? calibration::RangeOption::OpenStopAdjust : calibration::RangeOption::AutoStops,
             ctx.Option("open-stop"));
    out.text = range.ResultText();
    if (adjust && !dialogs.Opened()) {
        // A device with the extended servo parameters takes the adjustment by itself.
        out.exitStatus = out.text == "Succeeded" ? kExitOk : questions.Declined() ? kExitRefused : kExitFailed;
        return;
    }
    JudgeRun(ctx, device, questions, dialogs, out);
}

// Waits until the valve stands still; false when Ctrl+C or the time limit ended the wait.
bool WaitForStandstill(Context& ctx, fieldbus::DeviceAccess& device) {
    platform::Clock& clock = platform::GetClock();
    const uint64_t start = clock.NowMs();
    float last = NAN;
    int still = 0;
    while (still < 2) {
        if (Interrupted() || clock.NowMs() - start > kSettleLimitMs) return false;
        clock.SleepMs(kSettlePollMs);
        fieldbus::StatusValue position;
        if (device.ReadTbFinalPositionValue(position) != 0) continue;
        still = std::fabs(position.value - last) < kSettledBand ? still + 1 : 0;
        last = position.value;
    }
    ctx.Progress("The valve stands at " + calibration::FormatTarget(last) + " %.");
    return true;
}

void Travel(Context& ctx, calibration::CalibrationSession& session, fieldbus::DeviceAccess& device,
            const QuestionRecord& questions, Outcome& out) {
    out.label = "Calibration Result :";
    const std::string type = ctx.Option("type");
    const uint8_t command = type == "zero"   ? calibration::kZeroCalibration
                            : type == "span" ? calibration::kSpanCalibration
                                             : calibration::kMidCalibration;
    calibration::TravelCalibrationPage& page = session.Travel();
    if (ctx.Given("target")) {
        page.SetChangeToText(ctx.Option("target"));
        page.SetTarget();
        ctx.Pump();
        ctx.Progress("Target Pos. (%) " + page.TargetText() + "; waiting for the valve to stand still ...");
        if (!WaitForStandstill(ctx, device)) {
            ctx.Error(Interrupted() ? "Cancelled: no calibration applied."
                                    : "Error: The valve did not come to rest within 30 s; no calibration applied.");
            return;
        }
    }
    page.Apply(command);
    ctx.Pump();
    out.text = page.ResultText();
    if (out.text.empty()) {
        out.exitStatus = questions.Declined() ? kExitRefused : kExitFailed;
        return;
    }
    uint8_t code = 0;
    if (out.text != "Failed." && fieldbus::ReadTypedValue(device, device.BlockOf(fieldbus::BlockKind::TB),
                                                           "TRAVEL_CALIB_RESULT", code, fieldbus::Wire::U8) == 0) {
        out.code = code;
        if (code == 1) out.exitStatus = kExitOk;
    }
}

void AutoTune(Context& ctx, calibration::CalibrationSession& session, fieldbus::DeviceAccess& device,
              const QuestionRecord& questions, const ConsoleProcedureDialogs& dialogs, Outcome& out) {
    out.label = "AutoTune Result :";
    out.servo = true;
    session.AutoTune(ctx.Flag("search-stops"));
    out.text = session.Tuning().ResultText();
    out.before = session.Tuning().Original();
    out.after = session.Tuning().Now();
    JudgeRun(ctx, device, questions, dialogs, out);
    if (dialogs.Cancelled()) {
        // The sheet's Cancel after a tune: the servo values of the opening go back.
        session.Cancel();
        ctx.Pump();
        calibration::MainServoSet now;
        if (calibration::ReadMainServo(device, now) == 0) out.after = now;
        ctx.Progress("The servo parameters read before the auto tune were written back.");
    }
}

void ServoDefaults(Context& ctx, calibration::CalibrationSession& session, const QuestionRecord& questions,
                   Outcome& out) {
    out.servo = true;
    out.before = session.Tuning().Original();
    const bool done = session.Advanced().SetDefaults();
    ctx.Pump();
    if (!done) {
        out.exitStatus = questions.Declined() ? kExitRefused : kExitFailed;
        if (!questions.Declined()) ctx.Error("Error: Set servo parameters to default failed.");
        return;
    }
    session.Tuning().Reload();
    out.after = session.Tuning().Now();
    out.text = "Set Servo parameters to default";
    out.exitStatus = kExitOk;
}

void Answer(Context& ctx, const std::string& tag, const std::string& action, const Outcome& out) {
    if (ctx.Json()) {
        JsonValue answer = {{"tag", tag}, {"action", action}, {"result", out.text}};
        if (out.code >= 0) answer["code"] = out.code;
        if (out.servo) {
            JsonValue servo = JsonValue::object();
            for (size_t i = 0; i < 5; ++i)
                servo[calibration::kMainServoNames[i]] = {{"original", JsonFloat(out.before.values[i])},
                                                          {"now", JsonFloat(out.after.values[i])}};
            answer["servo"] = servo;
        }
        ctx.PrintJson(answer);
        return;
    }
    if (!out.label.empty() && !out.text.empty()) ctx.Print(out.label + " " + out.text);
    if (!out.servo || out.after == calibration::MainServoSet{}) return;
    std::vector<TableRow> rows = {{"", "Original", "Now"}};
    for (size_t i = 0; i < 5; ++i)
        rows.push_back({calibration::kMainServoLabels[i], values::FloatToText(out.before.values[i]),
                        values::FloatToText(out.after.values[i])});
    for (const std::string& line : FormatTable(rows)) ctx.Print(line);
}

int RunCalibrate(Context& ctx) {
    const std::string& tag = ctx.Argument(0);
    const std::string& action = ctx.Argument(1);
    if (action != "stops" && action != "travel" && action != "autotune" && action != "servo-defaults") {
        ctx.Error("Error: \"" + action + "\": the calibrations are stops, travel, autotune and servo-defaults.");
        return kExitUsage;
    }
    const std::string type = ctx.Option("type");
    if (type != "zero" && type != "span" && type != "mid") {
        ctx.Error("Error: --type takes zero, span or mid.");
        return kExitUsage;
    }
    if ((ctx.Given("open-stop") && action != "stops") || (ctx.Flag("search-stops") && action != "autotune") ||
        ((ctx.Given("type") || ctx.Given("target")) && action != "travel")) {
        ctx.Error("Error: --open-stop belongs to stops, --search-stops to autotune, --type and --target to travel.");
        return kExitUsage;
    }
    if (ctx.Given("target")) {
        const std::string target = ctx.Option("target");
        double position = 0;
        if (!ParseDecimal(target, position)) {
            ctx.Error("Error: --target takes a position in percent.");
            return kExitUsage;
        }
    }
    const int slot = ctx.FindSlot(tag);
    if (slot < 0) return kExitFailed;
    if (!ctx.Link().IsPositioner(slot)) {
        ctx.Error("Error: " + tag + " is not a positioner of this program.");
        return kExitFailed;
    }
    if (ctx.OpenDevice(slot) != 0) return kExitFailed;
    fieldbus::FieldbusDevice& device = ctx.Link().Device(slot);
    int shown = fieldbus::kUnnamedState;
    if (device.ReadOperationState(shown) != 0) shown = fieldbus::kUnnamedState;
    ctx.Pump();

    QuestionRecord questions(ctx.Ui());
    ConsoleProcedureDialogs dialogs(ctx);
    Outcome out;
    ConsoleCalibrationHost host([&] {
        calibration::CalibrationSession session(device, dialogs, calibration::ReadExtendedServo(device));
        session.Open();
        ctx.Pump();
        if (action == "stops") Stops(ctx, session, device, questions, dialogs, out);
        else if (action == "travel") Travel(ctx, session, device, questions, out);
        else if (action == "autotune") AutoTune(ctx, session, device, questions, dialogs, out);
        else ServoDefaults(ctx, session, questions, out);
    });
    const int entered = calibration::RunCalibrationCommand(&device, tag, shown, host);
    ctx.Pump();
    if (entered == 2) return kExitRefused;
    if (entered != 0) return kExitFailed;
    if (out.exitStatus != kExitRefused) Answer(ctx, tag, action, out);
    ctx.Progress("The device stays out of service; \"tessaro-cli state " + tag +
                 " normal\" puts the valve back to work.");
    return out.exitStatus;
}

}  // namespace

Verb CalibrateVerb() {
    Verb verb;
    verb.name = "calibrate";
    verb.arguments = "TAG stops|travel|autotune|servo-defaults";
    verb.summary = "stop finding, travel calibration, auto tune, servo defaults";
    verb.description =
        "Runs one of the calibrations of the program's Calibration sheet on the positioner with the PD tag TAG. "
        "As the sheet does, it asks to take the device out of service (unless it is already), and the device "
        "stays out of service afterwards: \"tessaro-cli state TAG normal\" puts the valve back to work.\n\n"
        "stops finds the stop limits automatically (the Range page's Auto Stop Limits), then sets the open stop "
        "adjustment to 100. With --open-stop PCT it applies an open stop adjustment of 60 to 100 % instead "
        "(positioners without the extended servo parameters find their stops again after it).\n\n"
        "travel applies a travel calibration at the valve's present position: --type zero (0% Calibration), "
        "span (Span Calibration) or mid (50% Calibration). With --target PCT the target position is set first "
        "(clamped to the final value range) and the calibration waits until the valve stands still.\n\n"
        "autotune tunes the servo loop (with --search-stops after finding the stops) and shows the five main "
        "servo parameters before (Original) and after (Now).\n\n"
        "servo-defaults returns the servo parameters to the factory set.\n\n"
        "The questions of the sheet (\"The action chosen will stroke the valve ...\") are answered by --yes or "
        "asked on a terminal; declining ends with exit status 2. Progress goes to standard error. Ctrl+C cancels "
        "a running procedure as the progress window's Cancel does, and after an auto tune writes back the servo "
        "parameters read before it, as the sheet's Cancel does. The exit status is 1 when the device reports an "
        "error, the run was cancelled or a step failed; warnings (\"Warning: slow response\") count as done.";
    verb.options = {
        {"open-stop", "PCT", "stops: apply this open stop adjustment (60 to 100) instead of finding the stops.", ""},
        {"type", "zero|span|mid", "travel: the calibration type.", "span"},
        {"target", "PCT", "travel: move the valve to this target position first.", ""},
        {"search-stops", "", "autotune: find the stops first (Search Stops + Auto Tune).", ""}};
    verb.examples = {"tessaro-cli calibrate FV-101 stops --yes", "tessaro-cli calibrate FV-101 autotune --yes",
                     "tessaro-cli calibrate FV-101 travel --type mid --target 50 --yes",
                     "tessaro-cli calibrate KV-201 servo-defaults --yes --json"};
    verb.minArguments = 2;
    verb.maxArguments = 2;
    verb.run = RunCalibrate;
    return verb;
}

}  // namespace cli
