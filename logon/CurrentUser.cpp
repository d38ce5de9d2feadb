#include "logon/CurrentUser.h"

#include <atomic>
#include <mutex>

namespace logon {

namespace {

std::mutex nameLock;
std::string currentName;
std::atomic<uint32_t> currentLevel{0};

}  // namespace

std::string CurrentUser::Name() {
    std::lock_guard<std::mutex> guard(nameLock);
    return currentName;
}

uint32_t CurrentUser::Level() { return currentLevel.load(); }

void CurrentUser::SetName(const std::string& name) {
    std::lock_guard<std::mutex> guard(nameLock);
    currentName = name;
}

void CurrentUser::SetLevel(uint32_t level) { currentLevel.store(level); }

void CurrentUser::Reset() {
    SetName("");
    SetLevel(0);
}

}  // namespace logon
