#include "logon/RunMode.h"

#include <atomic>

namespace logon {

namespace {
std::atomic<int> runMode{kRunModeStandalone};
}

int GetRunMode() { return runMode.load(); }
void SetRunMode(int mode) { runMode.store(mode); }

}  // namespace logon
