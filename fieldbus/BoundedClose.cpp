#include "fieldbus/BoundedClose.h"

#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

#include "platform/Event.h"

namespace fieldbus {
namespace {
std::atomic<int> g_pending{0};
}  // namespace

bool CloseDescriptors(std::vector<nifDesc_t> descriptors, uint32_t limitMs) {
    if (descriptors.empty()) return true;
    auto done = std::make_shared<platform::Event>();
    const bool wait = g_pending.load() == 0;
    ++g_pending;
    try {
        std::thread([descriptors = std::move(descriptors), done] {
            for (nifDesc_t desc : descriptors)
                if (desc != 0) nifClose(desc);
            --g_pending;
            done->Set();
        }).detach();
    } catch (const std::system_error&) {
        --g_pending;
        return false;
    }
    return wait && done->Wait(limitMs);
}

int PendingCloses() { return g_pending.load(); }

}  // namespace fieldbus
