#pragma once
// What the simulated linking device does with one HSE request of a session: the service is
// carried out as library calls on the segment's backend (by index, with index names), so
// modes, write checks, faults and the latency model are the same code the socket serves.
// The FDA addresses a session has reached are opened on the backend once and kept until
// an FMS Abort, the end of the session, or the segment loses them.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "nifb/hse/FdaMessage.h"
#include "simulator/SegmentBackend.h"

namespace simulator::hse {

// The FB VFD's directory of blocks, at this index: a count, then each block's start index
// and parameter count (16-bit numbers, big-endian).
constexpr uint32_t kDirectoryIndex = 256;
// PD tag the linking device shows.
inline const char* const kLinkingDeviceTag = "NIFB-LD";

class HseTranslator {
public:
    explicit HseTranslator(std::shared_ptr<SegmentBackend> backend);
    ~HseTranslator();

    // Opens the session on the backend; false when the backend refuses (the status in `status`).
    bool Open(int32_t& status);
    // The answer to `request` (nothing for unconfirmed services that need none).
    std::optional<nifb::hse::Message> Serve(const nifb::hse::Message& request);
    // A Find Tag Reply for a PD tag query, or nothing when no device carries that tag.
    std::optional<nifb::hse::Message> FindTag(const nifb::hse::Message& query);

private:
    struct Place {
        uint32_t link = 0;
        uint32_t device = 0;
        uint32_t vfd = 0;
    };
    nifb::Response Call(nifb::Op op, uint32_t desc, const std::string& name = {}, uint32_t a0 = 0,
                        uint32_t a1 = 0, std::vector<uint8_t> data = {});
    int LinkDesc(uint16_t link, uint32_t& desc);
    int LiveList(uint16_t link, std::vector<nifLiveListEntry>& out);
    int DeviceDesc(uint32_t fda, uint32_t& desc, nifLiveListEntry* entry = nullptr);
    int VfdDesc(uint32_t fda, uint32_t& desc);
    nifb::hse::Message Sm(const nifb::hse::Message& request, int32_t& status);
    nifb::hse::Message Fms(const nifb::hse::Message& request, int32_t& status);
    int Directory(uint32_t vfd, std::vector<uint8_t>& out);
    void Forget(uint32_t fda);

    std::shared_ptr<SegmentBackend> backend_;
    uint32_t session_ = 0;
    std::map<uint16_t, uint32_t> links_;
    std::map<uint32_t, uint32_t> devices_;  // by FDA address of the device (selector 0)
    std::map<uint32_t, uint32_t> vfds_;     // by FDA address with selector, after FMS Initiate
    struct Download {
        uint32_t index = 0;
        std::vector<uint8_t> data;
    };
    std::map<uint32_t, Download> downloads_;  // by FDA address
};

}  // namespace simulator::hse
