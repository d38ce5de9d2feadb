#pragma once
// Exporting signature records as a tab-separated text report that a spreadsheet opens. The
// file (".xls") is written next to the last used signature file and opened with the
// desktop's program for its type; when that fails it is renamed to ".txt" and opened again.
#include <functional>
#include <string>
#include <vector>

#include "diagnostics/CSignatureData.h"

namespace diagnostics {

// Opens a file with the desktop's default program; false when that failed.
using FileOpener = std::function<bool(const std::string& path)>;

// The folder of an export: the folder of `lastPath` when it exists, else that folder's
// parent, else `fallback`.
std::string ExportFolder(const std::string& lastPath, const std::string& fallback);

// The name of the exported file without its extension: the first record's default name with
// folder separators replaced and leading dots removed, so it never leaves the export folder.
std::string ExportFileName(const CSignatureData& record);

// Writes the report of `records` (one: its report; several: each preceded by
// "MEASUREMENT i of n") into <folder>/<first record's default name>.xls and opens it.
// Shows "Error: Unable to write xls file %s.", "Excel may not be installed, export to text
// file" and "Error: Unable to display the erported file: %s" as the design has them.
// Returns 0 when the file was written and shown; `writtenPath` receives the final path.
int ExportSignatureRecords(const std::vector<const CSignatureData*>& records, const std::string& folder,
                           const FileOpener& open, std::string* writtenPath = nullptr);

}  // namespace diagnostics
