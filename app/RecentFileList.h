#pragma once
// The four most recently used configuration files, most recent first, kept in the registry
// under the company key ("Software\BRKKTE\Tessaro\Recent File List", values "File1".."File4").
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace app {

class RecentFileList {
public:
    static constexpr size_t kSize = 4;
    static constexpr const char* kKey = "Software\\BRKKTE\\Tessaro\\Recent File List";

    explicit RecentFileList(platform::Registry& registry) : registry_(registry) {}
    // Reads the list from the registry (missing or damaged entries are skipped).
    void Load();
    // Puts `path` first (moving it when it is listed already) and stores the list.
    void Add(const std::string& path);
    // Drops `path` (a file that could not be opened) and stores the list.
    void Remove(const std::string& path);
    const std::vector<std::string>& Items() const { return items_; }

private:
    void Store();

    platform::Registry& registry_;
    std::vector<std::string> items_;
};

}  // namespace app
