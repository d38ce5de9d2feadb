#pragma once
// Writing the configuration report and showing it: the family's template from the program's
// Report folder, "Report.htm" (or "REPORT.TXT", or "Report.pdf") beside it, the temporary
// folder when that folder cannot be written, and the file handed to the desktop's viewer.
// The newest report always has that name; earlier ones are kept under their time.
#include <functional>
#include <string>

#include "config/CConfigData.h"
#include "report/ReportContext.h"

namespace report {

// A report file already at `path` is renamed "<name> <YYYY-MM-DD HH.MM.SS><extension>" after
// the time it was written (" (2)" and on when that name is taken), so a new report never
// overwrites an earlier one. Returns the new path, or "" when there was nothing to keep or the
// rename failed.
std::string KeepEarlierReport(const std::string& path);

// "<program folder>/Report".
std::string ReportFolder(const std::string& programFolder);
// "RPXReportTemplate.htm" for the maker's family, "KPXReportTemplate.htm" otherwise.
std::string TemplateName(uint32_t deviceFamily);
// The family a configuration's report is made for: the one its manufacturer identifier names
// (a configuration read from a partner positioner is reported as one), else the program's.
uint32_t ReportFamily(const config::CConfigData& data);

// Fills the template at `templatePath` and writes `outputName` into its folder (else the
// temporary folder). Returns the full path written, or "" after showing why not.
std::string GenerateHtmlReport(const std::string& templatePath, const std::string& outputName,
                               const config::CConfigData& data, const ReportContext& context);
// Writes the text report as `outputName` into the folder of `basePath` (else the temporary
// folder). Returns the full path written, or "".
std::string GenerateTextReport(const std::string& basePath, const std::string& outputName,
                               const config::CConfigData& data, const ReportContext& context);

enum class ReportKind { Html, Text, Pdf };

struct ReportActions {
    // Opens a file in the desktop's default viewer; false when that failed.
    std::function<bool(const std::string& path)> open;
    // Prints the HTML report at `htmlPath` into the PDF file `pdfPath`; false on failure.
    std::function<bool(const std::string& htmlPath, const std::string& pdfPath)> printPdf;
};

// The report command after the user chose the kind: finds the template, generates the report
// and opens it. Shows "Unable to locate the file %s", "Unable to generate the file %s" or
// "Error: Unable to display the file %s" (with where the file is kept) on the way. Returns the file shown, or "".
std::string RunReport(ReportKind kind, const config::CConfigData& data, const ReportContext& context,
                      const ReportActions& actions);

}  // namespace report
