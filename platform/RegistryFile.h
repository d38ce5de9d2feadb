#pragma once
// The in-memory tree of the registry stand-in and its one file layout:
//
//   TESSARO REGISTRY 1
//   K <key path>            a key, its full path from the root ("HKEY_LOCAL_MACHINE\SOFTWARE")
//   S <name>=<text>         a string value of the key above
//   D <name>=<decimal>      a 32-bit value of the key above
//   END <crc32 in hex>      checksum of every byte before this line
//
// Names and texts escape '%', '=', control characters and line breaks as %XX. A file
// without its END line, with a wrong checksum or with a malformed line is refused whole.
#include <memory>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace platform {

struct RegNode {
    std::string name;
    std::vector<RegValue> values;
    std::vector<std::unique_ptr<RegNode>> children;

    RegNode* Child(const std::string& childName) const;  // case-insensitive
    RegNode* AddChild(const std::string& childName);
    RegValue* Value(const std::string& valueName);  // case-insensitive
};

class RegistryTree {
public:
    RegistryTree();
    // Node for root + "A\B\C"; with `create`, missing keys are added.
    RegNode* Find(RegRoot root, const std::string& key, bool create);
    // Removes the key (with its sub-tree). Returns false when it does not exist.
    bool Remove(RegRoot root, const std::string& key);

    std::string Serialize() const;
    // Returns false (and a reason) when the text is not a complete, intact registry file.
    bool Parse(const std::string& text, std::string& error);

private:
    RegNode top_;  // children are the roots
};

std::string RootName(RegRoot root);
bool EqualsNoCase(const std::string& a, const std::string& b);
uint32_t Crc32(const std::string& data);

}  // namespace platform
