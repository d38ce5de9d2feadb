#include "platform/RunMode.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<int> runMode{RunModeStandalone};
}

int CurrentRunMode() { return runMode.load(std::memory_order_relaxed); }

void SetRunMode(int mode) {
    if (mode == RunModeStandalone || mode == RunModeQamPlugIn || mode == RunModeAmsSnapOn) runMode = mode;
}

}  // namespace platform
