// report: the configuration report of a configuration file or a positioner, as HTML, text or PDF.
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "cli/ConfigSources.h"
#include "cli/Context.h"
#include "cli/OutputPath.h"
#include "config/CConfigData.h"
#include "logon/CurrentUser.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Ui.h"
#include "report/HtmlReport.h"
#include "report/ReportFiles.h"
#include "report/SignatureSummaries.h"
#include "report/TextReport.h"
#include "report/ui/ReportPdf.h"

using platform::Format;

namespace cli {

namespace {

// The configuration and what the report adds to it: from a file, or read from the positioner
// with the signatures it keeps.
int LoadSource(Context& ctx, const std::string& source, config::CConfigData& data, report::ReportContext& context) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(source, ec)) return LoadConfigurationFile(ctx, source, data);
    const int slot = ctx.FindSlot(source);
    if (slot < 0) return 1;
    if (!ctx.Link().IsPositioner(slot)) {
        ctx.Error("Error: " + source + " is not a positioner of this program; it has no configuration to report.");
        return 1;
    }
    if (ctx.OpenDevice(slot) != 0) return 1;
    ctx.Progress("Reading the configuration of " + source + " ...");
    int result = ReadDeviceConfiguration(ctx, slot, data);
    if (result == 0) {
        context.deviceOpen = true;
        if (data.general.signatureActivation != 0)
            context.signatures = report::ReadSignatureSummaries(ctx.Link().Device(slot));
    }
    ctx.CloseDevice(slot);
    return result;
}

int RunReport(Context& ctx) {
    const std::string& source = ctx.Argument(0);
    const std::string format = ctx.Option("format");
    const std::string out = ctx.Option("out");
    if (format != "html" && format != "text" && format != "pdf") {
        ctx.Error("Error: --format takes html, text or pdf.");
        return kExitUsage;
    }
    if (format == "pdf" && out.empty()) {
        ctx.Error("Error: A PDF report needs --out FILE.");
        return kExitUsage;
    }
    if (!out.empty()) {
        if (const std::string problem = OutputPathProblem(out, ""); !problem.empty()) {
            ctx.Error(problem);
            return kExitUsage;
        }
    }
    // A configuration file named by a path is never taken for a device tag.
    std::error_code ec;
    if (NamesAFile(source, ".dmp") && !std::filesystem::is_regular_file(source, ec)) {
        ctx.Error("Error: No configuration file " + source + ".");
        return kExitUsage;
    }
    if (!out.empty() && !MayWrite(out)) return kExitRefused;

    // Templates are looked for where the program looks: its folder's "Report".
    config::CConfigData data(config::FamilyRPX110, RunMode, platform::ProgramDirectory());
    report::ReportContext context;
    context.userName = logon::CurrentUser::Name();
    context.now = std::time(nullptr);
    if (LoadSource(ctx, source, data, context) != 0) return kExitFailed;

    std::string document;
    if (format == "text") {
        document = report::BuildTextReport(data, context);
    } else {
        const std::string templatePath = platform::JoinPath(report::ReportFolder(data.programFolder),
                                                            report::TemplateName(report::ReportFamily(data)));
        std::string templateText;
        std::error_code ec;
        if (!std::filesystem::is_regular_file(templatePath, ec) ||
            !platform::ReadWholeFile(templatePath, templateText)) {
            platform::ShowMessage(Format("Unable to locate the file %s", templatePath.c_str()));
            return kExitFailed;
        }
        document = report::BuildHtmlReport(templateText, data, context);
    }

    if (out.empty() && ctx.Json()) {
        ctx.PrintJson({{"source", source}, {"format", format}, {"tag", data.general.pdTag}, {"report", document}});
        return kExitOk;
    }
    if (out.empty()) {
        // The HTML page declares its Latin-1 bytes and goes out as it is; the text is for reading.
        if (format == "text") {
            if (!document.empty() && document.back() == '\n') document.pop_back();
            ctx.Print(document);
        } else {
            std::fwrite(document.data(), 1, document.size(), stdout);
            std::fflush(stdout);
        }
        return kExitOk;
    }
    bool written = false;
    if (format == "pdf") {
        written = report::PrintHtmlToPdf(document, out);
        if (!written) platform::ShowMessage(Format("Unable to generate the file %s", out.c_str()));
    } else {
        written = platform::WriteFileAtomically(out, document);
        if (!written)
            platform::ShowMessage(format == "text" ? Format("Error: Unable to create report file %s.", out.c_str())
                                                   : Format("Error: Unable to open HTML Report file %s.", out.c_str()));
    }
    if (!written) return kExitFailed;
    if (ctx.Json())
        ctx.PrintJson({{"source", source}, {"format", format}, {"file", out}, {"tag", data.general.pdTag}});
    else
        ctx.Print(out);
    return kExitOk;
}

}  // namespace

Verb ReportVerb() {
    Verb verb;
    verb.name = "report";
    verb.arguments = "FILE|TAG";
    verb.summary = "write the configuration report of a file or a positioner";
    verb.description =
        "Writes the configuration report of the program's Configuration Report command for a configuration "
        "file FILE (.dmp) or for the positioner with the PD tag TAG, whose configuration is read first as "
        "Read Configuration does (its stored signature summaries are reported too when signatures are "
        "activated). An argument naming an existing file is a file; anything else a tag.\n\n"
        "--format html fills the family's template from the program folder's Report folder "
        "(RPXReportTemplate.htm or KPXReportTemplate.htm); text writes the label and value lines; pdf prints "
        "the HTML report onto A4 pages, as Export Report as PDF does. Without --out an HTML or text report goes "
        "to standard output (with --json as the member \"report\"); with it the file's path is shown. An "
        "existing FILE is replaced only after asking (--yes agrees).";
    verb.options = {{"format", "html|text|pdf", "The kind of report.", "html"},
                    {"out", "FILE", "The file to write (needed for pdf).", ""}};
    verb.examples = {"tessaro-cli report KV-201 --format pdf --out kv201.pdf",
                     "tessaro-cli report backups/FV-101_2025-03-14.dmp --format text"};
    verb.minArguments = 1;
    verb.maxArguments = 1;
    verb.guiApplication = true;
    verb.run = RunReport;
    return verb;
}

}  // namespace cli
