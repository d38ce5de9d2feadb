// What the server answers the library: the input is a series of frames (a 32-bit
// little-endian length and the bytes, as on the socket), each decoded as the answer to the
// next call of a client that scans the link and reads a block, and the client uses the
// answers as a program would: every record and item the library says it delivered is read.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "nifb/Backend.h"
#include "nifb/nifb.h"

namespace {

class RecordedAnswers : public nifb::Backend {
public:
    RecordedAnswers(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    nifb::Response Call(const nifb::Request&) override {
        nifb::Response response;
        uint32_t length = 0;
        if (size_ - pos_ < 4) return nifb::Fail(E_SERVER_CONNECTION_LOST);
        std::memcpy(&length, data_ + pos_, 4);
        pos_ += 4;
        if (length > size_ - pos_) return nifb::Fail(E_SERVER_CONNECTION_LOST);
        const std::vector<uint8_t> frame(data_ + pos_, data_ + pos_ + length);
        pos_ += length;
        if (!nifb::DecodeResponse(frame, response)) return nifb::Fail(E_SERVER_CONNECTION_LOST);
        return response;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Reads every byte of what the library handed over, so the address checker sees any record
// that was promised but not delivered.
volatile uint8_t g_sink;
void Touch(const void* p, size_t n) {
    for (size_t i = 0; i < n; ++i) g_sink = static_cast<const uint8_t*>(p)[i];
}

void ReadBlock(nifDesc_t block) {
    uint8_t buffer[256];
    uint16_t size = sizeof buffer;
    if (nifReadObject(block, "MODE_BLK", buffer, &size) == E_OK) Touch(buffer, size < sizeof buffer ? size : sizeof buffer);
    nifObjectType* type = nullptr;
    if (nifGetObjectType(block, "MODE_BLK", &type) == E_OK && type) {
        Touch(type->members, type->numMembers * sizeof(nifTypeMember));
        nifFreeObjectType(type);
    }
    nifAttributes* attributes = nullptr;
    if (nifGetObjectAttributes(block, "MODE_BLK", &attributes) == E_OK && attributes) {
        Touch(attributes->items, attributes->numItems * sizeof(nifEnumItem));
        nifFreeObjectAttributes(attributes);
    }
    char text[128];
    if (nifGetObjectName(block, "MODE_BLK", text, sizeof text) == E_OK) Touch(text, std::strlen(text));
    if (nifGetObjectDescription(block, "MODE_BLK", text, sizeof text) == E_OK) Touch(text, std::strlen(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nifb::UseInProcessBackend(std::make_shared<RecordedAnswers>(data, size));
    nifDesc_t session = 0, link = 0, device = 0, vfd = 0, block = 0;
    if (nifOpenSession(nullptr, &session) == E_OK) {
        std::vector<nifInterfaceInfo> interfaces(4);
        uint16_t count = static_cast<uint16_t>(interfaces.size());
        if (nifGetInterfaceList(session, &count, interfaces.data()) == E_OK)
            Touch(interfaces.data(), count * sizeof(nifInterfaceInfo));
        if (nifOpenLink(session, 1, nullptr, 0, &link) == E_OK) {
            std::vector<nifLiveListEntry> live(32);
            count = static_cast<uint16_t>(live.size());
            uint32_t total = 0;
            if (nifGetDeviceList(link, live.data(), &count, &total) == E_OK)
                Touch(live.data(), count * sizeof(nifLiveListEntry));
            if (nifOpenPhysicalDevice(link, NIF_BY_TAG, "KV-201", &device) == E_OK) {
                std::vector<nifVfdInfo> vfds(4);
                count = static_cast<uint16_t>(vfds.size());
                if (nifGetVFDList(device, vfds.data(), &count) == E_OK) Touch(vfds.data(), count * sizeof(nifVfdInfo));
                if (nifOpenVfd(device, makeIndex(0), &vfd) == E_OK) {
                    std::vector<nifBlockInfo> blocks(16);
                    count = static_cast<uint16_t>(blocks.size());
                    if (nifGetBlockList(vfd, NIF_FUNCTION_BLOCK | NIF_TRANSDUCER_BLOCK | NIF_RESOURCE_BLOCK, blocks.data(), &count) == E_OK)
                        Touch(blocks.data(), count * sizeof(nifBlockInfo));
                    if (nifOpenBlock(vfd, "KV201_AO", &block) == E_OK) ReadBlock(block);
                }
            }
        }
        nifClose(session);
    }
    nifb::UseInProcessBackend(nullptr);
    return 0;
}
