#include "platform/Registry.h"

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sys/stat.h>

#include "platform/AtomicFile.h"
#include "platform/FileLock.h"
#include "platform/RegistryEdit.h"
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

// Loads the tree under the lock. Returns REG_OK, REG_ACCESS_DENIED or REG_CORRUPT; `corrupt`
// gets the reason a damaged file was refused.
int Load(const std::string& path, RegistryTree& tree, std::string& error, std::string& corrupt) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return REG_OK;  // no file yet: an empty registry
    std::string text;
    if (!ReadWholeFile(path, text)) {
        error = "cannot read " + path;
        return REG_ACCESS_DENIED;
    }
    if (!tree.Parse(text, corrupt)) {
        error = "The registry file " + path + " is damaged: " + corrupt;
        return REG_CORRUPT;
    }
    return REG_OK;
}

std::mutex g_registryMutex;  // serialises the threads of this process; the file lock the processes
thread_local bool t_inTransaction = false;

int ToStatus(bool found) { return found ? static_cast<int>(REG_OK) : static_cast<int>(REG_NOT_FOUND); }

}  // namespace

// Runs `op` on the tree loaded under the lock; a writing transaction stores what `op`
// changed unless `op` failed.
template <typename Op>
static int Transact(const std::string& path, bool write, std::string& lastError, Op op) {
    if (t_inTransaction) {
        // A second lock from inside a transaction would wait for itself.
        lastError = "the registry was used from inside one of its own transactions";
        return REG_ACCESS_DENIED;
    }
    std::string corrupt;
    int status = REG_OK;
    {
        std::lock_guard<std::mutex> guard(g_registryMutex);
        t_inTransaction = true;
        struct Leave {
            ~Leave() { t_inTransaction = false; }
        } leave;
        if (write && !MakeDirectories(ParentDir(path), 0700)) {
            lastError = "cannot create the folder of " + path;
            return REG_ACCESS_DENIED;
        }
        FileLock lock(path + ".lock", write);
        // Without a lock file (a read-only folder) a reader still sees a whole file, since
        // every writer replaces it by rename; a writer must have the lock.
        if (!lock.Locked() && (write || lock.TimedOut())) {
            lastError = lock.TimedOut() ? "the registry file " + path + " is kept locked by another program"
                                        : "cannot lock " + path;
            return REG_ACCESS_DENIED;
        }
        RegistryTree tree;
        std::string error;
        status = Load(path, tree, error, corrupt);
        if (status != REG_OK) {
            lastError = error;
        } else {
            RegistryEdit edit(tree, write ? std::function<int()>([&] {
                if (!WriteFileAtomically(path, tree.Serialize(), &error, 0600)) {
                    lastError = error;
                    return static_cast<int>(REG_ACCESS_DENIED);
                }
                // The lock keeps every other writer out, so temporaries lying about now are
                // remains of saves that were killed.
                RemoveStaleTemporaries(path);
                return static_cast<int>(REG_OK);
            })
                                                  : std::function<int()>());
            status = op(edit);
            if (status == REG_OK && write) status = edit.Store();
        }
    }
    // Reported outside the locks: the message waits for the user.
    if (status == REG_CORRUPT) ReportCorrupt(path, corrupt);
    return status;
}

int Registry::View(const std::function<int(const RegistryEdit&)>& read) {
    return Transact(path_, false, lastError_, [&](RegistryEdit& edit) { return read(edit); });
}

int Registry::Update(const std::function<int(RegistryEdit&)>& edit) {
    return Transact(path_, true, lastError_, [&](RegistryEdit& e) { return edit(e); });
}

int Registry::GetValue(RegRoot root, const std::string& key, const std::string& name, RegValue& out) {
    return View([&](const RegistryEdit& edit) { return edit.GetValue(root, key, name, out); });
}

int Registry::GetString(RegRoot root, const std::string& key, const std::string& name, std::string& out) {
    return View([&](const RegistryEdit& edit) { return edit.GetString(root, key, name, out); });
}

int Registry::GetDword(RegRoot root, const std::string& key, const std::string& name, uint32_t& out) {
    return View([&](const RegistryEdit& edit) { return edit.GetDword(root, key, name, out); });
}

int Registry::SetString(RegRoot root, const std::string& key, const std::string& name, const std::string& value) {
    return Update([&](RegistryEdit& edit) { return edit.SetString(root, key, name, value); });
}

int Registry::SetDword(RegRoot root, const std::string& key, const std::string& name, uint32_t value) {
    return Update([&](RegistryEdit& edit) { return edit.SetDword(root, key, name, value); });
}

int Registry::CreateKey(RegRoot root, const std::string& key) {
    return Update([&](RegistryEdit& edit) { return edit.CreateKey(root, key); });
}

bool Registry::KeyExists(RegRoot root, const std::string& key) {
    return View([&](const RegistryEdit& edit) { return ToStatus(edit.KeyExists(root, key)); }) == REG_OK;
}

int Registry::EnumSubKeys(RegRoot root, const std::string& key, std::vector<std::string>& out) {
    return View([&](const RegistryEdit& edit) { return edit.EnumSubKeys(root, key, out); });
}

int Registry::EnumValues(RegRoot root, const std::string& key, std::vector<RegValue>& out) {
    return View([&](const RegistryEdit& edit) { return edit.EnumValues(root, key, out); });
}

int Registry::DeleteValue(RegRoot root, const std::string& key, const std::string& name) {
    return Update([&](RegistryEdit& edit) { return edit.DeleteValue(root, key, name); });
}

int Registry::DeleteKey(RegRoot root, const std::string& key) {
    return Update([&](RegistryEdit& edit) { return edit.DeleteKey(root, key); });
}

std::string Registry::LastError() const {
    std::lock_guard<std::mutex> guard(g_registryMutex);
    return lastError_;
}

}  // namespace platform
