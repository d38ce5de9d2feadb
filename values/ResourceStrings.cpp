// The program's string table: texts registered by id at start-up and loaded by id.
#include <map>
#include <mutex>

#include "platform/Ui.h"
#include "values/ValueCodec.h"

namespace values {

namespace {

std::mutex& TableLock() {
    static std::mutex lock;
    return lock;
}

std::map<int, std::string>& Table() {
    static std::map<int, std::string> table;
    return table;
}

}  // namespace

void RegisterResourceString(int id, const std::string& text) {
    std::lock_guard<std::mutex> lock(TableLock());
    Table()[id] = text;
}

std::string LoadResourceString(int id) {
    {
        std::lock_guard<std::mutex> lock(TableLock());
        const auto it = Table().find(id);
        if (it != Table().end()) return it->second;
    }
    // Holding Shift is the program's diagnostic switch: only then is a missing text reported.
    if (platform::GetUi().IsKeyDown(platform::Key::Shift))
        platform::ShowMessage(platform::Format("Error loading string with ID %d", id));
    return {};
}

}  // namespace values
