#include "config/ConfigFileDialogs.h"

#include "config/CConfigData.h"

namespace config {

std::vector<FileFilter> ParseFilterString(const std::string& filter) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < filter.size()) {
        const size_t bar = filter.find('|', start);
        if (bar == std::string::npos) {
            parts.push_back(filter.substr(start));
            break;
        }
        parts.push_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    std::vector<FileFilter> filters;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty() && parts[i + 1].empty()) break;  // the closing "||"
        filters.push_back({parts[i], parts[i + 1]});
    }
    return filters;
}

FileDialogRequest MakeSaveDialogRequest(const CConfigData& data) {
    FileDialogRequest request;
    request.save = true;
    request.title = "Save Device Configuration File";
    request.defaultExtension = "dmp";
    request.fileName = data.lastFileTitle.empty() ? "*.dmp" : data.lastFileTitle;
    request.initialFolder = data.lastFileFolder;
    const std::string& product = data.identity.productName;
    if (data.RunModeInForce() == RunModeAmsSnapOn) {
        request.filter = product + " Config Files  (*.dmp) |*.dmp|";
    } else {
        for (const char* version : {"2.4", "2.3", "2.2", "2.1", "2.0", "1.0"})
            request.filter += product + " Config Files " + version + " (*.dmp) |*.dmp|";
        request.filter += "ALL Files|*.*||";
    }
    return request;
}

FileDialogRequest MakeOpenDialogRequest(const CConfigData& data) {
    FileDialogRequest request;
    request.save = false;
    request.title = "Open Device Configuration File";
    request.defaultExtension = "dmp";
    request.fileName = "*.dmp";
    request.initialFolder = data.lastFileFolder;
    request.filter = data.identity.productName + " Config Files (*.dmp) |*.dmp|ALL Files|*.*||";
    return request;
}

std::string VersionForSaveFilter(int filterIndex) {
    switch (filterIndex) {
        case 2: return "2.3";
        case 3: return "2.2";
        case 4: return "2.1";
        case 5: return "2.0";
        case 6: return "1.0";
        default: return "2.4";
    }
}

}  // namespace config
