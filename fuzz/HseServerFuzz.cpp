// What a peer on the network sends the simulated linking device: a series of datagrams (a
// 16-bit big-endian length, then the bytes), each decoded and served in one FDA session on a
// fresh simulated segment, as the server would.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/support/FuzzSegment.h"
#include "nifb/hse/FdaMessage.h"
#include "simulator/hse/HseTranslator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzSegment segment = fuzz::OpenFuzzSegment();
    simulator::hse::HseTranslator translator(segment.backend);
    int32_t status = 0;
    if (!translator.Open(status)) return 0;
    size_t at = 0;
    while (size - at >= 2) {
        const size_t length = (static_cast<size_t>(data[at]) << 8) | data[at + 1];
        at += 2;
        if (length > size - at) break;
        nifb::hse::Message m;
        std::string why;
        if (nifb::hse::DecodeMessage(data + at, length, m, why) && m.type == nifb::hse::MsgType::Request) {
            if (auto answer = translator.Serve(m)) nifb::hse::EncodeMessage(*answer);
        }
        at += length;
    }
    return 0;
}
