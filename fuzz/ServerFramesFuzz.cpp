// What a client sends the server: a byte stream cut into frames as the server reads them,
// each decoded and served by a fresh simulated segment. Control commands have a target of
// their own.
#include <cstdint>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "fuzz/support/FuzzSegment.h"
#include "nifb/FrameIo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) return 0;
    // Inputs are far smaller than the socket buffer, so the write does not block.
    const bool sent = ::write(pair[0], data, size) == static_cast<ssize_t>(size);
    ::close(pair[0]);
    fuzz::FuzzSegment segment = fuzz::OpenFuzzSegment();
    std::vector<uint8_t> frame;
    while (sent && nifb::ReceiveFrame(pair[1], frame, nifb::kNoDeadline) == nifb::IoStatus::Ok) {
        nifb::Request request;
        if (!nifb::DecodeRequest(frame, request)) break;
        if (request.op == nifb::Op::Control) continue;
        nifb::EncodeResponse(segment.backend->Call(request));
    }
    ::close(pair[1]);
    return 0;
}
