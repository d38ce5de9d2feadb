#include "app/FileFinder.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace app {

std::string FindFileAt(const std::string& path, const std::string& wantedName) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return ::strcasecmp(name.c_str(), wantedName.c_str()) == 0 ? path : std::string();
}

std::string FindFileInTree(const std::string& directory, const std::string& wantedName) {
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) return {};
    std::string found;
    // Entries in enumeration order; a folder is searched completely before the next entry.
    while (found.empty()) {
        dirent* entry = ::readdir(dir);
        if (!entry) break;
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string full = directory + (directory.back() == '/' ? "" : "/") + name;
        struct stat st {};
        if (::stat(full.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode))
            found = FindFileInTree(full, wantedName);
        else if (::strcasecmp(name.c_str(), wantedName.c_str()) == 0)
            found = full;
    }
    ::closedir(dir);
    return found;
}

}  // namespace app
