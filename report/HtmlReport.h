#pragma once
// The HTML configuration report: the family's template with its tokens filled from the
// record, section by section (header, General, Position, AO block, PID block, Actuator,
// Option, the stored signatures, the double-acting block).
#include <string>

#include "config/CConfigData.h"
#include "report/ReportContext.h"

namespace report {

// The filled document. The record is not changed: without an open device the report works
// on a copy whose signature activation is cleared.
std::string BuildHtmlReport(const std::string& templateText, const config::CConfigData& data,
                            const ReportContext& context);

// Text made safe for an HTML page (&, <, >, ").
std::string EscapeHtml(const std::string& text);

}  // namespace report
