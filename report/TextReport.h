#pragma once
// The text configuration report: the title, user, date and time, then each section's values
// as "label  \tvalue" lines with the labels of the configuration record, and the stored
// signatures.
#include <string>

#include "config/CConfigData.h"
#include "report/ReportContext.h"

namespace report {

std::string BuildTextReport(const config::CConfigData& data, const ReportContext& context);

}  // namespace report
