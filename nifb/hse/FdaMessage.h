#pragma once
// One message of the Field Device Access (FDA) agent of an HSE device, as it travels in a
// UDP datagram: a 12-byte header (version, options, protocol and message type, service,
// FDA address, total length), the service's parameters, and a trailer whose fields the
// options announce. We always send the message number (retries are recognised by it) and
// the invoke id; we accept any trailer the options announce. All numbers are big-endian.
//
// The FDA address names what a message is for: the H1 link (0: the HSE device itself),
// the node address on that link, and a selector (the VFD: kSelectorMib or kSelectorFbVfd).
#include <cstdint>
#include <string>
#include <vector>

namespace nifb::hse {

// Well-known ports (UDP and TCP).
constexpr uint16_t kPortAnnunciation = 1089;
constexpr uint16_t kPortFms = 1090;
constexpr uint16_t kPortSm = 1091;

constexpr uint8_t kFdaVersion = 1;
constexpr size_t kHeaderBytes = 12;
// Largest message either side sends or accepts: one UDP datagram.
constexpr size_t kMaxMessageBytes = 65000;

enum class Protocol : uint8_t { Fda = 0x04, Sm = 0x08, Fms = 0x0C };
enum class MsgType : uint8_t { Request = 0, Response = 1, Error = 2 };

// Service ids (7 bits); confirmed services set the top bit of the service byte.
namespace service {
constexpr uint8_t kFdaOpenSession = 1;  // confirmed
constexpr uint8_t kFdaIdle = 3;         // confirmed
constexpr uint8_t kSmFindTagQuery = 1;  // unconfirmed
constexpr uint8_t kSmFindTagReply = 2;  // unconfirmed
constexpr uint8_t kSmIdentify = 3;
constexpr uint8_t kSmClearAddress = 12;
constexpr uint8_t kSmSetAssignment = 14;
constexpr uint8_t kSmClearAssignment = 15;
constexpr uint8_t kFmsIdentify = 1;
constexpr uint8_t kFmsRead = 2;
constexpr uint8_t kFmsWrite = 3;
constexpr uint8_t kFmsGetOd = 4;
constexpr uint8_t kFmsGenericInitiateDownload = 31;
constexpr uint8_t kFmsGenericDownloadSegment = 32;
constexpr uint8_t kFmsGenericTerminateDownload = 33;
constexpr uint8_t kFmsReadWithSubindex = 82;
constexpr uint8_t kFmsWriteWithSubindex = 83;
constexpr uint8_t kFmsInitiate = 96;
constexpr uint8_t kFmsAbort = 112;  // unconfirmed
}  // namespace service

constexpr uint8_t kSelectorMib = 1;
constexpr uint8_t kSelectorFbVfd = 2;

inline uint32_t FdaAddress(uint16_t link, uint8_t node, uint8_t selector) {
    return (static_cast<uint32_t>(link) << 16) | (static_cast<uint32_t>(node) << 8) | selector;
}
inline uint16_t LinkOf(uint32_t fda) { return static_cast<uint16_t>(fda >> 16); }
inline uint8_t NodeOf(uint32_t fda) { return static_cast<uint8_t>(fda >> 8); }
inline uint8_t SelectorOf(uint32_t fda) { return static_cast<uint8_t>(fda); }

struct Message {
    Protocol protocol = Protocol::Fda;
    MsgType type = MsgType::Request;
    uint8_t service = 0;  // the 7-bit service id
    bool confirmed = true;
    uint32_t fdaAddress = 0;
    uint32_t messageNumber = 0;
    uint32_t invokeId = 0;
    std::vector<uint8_t> body;  // the service's parameters
};

// The well-known port a message of this protocol goes to.
uint16_t PortFor(Protocol protocol);

std::vector<uint8_t> EncodeMessage(const Message& m);
// Decodes one datagram. False, with `why` saying what is wrong, on anything malformed:
// short, wrong version, a length that disagrees with the datagram, a trailer longer than
// the message, an unknown protocol or message type. Never reads outside `data`.
bool DecodeMessage(const uint8_t* data, size_t size, Message& out, std::string& why);

// "SM Identify Request" and the like, for logs and messages.
std::string Describe(const Message& m);

}  // namespace nifb::hse
