#pragma once
// The parameters of the HSE services we use, and their byte layouts. One codec for the
// library and the simulator: each Encode has a Decode that checks the length exactly (or,
// for layouts that end in data or a list, bounds every count by the bytes really there)
// and leaves `out` untouched on failure.
#include <cstdint>
#include <string>
#include <vector>

namespace nifb::hse {

// The parameters of an Error message (every confirmed service): class, code, an additional
// code and a 16-character description. We carry the library's status in the additional
// code so both ends agree on it exactly; class and code say the same in FF terms.
struct ErrorInfo {
    uint8_t errorClass = 8;  // other
    uint8_t errorCode = 0;
    int16_t additionalCode = 0;
    std::string description;  // at most 16 characters
};
std::vector<uint8_t> Encode(const ErrorInfo& e);
bool Decode(const std::vector<uint8_t>& body, ErrorInfo& out);
ErrorInfo ErrorForStatus(int32_t status);
// The library status an Error message stands for (E_COMM_ERROR when it names none we know).
int32_t StatusForError(const ErrorInfo& e);

// FDA Open Session, request and response alike.
struct OpenSession {
    uint32_t sessionIndex = 0;
    uint32_t maxBufferSize = 0;
    uint32_t maxMessageLength = 0;
    uint8_t nmaConfigurationUse = 0;
    uint16_t inactivityCloseTime = 0;  // seconds
    uint32_t transmitDelayTime = 0;
    std::string pdTag;
};
std::vector<uint8_t> Encode(const OpenSession& s);
bool Decode(const std::vector<uint8_t>& body, OpenSession& out);

// SM Find Tag Query and Reply (unconfirmed; the reply answers the query).
constexpr uint8_t kQueryPdTag = 1;
struct FindTagQuery {
    uint8_t queryType = kQueryPdTag;
    uint32_t index = 0;
    std::string tag;
    std::string vfdTag;
};
std::vector<uint8_t> Encode(const FindTagQuery& q);
bool Decode(const std::vector<uint8_t>& body, FindTagQuery& out);

struct FindTagReply {
    uint8_t queryType = kQueryPdTag;
    uint8_t nodeAddress = 0;
    uint16_t linkId = 0;
    uint32_t vfdReference = 0;
    uint32_t odIndex = 0;
    uint32_t odVersion = 0;
    std::string deviceId;
    std::string pdTag;
    uint8_t duplicateDetection = 0;
};
std::vector<uint8_t> Encode(const FindTagReply& r);
bool Decode(const std::vector<uint8_t>& body, FindTagReply& out);

// SM Identify response. Addressed to the HSE device (link 0) its version list names the
// H1 links; addressed to a link it lists the node addresses of that link's live list, two
// to an entry; addressed to a node it describes that device and the list is empty.
struct IdentifyResponse {
    uint8_t smkState = 2 << 1;  // operational
    uint8_t deviceType = 0;
    uint16_t deviceIndex = 0;
    uint16_t maxDeviceIndex = 0;
    std::string deviceId;
    std::string pdTag;
    uint32_t hseRepeatTime = 0;
    uint32_t annunciationVersion = 0;
    uint32_t hseDeviceVersion = 0;
    std::vector<uint32_t> entries;
};
constexpr uint8_t kDeviceTypeLinkingDevice = 0x80;
constexpr uint8_t kDeviceTypeH1 = 0x10;
// At most this many entries are sent or accepted.
constexpr size_t kMaxIdentifyEntries = 4096;
std::vector<uint8_t> Encode(const IdentifyResponse& r);
bool Decode(const std::vector<uint8_t>& body, IdentifyResponse& out);
std::vector<uint32_t> LinkEntries(const std::vector<uint16_t>& links);
std::vector<uint16_t> LinksOf(const std::vector<uint32_t>& entries);
// A node of a link's live list with its version number: the version changes when what is at
// the node changes (another device, another tag), so a reader learns only changed nodes again.
struct NodeVersion {
    uint8_t node = 0;
    uint8_t version = 0;
    bool operator==(const NodeVersion& o) const { return node == o.node && version == o.version; }
};
std::vector<uint32_t> NodeEntries(const std::vector<NodeVersion>& nodes);  // pairs; 0 fills the last
std::vector<NodeVersion> NodesOf(const std::vector<uint32_t>& entries);    // without the 0 fill

// SM Clear Address request (the response has no parameters).
struct ClearAddress {
    std::string deviceId;
    std::string pdTag;
    uint8_t interfaceToClear = 0;
};
std::vector<uint8_t> Encode(const ClearAddress& c);
bool Decode(const std::vector<uint8_t>& body, ClearAddress& out);

// SM Clear Assignment Info request (the response has no parameters): the device loses its
// PD tag (and with it its operational address).
struct ClearAssignment {
    std::string deviceId;
    std::string pdTag;
};
std::vector<uint8_t> Encode(const ClearAssignment& c);
bool Decode(const std::vector<uint8_t>& body, ClearAssignment& out);

// SM Set Assignment Info request and response.
struct SetAssignment {
    std::string deviceId;
    std::string pdTag;
    uint8_t newAddress = 0;
    uint8_t redundancyState = 0;
    uint16_t lanRedundancyPort = 0;
    uint32_t hseRepeatTime = 0;
    uint16_t deviceIndex = 0;
    uint16_t maxDeviceIndex = 0;
    uint8_t clearDuplicateDetection = 0;
};
std::vector<uint8_t> Encode(const SetAssignment& s);
bool Decode(const std::vector<uint8_t>& body, SetAssignment& out);
struct SetAssignmentResponse {
    uint16_t maxDeviceIndex = 0;
    uint32_t hseRepeatTime = 0;
};
std::vector<uint8_t> Encode(const SetAssignmentResponse& s);
bool Decode(const std::vector<uint8_t>& body, SetAssignmentResponse& out);

// FMS Initiate request and response, FMS Abort (unconfirmed).
struct FmsInitiate {
    uint8_t connectOptions = 0;
    uint8_t accessProtection = 0;
    uint16_t passwordAndGroups = 0;
    uint16_t odVersion = 0;
    uint16_t profileNumber = 0;
    std::string pdTag;
};
std::vector<uint8_t> Encode(const FmsInitiate& i);
bool Decode(const std::vector<uint8_t>& body, FmsInitiate& out);
struct FmsInitiateResponse {
    uint16_t odVersion = 0;
    uint16_t profileNumber = 0;
};
std::vector<uint8_t> Encode(const FmsInitiateResponse& i);
bool Decode(const std::vector<uint8_t>& body, FmsInitiateResponse& out);
struct FmsAbort {
    uint8_t abortId = 0;
    uint8_t reasonCode = 0;
};
std::vector<uint8_t> Encode(const FmsAbort& a);
bool Decode(const std::vector<uint8_t>& body, FmsAbort& out);

// FMS Identify response (the request has no parameters).
struct FmsIdentity {
    std::string vendorName;
    std::string modelName;
    std::string revision;
};
std::vector<uint8_t> Encode(const FmsIdentity& i);
bool Decode(const std::vector<uint8_t>& body, FmsIdentity& out);

// FMS Read / Write, with or without subindex (subindex 0: the whole object). A read
// response is the value itself; a write response has no parameters.
struct ObjectAccess {
    uint32_t index = 0;
    uint32_t subindex = 0;
    bool withSubindex = false;
    std::vector<uint8_t> data;  // writes
};
std::vector<uint8_t> EncodeRead(const ObjectAccess& a);
bool DecodeRead(const std::vector<uint8_t>& body, bool withSubindex, ObjectAccess& out);
std::vector<uint8_t> EncodeWrite(const ObjectAccess& a);
bool DecodeWrite(const std::vector<uint8_t>& body, bool withSubindex, ObjectAccess& out);

// FMS Get OD for one object, and its response: one object description in our layout
// (index, object code, data type, size, then the members of a record, array or view).
struct GetOdRequest {
    uint32_t index = 0;
};
std::vector<uint8_t> Encode(const GetOdRequest& g);
bool Decode(const std::vector<uint8_t>& body, GetOdRequest& out);
struct OdMember {
    uint16_t index = 0;
    uint8_t objectCode = 0;
    uint16_t dataType = 0;
    uint16_t size = 0;
};
struct ObjectDescription {
    uint16_t index = 0;
    uint8_t objectCode = 0;
    uint16_t dataType = 0;
    uint16_t size = 0;
    std::vector<OdMember> members;
};
constexpr size_t kMaxOdMembers = 1024;
std::vector<uint8_t> Encode(const ObjectDescription& d);
bool Decode(const std::vector<uint8_t>& body, ObjectDescription& out);

// FMS Generic Download: initiate and terminate name the domain's index, each segment
// carries a piece of the load data; the terminate response carries the final result.
struct DownloadSegment {
    uint32_t index = 0;
    bool moreFollows = false;
    std::vector<uint8_t> data;
};
std::vector<uint8_t> EncodeIndex(uint32_t index);
bool DecodeIndex(const std::vector<uint8_t>& body, uint32_t& index);
std::vector<uint8_t> Encode(const DownloadSegment& s);
bool Decode(const std::vector<uint8_t>& body, DownloadSegment& out);
std::vector<uint8_t> EncodeFinalResult(uint8_t result);
bool DecodeFinalResult(const std::vector<uint8_t>& body, uint8_t& result);

}  // namespace nifb::hse
