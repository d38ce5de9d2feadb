#include "app/RecentFileList.h"

#include <algorithm>

namespace app {

using platform::RegRoot;

void RecentFileList::Load() {
    items_.clear();
    for (size_t i = 1; i <= kSize; ++i) {
        std::string path;
        if (registry_.GetString(RegRoot::CurrentUser, kKey, "File" + std::to_string(i), path) == platform::REG_OK &&
            !path.empty() && std::find(items_.begin(), items_.end(), path) == items_.end())
            items_.push_back(path);
    }
}

void RecentFileList::Add(const std::string& path) {
    if (path.empty()) return;
    items_.erase(std::remove(items_.begin(), items_.end(), path), items_.end());
    items_.insert(items_.begin(), path);
    if (items_.size() > kSize) items_.resize(kSize);
    Store();
}

void RecentFileList::Remove(const std::string& path) {
    items_.erase(std::remove(items_.begin(), items_.end(), path), items_.end());
    Store();
}

void RecentFileList::Store() {
    for (size_t i = 1; i <= kSize; ++i) {
        const std::string name = "File" + std::to_string(i);
        if (i <= items_.size())
            registry_.SetString(RegRoot::CurrentUser, kKey, name, items_[i - 1]);
        else
            registry_.DeleteValue(RegRoot::CurrentUser, kKey, name);
    }
}

}  // namespace app
