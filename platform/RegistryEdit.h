#pragma once
// The registry's content inside one transaction of Registry::View or Registry::Update: the
// usual key and value operations on the copy loaded under the file lock. The changes reach
// the file together, with one replace, or not at all.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace platform {

class RegistryTree;

class RegistryEdit {
public:
    // `store` writes the tree to the file; it is empty for a read-only view.
    RegistryEdit(RegistryTree& tree, std::function<int()> store);

    int GetValue(RegRoot root, const std::string& key, const std::string& name, RegValue& out) const;
    int GetString(RegRoot root, const std::string& key, const std::string& name, std::string& out) const;
    int GetDword(RegRoot root, const std::string& key, const std::string& name, uint32_t& out) const;
    bool KeyExists(RegRoot root, const std::string& key) const;
    int EnumSubKeys(RegRoot root, const std::string& key, std::vector<std::string>& out) const;
    int EnumValues(RegRoot root, const std::string& key, std::vector<RegValue>& out) const;

    // Changes; in a read-only view they fail with REG_ACCESS_DENIED.
    int SetString(RegRoot root, const std::string& key, const std::string& name, const std::string& value);
    int SetDword(RegRoot root, const std::string& key, const std::string& name, uint32_t value);
    int CreateKey(RegRoot root, const std::string& key);
    int DeleteValue(RegRoot root, const std::string& key, const std::string& name);
    int DeleteKey(RegRoot root, const std::string& key);

    // Writes the changes made so far while the lock stays held, so that what the transaction
    // does next (another file written, say) comes after them for every other reader.
    // Returns REG_OK (also when nothing changed) or REG_ACCESS_DENIED.
    int Store();
    bool HasUnstoredChanges() const { return changed_; }

private:
    int SetValue(RegRoot root, const std::string& key, const RegValue& value);

    RegistryTree& tree_;
    std::function<int()> store_;
    bool changed_ = false;
};

}  // namespace platform
