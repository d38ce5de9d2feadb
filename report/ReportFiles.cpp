#include "report/ReportFiles.h"

#include <cctype>
#include <filesystem>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Ui.h"
#include "report/HtmlReport.h"
#include "report/TextReport.h"

namespace report {

namespace {

namespace fs = std::filesystem;

// Writes `content` as `name` into `folder`, else into the temporary folder. The path written,
// or "" (with `tried` the last path attempted).
std::string WriteBesideOrTemp(const std::string& folder, const std::string& name, const std::string& content,
                              std::string& tried) {
    for (const std::string& dir : {folder, platform::TempDirectory()}) {
        if (dir.empty()) continue;
        tried = platform::JoinPath(dir, name);
        if (platform::WriteFileAtomically(tried, content)) return tried;
    }
    return {};
}

}  // namespace

std::string ReportFolder(const std::string& programFolder) { return platform::JoinPath(programFolder, "Report"); }

std::string TemplateName(uint32_t deviceFamily) {
    return deviceFamily == config::FamilyRPX110 ? "RPXReportTemplate.htm" : "KPXReportTemplate.htm";
}

uint32_t ReportFamily(const config::CConfigData& data) {
    std::string id;
    for (char c : data.general.manufacturerId)
        if (c != ' ') id += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (id == "42524b") return config::FamilyRPX110;
    if (id == "4b5445") return config::FamilyKPX110;
    return data.deviceFamily;
}

std::string GenerateHtmlReport(const std::string& templatePath, const std::string& outputName,
                               const config::CConfigData& data, const ReportContext& context) {
    std::string templateText;
    std::error_code ec;
    if (fs::is_directory(templatePath, ec) || !platform::ReadWholeFile(templatePath, templateText)) {
        platform::ShowMessage(
            platform::Format("Error: Unable to open HTML Report Template file %s.", templatePath.c_str()));
        return {};
    }
    const std::string html = BuildHtmlReport(templateText, data, context);
    std::string tried;
    const std::string written =
        WriteBesideOrTemp(fs::path(templatePath).parent_path().string(), outputName, html, tried);
    if (written.empty())
        platform::ShowMessage(platform::Format("Error: Unable to open HTML Report file %s.", tried.c_str()));
    return written;
}

std::string GenerateTextReport(const std::string& basePath, const std::string& outputName,
                               const config::CConfigData& data, const ReportContext& context) {
    std::string tried;
    const std::string written = WriteBesideOrTemp(fs::path(basePath).parent_path().string(), outputName,
                                                  BuildTextReport(data, context), tried);
    if (written.empty())
        platform::ShowMessage(platform::Format("Error: Unable to create report file %s.", tried.c_str()));
    return written;
}

std::string RunReport(ReportKind kind, const config::CConfigData& data, const ReportContext& context,
                      const ReportActions& actions) {
    const std::string folder = ReportFolder(data.programFolder);
    const std::string templatePath = platform::JoinPath(folder, TemplateName(ReportFamily(data)));
    std::error_code ec;
    const bool found = fs::is_regular_file(templatePath, ec);
    if (!found && kind != ReportKind::Text) {
        platform::ShowMessage(platform::Format("Unable to locate the file %s", templatePath.c_str()));
        return {};
    }

    std::string shown;
    platform::WaitCursor wait;
    if (kind == ReportKind::Text) {
        // Without a template the report goes into the program folder.
        const std::string base = found ? templatePath : platform::JoinPath(data.programFolder, "REPORT.TXT");
        shown = GenerateTextReport(base, "REPORT.TXT", data, context);
        if (shown.empty()) {
            platform::ShowMessage(platform::Format("Unable to generate the file %s", "REPORT.TXT"));
            return {};
        }
    } else {
        const std::string html = GenerateHtmlReport(templatePath, "Report.htm", data, context);
        if (html.empty()) {
            platform::ShowMessage(platform::Format("Unable to generate the file %s", "Report.htm"));
            return {};
        }
        shown = html;
        if (kind == ReportKind::Pdf) {
            shown = (fs::path(html).parent_path() / "Report.pdf").string();
            if (!actions.printPdf || !actions.printPdf(html, shown)) {
                platform::ShowMessage(platform::Format("Unable to generate the file %s", shown.c_str()));
                return {};
            }
        }
    }
    if (!actions.open || !actions.open(shown)) {
        platform::ShowMessage(platform::Format("Error: Unable to display the file %s", shown.c_str()));
        return {};
    }
    return shown;
}

}  // namespace report
