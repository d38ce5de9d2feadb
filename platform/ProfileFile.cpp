#include "platform/ProfileFile.h"

#include <cstdlib>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/FileLock.h"
#include "platform/RegistryFile.h"

namespace platform {
namespace {

// The file as lines; sections and keys are found by case-insensitive comparison so that
// comments, blank lines and the spelling of everything else survive a write untouched.
struct ProfileLines {
    std::vector<std::string> lines;

    static std::string Trim(const std::string& s) {
        size_t b = s.find_first_not_of(" \t\r");
        if (b == std::string::npos) return {};
        size_t e = s.find_last_not_of(" \t\r");
        return s.substr(b, e - b + 1);
    }
    static bool SectionName(const std::string& line, std::string& name) {
        std::string t = Trim(line);
        if (t.size() < 2 || t.front() != '[') return false;
        size_t close = t.find(']');
        if (close == std::string::npos) return false;
        name = Trim(t.substr(1, close - 1));
        return true;
    }
    static bool KeyOf(const std::string& line, std::string& key, std::string& value) {
        std::string t = Trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '[') return false;
        size_t eq = t.find('=');
        if (eq == std::string::npos) return false;
        key = Trim(t.substr(0, eq));
        value = Trim(t.substr(eq + 1));
        return true;
    }
    // Index of the section header line, or -1.
    int FindSection(const std::string& section) const {
        std::string name;
        for (size_t i = 0; i < lines.size(); ++i)
            if (SectionName(lines[i], name) && EqualsNoCase(name, section)) return static_cast<int>(i);
        return -1;
    }
    // End (exclusive) of the section that starts at `header`.
    size_t SectionEnd(int header) const {
        std::string name;
        size_t i = static_cast<size_t>(header) + 1;
        while (i < lines.size() && !SectionName(lines[i], name)) ++i;
        return i;
    }
    int FindKey(int header, const std::string& key, std::string* value) const {
        std::string k, v;
        for (size_t i = static_cast<size_t>(header) + 1; i < SectionEnd(header); ++i) {
            if (KeyOf(lines[i], k, v) && EqualsNoCase(k, key)) {
                if (value) *value = v;
                return static_cast<int>(i);
            }
        }
        return -1;
    }
};

ProfileLines Load(const std::string& file) {
    ProfileLines p;
    std::string text;
    if (!ReadWholeFile(file, text)) return p;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        p.lines.push_back(line);
    }
    return p;
}

// Called with the file's lock held: temporaries of this file lying about are then remains of
// saves that were killed, and go.
bool Store(const std::string& file, const ProfileLines& p, const FileLock& lock) {
    std::string text;
    for (const auto& line : p.lines) text += line + "\r\n";
    if (!WriteFileAtomically(file, text)) return false;
    if (lock.Locked()) RemoveStaleTemporaries(file);
    return true;
}

std::mutex g_profileMutex;

}  // namespace

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& file) {
    std::lock_guard<std::mutex> guard(g_profileMutex);
    ProfileLines p = Load(file);
    int header = p.FindSection(section);
    std::string value;
    if (header < 0 || p.FindKey(header, key, &value) < 0) return defaultValue;
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return value;
}

int GetPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue,
                         const std::string& file) {
    std::string text = GetPrivateProfileString(section, key, "", file);
    if (text.empty()) return defaultValue;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str()) return 0;  // present but not a number: the classic routine yields 0
    return static_cast<int>(v);
}

bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& file) {
    std::lock_guard<std::mutex> guard(g_profileMutex);
    FileLock lock(file + ".lock", true);
    ProfileLines p = Load(file);
    int header = p.FindSection(section);
    if (header < 0) {
        if (!p.lines.empty() && !p.lines.back().empty()) p.lines.push_back("");
        p.lines.push_back("[" + section + "]");
        p.lines.push_back(key + "=" + value);
        return Store(file, p, lock);
    }
    int at = p.FindKey(header, key, nullptr);
    if (at >= 0) {
        // Keep the stored spelling of the key.
        std::string k, v;
        ProfileLines::KeyOf(p.lines[static_cast<size_t>(at)], k, v);
        p.lines[static_cast<size_t>(at)] = k + "=" + value;
    } else {
        size_t end = p.SectionEnd(header);
        while (end > static_cast<size_t>(header) + 1 && ProfileLines::Trim(p.lines[end - 1]).empty()) --end;
        p.lines.insert(p.lines.begin() + static_cast<long>(end), key + "=" + value);
    }
    return Store(file, p, lock);
}

bool DeletePrivateProfileKey(const std::string& section, const std::string& key, const std::string& file) {
    std::lock_guard<std::mutex> guard(g_profileMutex);
    FileLock lock(file + ".lock", true);
    ProfileLines p = Load(file);
    int header = p.FindSection(section);
    if (header < 0) return true;
    int at = p.FindKey(header, key, nullptr);
    if (at < 0) return true;
    p.lines.erase(p.lines.begin() + at);
    return Store(file, p, lock);
}

}  // namespace platform
