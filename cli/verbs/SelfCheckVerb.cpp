// selfcheck: the positioner's self check, with what it measured.
#include "cli/ConsoleUi.h"
#include "cli/Context.h"
#include "cli/ProcedureConsole.h"
#include "cli/TextTable.h"
#include "diagnostics/DiagnosticsValues.h"
#include "diagnostics/SelfCheck.h"

namespace cli {

namespace {

JsonValue LinesJson(const std::vector<diagnostics::DiagnosticsLine>& lines, bool withLimit) {
    JsonValue list = JsonValue::array();
    for (const diagnostics::DiagnosticsLine& line : lines) {
        JsonValue item = {{"label", line.label}, {"value", line.value}};
        if (withLimit) item["limit"] = line.limit;
        list.push_back(item);
    }
    return list;
}

void PrintLines(Context& ctx, const std::vector<TableRow>& heading,
                const std::vector<diagnostics::DiagnosticsLine>& lines, bool withLimit) {
    std::vector<TableRow> rows = heading;
    for (const diagnostics::DiagnosticsLine& line : lines)
        rows.push_back(withLimit ? TableRow{line.label, line.value, line.limit} : TableRow{line.label, line.value});
    for (const std::string& text : FormatTable(rows)) ctx.Print(text);
}

int RunSelfCheckVerb(Context& ctx) {
    const std::string& tag = ctx.Argument(0);
    const int slot = ctx.FindSlot(tag);
    if (slot < 0) return kExitFailed;
    if (!ctx.Link().IsPositioner(slot)) {
        ctx.Error("Error: " + tag + " is not a positioner of this program.");
        return kExitFailed;
    }
    if (ctx.OpenDevice(slot) != 0) return kExitFailed;
    fieldbus::FieldbusDevice& device = ctx.Link().Device(slot);

    std::string result;
    ProcedureVerdict verdict;
    {
        QuestionRecord questions(ctx.Ui());
        ConsoleProcedureDialogs dialogs(ctx);
        const int ran = diagnostics::RunSelfCheck(device, dialogs, result);
        ctx.Pump();
        if (ran == 2) return kExitRefused;
        if (ran != 0) return kExitFailed;
        verdict = JudgeProcedure(device, result, dialogs.Cancelled());
    }
    // Values are shown as measured only when the device finished its check: after a cancel
    // or a failed step they are those of an earlier self check.
    const bool measured = verdict.code >= 0 && ResultKind(verdict.code) != "cancelled" && verdict.code != 3;
    // The diagnostics window reads its values again after the self check.
    const diagnostics::DiagnosticsValues values =
        diagnostics::ReadDiagnosticsValues(device, diagnostics::ReadDeviceDiagnostics(device));
    ctx.Pump();
    const bool historian = ctx.Flag("historian");
    if (ctx.Json()) {
        JsonValue answer = {{"tag", tag}, {"result", result}};
        if (verdict.code >= 0) answer["code"] = verdict.code;
        if (measured) answer["measured"] = LinesJson(values.selfCheck, false);
        if (historian) answer["historian"] = LinesJson(values.historian, true);
        ctx.PrintJson(answer);
    } else {
        ctx.Print("Self Check Result : " + result);
        if (measured) PrintLines(ctx, {{"Measured", "Value"}}, values.selfCheck, false);
        else ctx.Print("Nothing was measured: the values of the last complete self check stay in the device.");
        if (historian) PrintLines(ctx, {{"Valve Historian", "Total", "Limit"}}, values.historian, true);
    }
    ctx.Progress("The device stays out of service; \"tessaro-cli state " + tag +
                 " normal\" puts the valve back to work.");
    return verdict.exitStatus;
}

}  // namespace

Verb SelfCheckVerb() {
    Verb verb;
    verb.name = "selfcheck";
    verb.arguments = "TAG";
    verb.summary = "run the positioner's self check and show what it measured";
    verb.description =
        "Runs the self check of the program's Diagnostics window on the positioner with the PD tag TAG: the AO "
        "and transducer blocks are taken out of service (after the window's question, unless they already are), "
        "the stroke question is asked, and the device strokes the valve and measures it. Then the result text "
        "(\"Self Check Result :\") and the measured values are shown as the window shows them: exhaust and supply "
        "pressure, valve hysteresis, slip width, time constant, measured gain and the spring range. With "
        "--historian the valve historian (totals and their limits, and the servo warning count on devices that "
        "keep it) is shown too.\n\n"
        "The device stays out of service afterwards: \"tessaro-cli state TAG normal\" puts the valve back to "
        "work. --yes answers the questions; declining ends with exit status 2. Ctrl+C cancels the self check as "
        "the progress window's Cancel does (the result reads \"Cancelled\", exit status 1). A device result that "
        "is an error (\"Error: no movement\") ends with exit status 1, a warning with 0.";
    verb.options = {{"historian", "", "Also show the valve historian of the Diagnostics window.", ""}};
    verb.examples = {"tessaro-cli selfcheck KV-201 --yes", "tessaro-cli selfcheck KV-201 --yes --historian --json"};
    verb.minArguments = 1;
    verb.maxArguments = 1;
    verb.run = RunSelfCheckVerb;
    return verb;
}

}  // namespace cli
