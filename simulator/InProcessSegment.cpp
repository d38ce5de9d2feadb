#include "simulator/InProcessSegment.h"

#include <cstdlib>

#include "nifb/Backend.h"
#include "nifb/SocketPath.h"
#include "platform/Registry.h"

namespace simulator {

std::string DefaultSegmentPath() {
    const char* env = std::getenv("NIFB_SEGMENT");
    if (env && *env) return env;
    std::string fromRegistry;
    if (platform::Registry::Instance().GetString(platform::RegRoot::LocalMachine, nifb::kNifbRegistryKey, "Segment",
                                                 fromRegistry) == platform::REG_OK &&
        !fromRegistry.empty())
        return fromRegistry;
#ifdef NIFB_DEFAULT_SEGMENT
    return NIFB_DEFAULT_SEGMENT;
#else
    return "segments/default.json";
#endif
}

std::shared_ptr<SegmentBackend> UseInProcessSegment(std::shared_ptr<Segment> segment) {
    auto backend = std::make_shared<SegmentBackend>(std::move(segment));
    nifb::UseInProcessBackend(backend);
    return backend;
}

std::shared_ptr<SegmentBackend> UseInProcessSegment(const std::string& json, const LoadOptions& options,
                                                    std::string& error) {
    auto segment = LoadSegment(json, options, error);
    if (!segment) return nullptr;
    return UseInProcessSegment(segment);
}

}  // namespace simulator

extern "C" int nifUseInProcessSegment(const char* segmentJson) {
    std::string error;
    std::shared_ptr<simulator::Segment> segment =
        segmentJson ? simulator::LoadSegment(segmentJson, simulator::LoadOptions(), error)
                    : simulator::LoadSegmentFile(simulator::DefaultSegmentPath(), simulator::LoadOptions(), error);
    if (!segment) return E_CONFIG_ERROR;
    simulator::UseInProcessSegment(segment);
    return E_OK;
}

extern "C" void nifUseServer(void) { nifb::UseInProcessBackend(nullptr); }
