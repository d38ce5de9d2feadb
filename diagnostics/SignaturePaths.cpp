#include "diagnostics/SignaturePaths.h"

#include <filesystem>
#include <mutex>

#include "config/CConfigData.h"

namespace diagnostics {

namespace {
std::mutex g_mutex;
std::string g_lastPath;
}  // namespace

std::string LastSignaturePath() {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!g_lastPath.empty()) return g_lastPath;
    }
    return config::CurrentConfig().signatureFolder;
}

void SetLastSignaturePath(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_lastPath = path;
}

std::string LastSignatureFolder() {
    const std::string last = LastSignaturePath();
    std::error_code ec;
    if (std::filesystem::is_directory(last, ec)) return last;
    return std::filesystem::path(last).parent_path().string();
}

}  // namespace diagnostics
