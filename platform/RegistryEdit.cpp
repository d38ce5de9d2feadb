#include "platform/RegistryEdit.h"

#include <utility>

#include "platform/RegistryFile.h"

namespace platform {

RegistryEdit::RegistryEdit(RegistryTree& tree, std::function<int()> store) : tree_(tree), store_(std::move(store)) {}

int RegistryEdit::GetValue(RegRoot root, const std::string& key, const std::string& name, RegValue& out) const {
    RegNode* node = tree_.Find(root, key, false);
    if (!node) return REG_NOT_FOUND;
    RegValue* v = node->Value(name);
    if (!v) return REG_NOT_FOUND;
    out = *v;
    return REG_OK;
}

int RegistryEdit::GetString(RegRoot root, const std::string& key, const std::string& name, std::string& out) const {
    RegValue v;
    const int status = GetValue(root, key, name, v);
    if (status != REG_OK) return status;
    if (v.type != RegType::String) return REG_INVALID_DATA;
    out = v.text;
    return REG_OK;
}

int RegistryEdit::GetDword(RegRoot root, const std::string& key, const std::string& name, uint32_t& out) const {
    RegValue v;
    const int status = GetValue(root, key, name, v);
    if (status != REG_OK) return status;
    if (v.type != RegType::Dword) return REG_INVALID_DATA;
    out = v.number;
    return REG_OK;
}

bool RegistryEdit::KeyExists(RegRoot root, const std::string& key) const {
    return tree_.Find(root, key, false) != nullptr;
}

int RegistryEdit::EnumSubKeys(RegRoot root, const std::string& key, std::vector<std::string>& out) const {
    RegNode* node = tree_.Find(root, key, false);
    if (!node) return REG_NOT_FOUND;
    out.clear();
    for (const auto& c : node->children) out.push_back(c->name);
    return REG_OK;
}

int RegistryEdit::EnumValues(RegRoot root, const std::string& key, std::vector<RegValue>& out) const {
    RegNode* node = tree_.Find(root, key, false);
    if (!node) return REG_NOT_FOUND;
    out = node->values;
    return REG_OK;
}

int RegistryEdit::SetValue(RegRoot root, const std::string& key, const RegValue& value) {
    if (!store_) return REG_ACCESS_DENIED;
    RegNode* node = tree_.Find(root, key, true);
    if (RegValue* v = node->Value(value.name)) {
        std::string keptName = v->name;  // an existing value keeps its spelling and position
        *v = value;
        v->name = keptName;
    } else {
        node->values.push_back(value);
    }
    changed_ = true;
    return REG_OK;
}

int RegistryEdit::SetString(RegRoot root, const std::string& key, const std::string& name, const std::string& value) {
    RegValue v;
    v.name = name;
    v.type = RegType::String;
    v.text = value;
    return SetValue(root, key, v);
}

int RegistryEdit::SetDword(RegRoot root, const std::string& key, const std::string& name, uint32_t value) {
    RegValue v;
    v.name = name;
    v.type = RegType::Dword;
    v.number = value;
    return SetValue(root, key, v);
}

int RegistryEdit::CreateKey(RegRoot root, const std::string& key) {
    if (!store_) return REG_ACCESS_DENIED;
    if (!tree_.Find(root, key, false)) {
        tree_.Find(root, key, true);
        changed_ = true;
    }
    return REG_OK;
}

int RegistryEdit::DeleteValue(RegRoot root, const std::string& key, const std::string& name) {
    if (!store_) return REG_ACCESS_DENIED;
    RegNode* node = tree_.Find(root, key, false);
    if (!node) return REG_NOT_FOUND;
    for (auto it = node->values.begin(); it != node->values.end(); ++it) {
        if (EqualsNoCase(it->name, name)) {
            node->values.erase(it);
            changed_ = true;
            return REG_OK;
        }
    }
    return REG_NOT_FOUND;
}

int RegistryEdit::DeleteKey(RegRoot root, const std::string& key) {
    if (!store_) return REG_ACCESS_DENIED;
    if (!tree_.Remove(root, key)) return REG_NOT_FOUND;
    changed_ = true;
    return REG_OK;
}

int RegistryEdit::Store() {
    if (!store_) return REG_ACCESS_DENIED;
    if (!changed_) return REG_OK;
    const int status = store_();
    if (status == REG_OK) changed_ = false;
    return status;
}

}  // namespace platform
