#include "diagnostics/SignatureExport.h"

#include <filesystem>

#include "diagnostics/SignatureReport.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Ui.h"

namespace fs = std::filesystem;

namespace diagnostics {

std::string ExportFolder(const std::string& lastPath, const std::string& fallback) {
    std::error_code ec;
    const fs::path last(lastPath);
    const fs::path folder = fs::is_directory(last, ec) ? last : last.parent_path();
    if (!folder.empty() && fs::is_directory(folder, ec)) return folder.string();
    if (!folder.empty() && !folder.parent_path().empty() && fs::is_directory(folder.parent_path(), ec))
        return folder.parent_path().string();
    return fallback;
}

// The file name of an export: a record's name comes from a file or a device and may hold
// folder separators or ".." ; only its last part is used, so the export stays in its folder.
std::string ExportFileName(const CSignatureData& record) {
    std::string name = record.DefaultFileName();
    for (char& c : name)
        if (c == '/' || c == '\\' || c == ':') c = '_';
    while (!name.empty() && name.front() == '.') name.erase(0, 1);
    return name.empty() ? std::string("signature") : name;
}

int ExportSignatureRecords(const std::vector<const CSignatureData*>& records, const std::string& folder,
                           const FileOpener& open, std::string* writtenPath) {
    if (records.empty()) return 1;
    const std::string text = records.size() == 1 ? SignatureReportText(*records.front()) : SignatureReportText(records);
    std::string path = platform::JoinPath(folder, ExportFileName(*records.front()) + ".xls");
    if (!platform::WriteFileAtomically(path, text)) {
        platform::ShowMessage(platform::Format("Error: Unable to write xls file %s.", path.c_str()));
        return 1;
    }
    if (writtenPath) *writtenPath = path;
    if (open && open(path)) return 0;
    platform::ShowMessage("Excel may not be installed, export to text file");
    const std::string textPath = fs::path(path).replace_extension(".txt").string();
    std::error_code ec;
    fs::rename(path, textPath, ec);
    if (!ec) {
        path = textPath;
        if (writtenPath) *writtenPath = path;
        if (open && open(path)) return 0;
    }
    platform::ShowMessage(platform::Format("Error: Unable to display the erported file: %s", path.c_str()));
    return 1;
}

}  // namespace diagnostics
