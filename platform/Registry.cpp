#include "platform/Registry.h"

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sys/stat.h>

#include "platform/AtomicFile.h"
#include "platform/FileLock.h"
#include "platform/RegistryFile.h"
#include "platform/Ui.h"

namespace platform {
namespace {

std::mutex g_reportMutex;
std::set<std::string> g_reported;

// A damaged registry file is reported once per file and process; it is never rewritten.
void ReportCorrupt(const std::string& path, const std::string& reason) {
    {
        std::lock_guard<std::mutex> lock(g_reportMutex);
        if (!g_reported.insert(path).second) return;
    }
    ShowMessage(Format("Error: The registry file %s is damaged (%s).\n\nIt has been left as it is; the "
                       "settings and users stored in it cannot be used until the file is restored.",
                       path.c_str(), reason.c_str()),
                MB_OK | MB_ICONSTOP);
}

std::string ParentDir(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}


}  // namespace

std::string Registry::DefaultPath() {
    if (const char* env = std::getenv("TESSARO_REGISTRY"); env && *env) return env;
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        base = "/tmp";
    return base + "/Tessaro/registry.dat";
}

Registry& Registry::Instance() {
    // One object per file; the file follows TESSARO_REGISTRY, so tests can switch it.
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<Registry>> instances;
    std::lock_guard<std::mutex> guard(mutex);
    auto& slot = instances[DefaultPath()];
    if (!slot) slot = std::make_unique<Registry>(DefaultPath());
    return *slot;
}

Registry::Registry(std::string filePath) : path_(std::move(filePath)) {}

namespace {

// Loads the tree under the lock. Returns REG_OK, REG_ACCESS_DENIED or REG_CORRUPT.
int Load(const std::string& path, RegistryTree& tree, std::string& error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return REG_OK;  // no file yet: an empty registry
    std::string text;
    if (!ReadWholeFile(path, text)) {
        error = "cannot read " + path;
        return REG_ACCESS_DENIED;
    }
    std::string reason;
    if (!tree.Parse(text, reason)) {
        error = "The registry file " + path + " is damaged: " + reason;
        ReportCorrupt(path, reason);
        return REG_CORRUPT;
    }
    return REG_OK;
}

std::mutex g_registryMutex;  // serialises the threads of this process; the file lock the processes

}  // namespace

// Runs `op` on the loaded tree; when `write` and op succeeded, stores the tree again.
template <typename Op>
static int Transact(const std::string& path, bool write, std::string& lastError, Op op) {
    std::lock_guard<std::mutex> guard(g_registryMutex);
    if (write && !MakeDirectories(ParentDir(path), 0700)) {
        lastError = "cannot create the folder of " + path;
        return REG_ACCESS_DENIED;
    }
    FileLock lock(path + ".lock", write);
    RegistryTree tree;
    std::string error;
    int status = Load(path, tree, error);
    if (status != REG_OK) {
        lastError = error;
        return status;
    }
    status = op(tree);
    if (status != REG_OK || !write) return status;
    if (!WriteFileAtomically(path, tree.Serialize(), &error, 0600)) {
        lastError = error;
        return REG_ACCESS_DENIED;
    }
    return REG_OK;
}

int Registry::GetValue(RegRoot root, const std::string& key, const std::string& name, RegValue& out) {
    return Transact(path_, false, lastError_, [&](RegistryTree& tree) {
        RegNode* node = tree.Find(root, key, false);
        if (!node) return static_cast<int>(REG_NOT_FOUND);
        RegValue* v = node->Value(name);
        if (!v) return static_cast<int>(REG_NOT_FOUND);
        out = *v;
        return static_cast<int>(REG_OK);
    });
}

int Registry::GetString(RegRoot root, const std::string& key, const std::string& name, std::string& out) {
    RegValue v;
    int status = GetValue(root, key, name, v);
    if (status != REG_OK) return status;
    if (v.type != RegType::String) return REG_INVALID_DATA;
    out = v.text;
    return REG_OK;
}

int Registry::GetDword(RegRoot root, const std::string& key, const std::string& name, uint32_t& out) {
    RegValue v;
    int status = GetValue(root, key, name, v);
    if (status != REG_OK) return status;
    if (v.type != RegType::Dword) return REG_INVALID_DATA;
    out = v.number;
    return REG_OK;
}

static int SetValue(const std::string& path, std::string& lastError, RegRoot root, const std::string& key,
                    const RegValue& value) {
    return Transact(path, true, lastError, [&](RegistryTree& tree) {
        RegNode* node = tree.Find(root, key, true);
        if (RegValue* v = node->Value(value.name)) {
            std::string keptName = v->name;
            *v = value;
            v->name = keptName;
        } else {
            node->values.push_back(value);
        }
        return static_cast<int>(REG_OK);
    });
}

int Registry::SetString(RegRoot root, const std::string& key, const std::string& name, const std::string& value) {
    RegValue v;
    v.name = name;
    v.type = RegType::String;
    v.text = value;
    return SetValue(path_, lastError_, root, key, v);
}

int Registry::SetDword(RegRoot root, const std::string& key, const std::string& name, uint32_t value) {
    RegValue v;
    v.name = name;
    v.type = RegType::Dword;
    v.number = value;
    return SetValue(path_, lastError_, root, key, v);
}

int Registry::CreateKey(RegRoot root, const std::string& key) {
    return Transact(path_, true, lastError_, [&](RegistryTree& tree) {
        tree.Find(root, key, true);
        return static_cast<int>(REG_OK);
    });
}

bool Registry::KeyExists(RegRoot root, const std::string& key) {
    return Transact(path_, false, lastError_, [&](RegistryTree& tree) {
               return tree.Find(root, key, false) ? static_cast<int>(REG_OK) : static_cast<int>(REG_NOT_FOUND);
           }) == REG_OK;
}

int Registry::EnumSubKeys(RegRoot root, const std::string& key, std::vector<std::string>& out) {
    return Transact(path_, false, lastError_, [&](RegistryTree& tree) {
        RegNode* node = tree.Find(root, key, false);
        if (!node) return static_cast<int>(REG_NOT_FOUND);
        out.clear();
        for (const auto& c : node->children) out.push_back(c->name);
        return static_cast<int>(REG_OK);
    });
}

int Registry::EnumValues(RegRoot root, const std::string& key, std::vector<RegValue>& out) {
    return Transact(path_, false, lastError_, [&](RegistryTree& tree) {
        RegNode* node = tree.Find(root, key, false);
        if (!node) return static_cast<int>(REG_NOT_FOUND);
        out = node->values;
        return static_cast<int>(REG_OK);
    });
}

int Registry::DeleteValue(RegRoot root, const std::string& key, const std::string& name) {
    return Transact(path_, true, lastError_, [&](RegistryTree& tree) {
        RegNode* node = tree.Find(root, key, false);
        if (!node) return static_cast<int>(REG_NOT_FOUND);
        for (auto it = node->values.begin(); it != node->values.end(); ++it) {
            if (EqualsNoCase(it->name, name)) {
                node->values.erase(it);
                return static_cast<int>(REG_OK);
            }
        }
        return static_cast<int>(REG_NOT_FOUND);
    });
}

int Registry::DeleteKey(RegRoot root, const std::string& key) {
    return Transact(path_, true, lastError_, [&](RegistryTree& tree) {
        return tree.Remove(root, key) ? static_cast<int>(REG_OK) : static_cast<int>(REG_NOT_FOUND);
    });
}

std::string Registry::LastError() const {
    std::lock_guard<std::mutex> guard(g_registryMutex);
    return lastError_;
}

}  // namespace platform
