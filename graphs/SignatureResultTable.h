#pragma once
// The result tables of the signature graph window: the analysis of every curve of a graph
// (two header rows, then one row per record), the calibration report of step series, and
// the calibration cells of one series.
#include <string>
#include <vector>

#include "diagnostics/CSignatureData.h"

namespace graphs {

struct ResultTable {
    struct Span {
        int row = 0, column = 0, rows = 1, columns = 1;
    };
    std::string title;
    std::vector<std::vector<std::string>> rows;  // all rows have the same number of cells
    std::vector<Span> spans;                     // merged header cells
    int headerRows = 2;
};

// The result table of `records`, all of one graph type. Step responses: single steps in the
// step-response form; `calibration` selects the calibration summary (step series).
ResultTable BuildResultTable(int type, const std::vector<const diagnostics::CSignatureData*>& records,
                             bool calibration = false);
// The calibration cells of one step series: "Input" and one column per row of cells, headed
// "Up" and "Down" by turns. Empty when the record holds no series.
ResultTable BuildCalibrationCells(const diagnostics::CSignatureData& record);
// What the analysis view shows for a record without figures: "No signature data." without
// points, "No Friction data." when the analysis found nothing; "" otherwise.
std::string NoResultsText(const diagnostics::CSignatureData& record);

}  // namespace graphs
