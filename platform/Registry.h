#pragma once
// The registry stand-in: keys under the classic roots holding string and 32-bit values,
// kept in one file that Tessaro and TessaroAdmin share. Every change re-reads the file
// under an inter-process lock, applies the change and replaces the file atomically; several
// changes that belong together go into one transaction (Update).
// Key and value names compare without regard to case and keep their spelling.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Root handles keep the classic numbers; messages print them with %d.
enum class RegRoot : uint32_t {
    ClassesRoot = 0x80000000u,
    CurrentUser = 0x80000001u,
    LocalMachine = 0x80000002u,
    Users = 0x80000003u,
};
inline int RootHandle(RegRoot root) { return static_cast<int>(static_cast<uint32_t>(root)); }

// Status codes (the classic error numbers).
enum RegStatus : int {
    REG_OK = 0,
    REG_NOT_FOUND = 2,      // key or value does not exist
    REG_ACCESS_DENIED = 5,  // file cannot be read or written
    REG_INVALID_DATA = 13,  // value has another type than asked for
    REG_CORRUPT = 1392,     // the registry file is damaged; nothing was changed
};

class RegistryEdit;

enum class RegType { String = 1, Dword = 4 };

struct RegValue {
    std::string name;  // "" is the key's default value
    RegType type = RegType::String;
    std::string text;     // for String
    uint32_t number = 0;  // for Dword
};

class Registry {
public:
    // The process-wide registry: file from TESSARO_REGISTRY (read on every call), else
    // $XDG_CONFIG_HOME/Tessaro/registry.dat (or ~/.config/Tessaro/registry.dat).
    static Registry& Instance();
    static std::string DefaultPath();

    explicit Registry(std::string filePath);
    const std::string& FilePath() const { return path_; }

    int GetString(RegRoot root, const std::string& key, const std::string& name, std::string& out);
    int GetDword(RegRoot root, const std::string& key, const std::string& name, uint32_t& out);
    int GetValue(RegRoot root, const std::string& key, const std::string& name, RegValue& out);
    // Setting a value creates its key (and the keys above it) as needed.
    int SetString(RegRoot root, const std::string& key, const std::string& name, const std::string& value);
    int SetDword(RegRoot root, const std::string& key, const std::string& name, uint32_t value);
    int CreateKey(RegRoot root, const std::string& key);
    bool KeyExists(RegRoot root, const std::string& key);
    // Direct sub-key names in their stored order (the order they were created in).
    int EnumSubKeys(RegRoot root, const std::string& key, std::vector<std::string>& out);
    int EnumValues(RegRoot root, const std::string& key, std::vector<RegValue>& out);
    int DeleteValue(RegRoot root, const std::string& key, const std::string& name);
    // Deletes the key with all its sub-keys and values.
    int DeleteKey(RegRoot root, const std::string& key);

    // Transactions. `View` runs `read` on a consistent snapshot (shared lock). `Update` runs
    // `edit` under the exclusive lock and then stores all its changes with one replace of the
    // file; when `edit` returns nonzero, the changes it has not stored yet are dropped. Files
    // that `edit` writes itself are thereby ordered with every registry change of any process.
    // Neither may call this registry from inside (that is refused, not deadlocked), and
    // neither should wait for the user. Both return `read`/`edit`'s result, or the registry's
    // status when the file could not be read, locked or written.
    int View(const std::function<int(const RegistryEdit&)>& read);
    int Update(const std::function<int(RegistryEdit&)>& edit);

    // Text of the last failure (for example why the file counts as corrupt).
    std::string LastError() const;

private:
    std::string path_;
    std::string lastError_;
};

}  // namespace platform
