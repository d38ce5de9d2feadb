#include "platform/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <unistd.h>

#include "platform/FileLock.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

std::mutex g_pathMutex;
std::string g_programDir;

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : fallback;
}

std::string StripTrailingSlash(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

}  // namespace

std::string JoinPath(const std::string& a, const std::string& b) {
    std::string left = a;
    while (!left.empty() && (left.back() == '/' || left.back() == '\\')) left.pop_back();
    size_t start = 0;
    while (start < b.size() && (b[start] == '/' || b[start] == '\\')) ++start;
    std::string right = b.substr(start);
    for (char& c : right)
        if (c == '\\') c = '/';
    if (left.empty()) return a.empty() ? right : "/" + right;
    if (right.empty()) return left;
    return left + "/" + right;
}

std::string SeedDirectory() {
#ifdef TESSARO_SEED_DIR_DEFAULT
    return EnvOr("TESSARO_SEED_DIR", TESSARO_SEED_DIR_DEFAULT);
#else
    return EnvOr("TESSARO_SEED_DIR", "");
#endif
}

bool SeedDirectoryInto(const std::string& from, const std::string& to) {
    std::error_code ec;
    if (from.empty() || !fs::is_directory(from, ec)) return true;  // nothing shipped
    bool ok = true;
    for (auto it = fs::recursive_directory_iterator(from, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        fs::path target = fs::path(to) / fs::relative(it->path(), from, ec);
        if (it->is_directory(ec)) {
            fs::create_directories(target, ec);
        } else if (!fs::exists(target, ec)) {
            fs::create_directories(target.parent_path(), ec);
            if (!fs::copy_file(it->path(), target, ec)) ok = false;
        }
    }
    return ok && !ec;
}

std::string ProgramDirectory() {
    std::lock_guard<std::mutex> guard(g_pathMutex);
    if (!g_programDir.empty()) return g_programDir;
    std::string dir = EnvOr("TESSARO_HOME", "");
    if (dir.empty()) {
        std::string base = EnvOr("XDG_DATA_HOME", "");
        if (base.empty()) base = EnvOr("HOME", "/tmp") + "/.local/share";
        dir = base + "/Tessaro";
    }
    dir = StripTrailingSlash(dir);
    MakeDirectories(dir, 0755);
    SeedDirectoryInto(SeedDirectory(), dir);
    g_programDir = dir;
    return dir;
}

std::string SystemDirectory() {
    std::string dir = EnvOr("TESSARO_SYSTEM_DIR", "");
    if (dir.empty()) dir = JoinPath(ProgramDirectory(), "System");
    dir = StripTrailingSlash(dir);
    MakeDirectories(dir, 0700);
    return dir;
}

std::string TempDirectory() { return StripTrailingSlash(EnvOr("TMPDIR", "/tmp")); }

void ResetPathCache() {
    std::lock_guard<std::mutex> guard(g_pathMutex);
    g_programDir.clear();
}

}  // namespace platform
