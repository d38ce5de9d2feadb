#pragma once
// The HTML report printed into a PDF file (A4), as technicians file reports. Needs Qt's GUI
// application (fonts), not its widgets.
#include <string>

class QPdfWriter;
class QTextDocument;

namespace report {

// A4, 15 mm margins, the report's title.
void SetUpPdfWriter(QPdfWriter& writer);
// Fills `document` with `html` and lays it out on the writer's pages, as it is printed.
void LayOutForPdf(QTextDocument& document, const std::string& html, QPdfWriter& writer);

// Lays out `html` (the report's bytes, Latin-1) and writes the PDF to `pdfPath` through a
// temporary file. False when nothing could be printed or written.
bool PrintHtmlToPdf(const std::string& html, const std::string& pdfPath);

}  // namespace report
