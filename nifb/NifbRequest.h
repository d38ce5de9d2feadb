#pragma once
// One library call as it travels to whatever serves the segment: the call number, the
// descriptor it works on, an object name, up to four numbers and a byte block. The answer
// carries the status, up to four numbers and a byte block. The same shapes are used for
// the in-process segment and, encoded, on the server socket.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace nifb {

enum class Op : uint16_t {
    OpenSession = 1,
    AttachSession,  // a further connection of an open session (socket transport only)
    GetInterfaceList,
    OpenLink,
    GetDeviceList,
    OpenPhysicalDevice,
    GetVfdList,
    OpenVfd,
    GetBlockList,
    OpenBlock,
    ReadObject,
    WriteObject,
    GetObjectSize,
    GetObjectType,
    GetObjectName,
    GetObjectAttributes,
    GetObjectDescription,
    SetTag,
    SetAddress,
    Clear,
    Close,
    DownloadDomain,
    Control,  // simulator control (fault injection, clock); name holds a JSON command
    Last = Control,
};

struct Request {
    Op op = Op::OpenSession;
    uint32_t desc = 0;
    std::string name;
    std::array<uint32_t, 4> arg{};
    std::vector<uint8_t> data;
};

struct Response {
    int32_t status = 0;
    std::array<uint32_t, 4> value{};
    std::vector<uint8_t> data;
};

inline Response Fail(int32_t status) {
    Response r;
    r.status = status;
    return r;
}

// Largest frame either side accepts (domain downloads carry whole files).
constexpr uint32_t kMaxFrameBytes = 16u * 1024u * 1024u;

// Encoding for the socket. Decoding checks every length and returns false on anything
// malformed; it never reads outside the buffer.
std::vector<uint8_t> EncodeRequest(const Request& r);
bool DecodeRequest(const std::vector<uint8_t>& bytes, Request& out);
std::vector<uint8_t> EncodeResponse(const Response& r);
bool DecodeResponse(const std::vector<uint8_t>& bytes, Response& out);

}  // namespace nifb
