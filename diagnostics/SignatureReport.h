#pragma once
// The texts made from a signature record: the report that the text export writes (and the
// graph window shows as the measurement summary), the result-analysis section and the
// step-response notice drawn on the graph.
#include <string>
#include <vector>

#include "diagnostics/CSignatureData.h"

namespace diagnostics {

// "Measurement Setting : " and one line per header value of the kind.
std::string MeasurementSettingText(const CSignatureData& record);
// The "Result Analysis : " section with its closing empty line; "" when the results are not
// valid.
std::string ResultAnalysisText(const CSignatureData& record);
// Sections 1 to 5 of the report: type, settings, input and output ranges, notes, time and
// the result analysis.
std::string MeasurementSummaryText(const CSignatureData& record);
// The whole report of one record: the summary, the data table and a closing empty line.
std::string SignatureReportText(const CSignatureData& record);
// The report of several records, each preceded by "MEASUREMENT i of n" on a line of its own.
std::string SignatureReportText(const std::vector<const CSignatureData*>& records);
// The notice of an analysed single step response: " Overshoot = ...% \n\r T86 = ... sec." or
// with 'not found'; "" for other records.
std::string StepResponseNoticeText(const CSignatureData& record);

}  // namespace diagnostics
