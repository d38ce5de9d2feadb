#include "report/ReportFiles.h"

#include <sys/stat.h>

#include <cctype>
#include <ctime>
#include <filesystem>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Ui.h"
#include "report/HtmlReport.h"
#include "report/TextReport.h"

namespace report {

namespace {

namespace fs = std::filesystem;

// Writes `content` as `name` into `folder`, else into the temporary folder; a report already
// there is kept under its own time first. The path written, or "" (with `tried` the last
// path attempted).
std::string WriteBesideOrTemp(const std::string& folder, const std::string& name, const std::string& content,
                              std::string& tried) {
    for (const std::string& dir : {folder, platform::TempDirectory()}) {
        if (dir.empty()) continue;
        tried = platform::JoinPath(dir, name);
        KeepEarlierReport(tried);
        if (platform::WriteFileAtomically(tried, content)) return tried;
    }
    return {};
}

}  // namespace

std::string KeepEarlierReport(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
    std::tm local{};
    const std::time_t written = info.st_mtime;
    localtime_r(&written, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H.%M.%S", &local);
    const fs::path original(path);
    const std::string stem = original.stem().string(), extension = original.extension().string();
    std::error_code ec;
    for (int n = 1; n < 100; ++n) {
        const std::string name = stem + " " + stamp + (n > 1 ? platform::Format(" (%d)", n) : std::string()) + extension;
        const fs::path kept = original.parent_path() / name;
        if (fs::exists(kept, ec)) continue;
        fs::rename(original, kept, ec);
        return ec ? std::string() : kept.string();
    }
    return {};
}

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
            KeepEarlierReport(shown);
            if (!actions.printPdf || !actions.printPdf(html, shown)) {
                platform::ShowMessage(platform::Format("Unable to generate the file %s", shown.c_str()));
                return {};
            }
        }
    }
    if (!actions.open || !actions.open(shown)) {
        // The report was written all the same: say where it is kept.
        platform::ShowMessage(platform::Format("Error: Unable to display the file %s", shown.c_str()) +
                              "\n\nThe report was written and is kept there; open it with a browser or a text "
                              "viewer.");
        return {};
    }
    return shown;
}

}  // namespace report
