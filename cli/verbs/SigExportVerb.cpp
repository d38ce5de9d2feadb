// sig-export: the signatures of a signature file as the program's text export.
#include "cli/ConfigSources.h"
#include "cli/Context.h"
#include "diagnostics/SignatureFile.h"
#include "diagnostics/SignatureReport.h"
#include "diagnostics/StepResponsePercent.h"
#include "platform/AtomicFile.h"
#include "platform/Ui.h"

namespace cli {

namespace {

int RunSigExport(Context& ctx) {
    const std::string& file = ctx.Argument(0);
    diagnostics::SignatureFileContents contents;
    if (diagnostics::ReadSignatureFile(file, contents) != 0) return kExitFailed;

    // Every curve of every graph block, analysed as the graph window analyses it.
    const float percent = diagnostics::StepResponsePercent(diagnostics::ProgramProfileFile());
    std::vector<const diagnostics::CSignatureData*> records;
    for (diagnostics::SignatureFileBlock& block : contents.blocks)
        for (diagnostics::CSignatureData& record : block.curves) {
            if (record.AnalyseOnce(percent) && !record.results.message.empty())
                platform::ShowMessage(record.results.message);
            records.push_back(&record);
        }
    if (records.empty()) {
        ctx.Error("Error: " + file + " holds no signature.");
        return kExitFailed;
    }
    const std::string report = records.size() == 1 ? diagnostics::SignatureReportText(*records.front())
                                                    : diagnostics::SignatureReportText(records);
    const std::string out = ctx.Option("out");
    if (!out.empty()) {
        if (!MayWrite(out)) return kExitRefused;
        std::string error;
        if (!platform::WriteFileAtomically(out, report, &error)) {
            platform::ShowMessage(platform::Format("Error: Unable to write xls file %s.", out.c_str()));
            return kExitFailed;
        }
    }
    if (ctx.Json()) {
        JsonValue list = JsonValue::array();
        for (const diagnostics::CSignatureData* record : records)
            list.push_back({{"kind", diagnostics::KindTitle(record->kind)},
                            {"name", record->name},
                            {"date", record->DateText()},
                            {"points", record->curve1.size()},
                            {"summary", diagnostics::MeasurementSummaryText(*record)}});
        JsonValue answer = {{"file", file}, {"version", contents.version}, {"signatures", list}};
        if (!out.empty()) answer["out"] = out;
        ctx.PrintJson(answer);
    } else if (out.empty()) {
        // The report on standard output, with the line ends of this system.
        std::string text;
        for (char c : report)
            if (c != '\r') text += c;
        while (!text.empty() && text.back() == '\n') text.pop_back();
        ctx.Print(text);
    } else {
        ctx.Print(platform::Format("Exported %zu signature%s of %s into %s.", records.size(),
                                   records.size() == 1 ? "" : "s", file.c_str(), out.c_str()));
    }
    return kExitOk;
}

}  // namespace

Verb SigExportVerb() {
    Verb verb;
    verb.name = "sig-export";
    verb.arguments = "FILE";
    verb.summary = "a signature file as the program's text export";
    verb.description =
        "Reads the signature file FILE (.sig, also .std, .ext, .stp, .pos; versions 2.10 to 2.12) and writes the "
        "report of its signatures that the signature graph window's \"Export to Excel File\" writes: per "
        "signature its type, settings, ranges, notes, time, the result analysis and the data table, several "
        "signatures each under \"MEASUREMENT i of n\". The report goes to standard output, or with --out into a "
        "tab-separated file a spreadsheet opens. A damaged or truncated file is refused as a whole.";
    verb.options = {{"out", "FILE", "Write the report into FILE (replaced only after asking) instead of standard "
                                    "output.",
                     ""}};
    verb.examples = {"tessaro-cli sig-export \"Signature Data/FV-101_commissioning.sig\"",
                     "tessaro-cli sig-export FV-101_step_response.sig --out FV-101_steps.xls"};
    verb.minArguments = 1;
    verb.maxArguments = 1;
    verb.run = RunSigExport;
    return verb;
}

}  // namespace cli
