#include "nifb/hse/FdaMessage.h"

#include "nifb/hse/WireBytes.h"

namespace nifb::hse {
namespace {

constexpr uint8_t kOptMessageNumber = 0x80;
constexpr uint8_t kOptInvokeId = 0x40;
constexpr uint8_t kOptTimeStamp = 0x20;
constexpr uint8_t kOptExtendedControl = 0x08;
constexpr uint8_t kOptPadLength = 0x07;
constexpr uint8_t kConfirmedFlag = 0x80;

size_t TrailerBytes(uint8_t options) {
    size_t n = 0;
    if (options & kOptMessageNumber) n += 4;
    if (options & kOptInvokeId) n += 4;
    if (options & kOptTimeStamp) n += 8;
    if (options & kOptExtendedControl) n += 4;
    return n;
}

const char* ServiceName(Protocol p, uint8_t id, bool confirmed) {
    switch (p) {
        case Protocol::Fda:
            if (id == service::kFdaOpenSession) return "FDA Open Session";
            if (id == service::kFdaIdle) return "FDA Idle";
            break;
        case Protocol::Sm:
            if (!confirmed && id == service::kSmFindTagQuery) return "SM Find Tag Query";
            if (!confirmed && id == service::kSmFindTagReply) return "SM Find Tag Reply";
            if (id == service::kSmIdentify) return "SM Identify";
            if (id == service::kSmClearAddress) return "SM Clear Address";
            if (id == service::kSmSetAssignment) return "SM Set Assignment Info";
            if (id == service::kSmClearAssignment) return "SM Clear Assignment Info";
            break;
        case Protocol::Fms:
            if (!confirmed && id == service::kFmsAbort) return "FMS Abort";
            switch (id) {
                case service::kFmsIdentify: return "FMS Identify";
                case service::kFmsRead: return "FMS Read";
                case service::kFmsWrite: return "FMS Write";
                case service::kFmsGetOd: return "FMS Get OD";
                case service::kFmsGenericInitiateDownload: return "FMS Generic Initiate Download Sequence";
                case service::kFmsGenericDownloadSegment: return "FMS Generic Download Segment";
                case service::kFmsGenericTerminateDownload: return "FMS Generic Terminate Download Sequence";
                case service::kFmsReadWithSubindex: return "FMS Read with Subindex";
                case service::kFmsWriteWithSubindex: return "FMS Write with Subindex";
                case service::kFmsInitiate: return "FMS Initiate";
                default: break;
            }
            break;
    }
    return nullptr;
}

}  // namespace

uint16_t PortFor(Protocol protocol) { return protocol == Protocol::Sm ? kPortSm : kPortFms; }

std::vector<uint8_t> EncodeMessage(const Message& m) {
    WireWriter w;
    const uint8_t options = kOptMessageNumber | kOptInvokeId;
    w.U8(kFdaVersion);
    w.U8(options);
    w.U8(static_cast<uint8_t>(static_cast<uint8_t>(m.protocol) | static_cast<uint8_t>(m.type)));
    w.U8(static_cast<uint8_t>((m.confirmed ? kConfirmedFlag : 0) | (m.service & 0x7F)));
    w.U32(m.fdaAddress);
    w.U32(static_cast<uint32_t>(kHeaderBytes + m.body.size() + TrailerBytes(options)));
    w.Raw(m.body);
    w.U32(m.messageNumber);
    w.U32(m.invokeId);
    return std::move(w.Data());
}

bool DecodeMessage(const uint8_t* data, size_t size, Message& out, std::string& why) {
    WireReader r(data, size);
    uint8_t version = 0, options = 0, protoType = 0, serviceByte = 0;
    uint32_t fda = 0, length = 0;
    if (!r.U8(version) || !r.U8(options) || !r.U8(protoType) || !r.U8(serviceByte) || !r.U32(fda) ||
        !r.U32(length)) {
        why = "shorter than a message header (" + std::to_string(size) + " bytes)";
        return false;
    }
    if (version != kFdaVersion) {
        why = "message version " + std::to_string(version);
        return false;
    }
    if (length != size) {
        why = "message length " + std::to_string(length) + " in a datagram of " + std::to_string(size) + " bytes";
        return false;
    }
    if ((options & kOptPadLength) != 0) {
        why = "padded messages are not supported";
        return false;
    }
    const size_t trailer = TrailerBytes(options);
    if (size < kHeaderBytes + trailer) {
        why = "trailer longer than the message";
        return false;
    }
    const uint8_t proto = protoType & 0xFC;
    const uint8_t type = protoType & 0x03;
    if (proto != static_cast<uint8_t>(Protocol::Fda) && proto != static_cast<uint8_t>(Protocol::Sm) &&
        proto != static_cast<uint8_t>(Protocol::Fms)) {
        why = "unknown protocol id " + std::to_string(proto >> 2);
        return false;
    }
    if (type > static_cast<uint8_t>(MsgType::Error)) {
        why = "unknown message type " + std::to_string(type);
        return false;
    }
    Message m;
    m.protocol = static_cast<Protocol>(proto);
    m.type = static_cast<MsgType>(type);
    m.confirmed = (serviceByte & kConfirmedFlag) != 0;
    m.service = serviceByte & 0x7F;
    m.fdaAddress = fda;
    m.body.assign(data + kHeaderBytes, data + size - trailer);
    WireReader t(data + size - trailer, trailer);
    if (options & kOptMessageNumber) t.U32(m.messageNumber);
    if (options & kOptInvokeId) t.U32(m.invokeId);
    out = std::move(m);
    return true;
}

std::string Describe(const Message& m) {
    const char* name = ServiceName(m.protocol, m.service, m.confirmed);
    std::string text = name ? name : "service " + std::to_string(m.service);
    switch (m.type) {
        case MsgType::Request: return text + " Request";
        case MsgType::Response: return text + " Response";
        case MsgType::Error: return text + " Error";
    }
    return text;
}

}  // namespace nifb::hse
