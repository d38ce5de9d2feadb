#include "cli/OutputPath.h"

#include <filesystem>
#include <strings.h>
#include <unistd.h>

namespace cli {

namespace {

bool EndsWith(const std::string& path, const std::string& extension) {
    return path.size() > extension.size() &&
           strcasecmp(path.c_str() + path.size() - extension.size(), extension.c_str()) == 0;
}

}  // namespace

std::string OutputPathProblem(const std::string& path, const std::string& extension) {
    namespace fs = std::filesystem;
    if (path.empty()) return "Error: The file name is empty.";
    if (!extension.empty() && !EndsWith(path, extension))
        return "Error: " + path + " does not end in " + extension + ".";
    std::error_code ec;
    if (fs::is_directory(path, ec)) return "Error: " + path + " is a folder.";
    const fs::path parent = fs::path(path).parent_path();
    const std::string folder = parent.empty() ? std::string(".") : parent.string();
    if (!fs::is_directory(folder, ec)) return "Error: The folder " + folder + " of " + path + " does not exist.";
    if (access(folder.c_str(), W_OK | X_OK) != 0) return "Error: The folder " + folder + " cannot be written.";
    return {};
}

bool NamesAFile(const std::string& argument, const std::string& extension) {
    return argument.find('/') != std::string::npos || (!extension.empty() && EndsWith(argument, extension));
}

}  // namespace cli
