#pragma once
// What the open and save dialogs of configuration files show, independent of the toolkit
// that draws them.
#include <functional>
#include <string>
#include <vector>

namespace config {

class CConfigData;

struct FileDialogRequest {
    bool save = false;             // save dialog (asks before overwriting) or open dialog (file must exist)
    std::string title;
    std::string defaultExtension;  // without the dot
    std::string fileName;          // initial file name
    std::string initialFolder;
    std::string filter;            // "label|pattern|label|pattern||"
};

struct FileDialogResult {
    bool accepted = false;  // false: the user cancelled
    std::string path;       // full path of the chosen file
    int filterIndex = 1;    // 1-based index of the filter chosen
};

// Shows the dialog (or, in tests, answers it).
using FileChooser = std::function<FileDialogResult(const FileDialogRequest&)>;

struct FileFilter {
    std::string label;
    std::string pattern;
};
// Splits a "label|pattern|...||" filter into its pairs.
std::vector<FileFilter> ParseFilterString(const std::string& filter);

FileDialogRequest MakeSaveDialogRequest(const CConfigData& data);
FileDialogRequest MakeOpenDialogRequest(const CConfigData& data);
// The data version a save filter stands for: 1 "2.4", 2 "2.3", 3 "2.2", 4 "2.1", 5 "2.0",
// 6 "1.0", any other "2.4".
std::string VersionForSaveFilter(int filterIndex);

}  // namespace config
