#include "nifb/hse/FdaServices.h"

#include <algorithm>

#include "nifb/hse/WireBytes.h"
#include "nifb/nifb.h"

namespace nifb::hse {
namespace {

constexpr size_t kTagBytes = 32;
constexpr size_t kIpBytes = 16;

// Error classes and codes of the FF error tables that our statuses correspond to.
struct ClassCode {
    int32_t status;
    uint8_t errorClass;
    uint8_t errorCode;
};
constexpr ClassCode kErrorTable[] = {
    {E_NOT_FOUND, 6, 7},                  // access: object non existent
    {E_OBJECT_UNDEFINED, 2, 1},           // application reference: object undefined
    {E_OBJECT_ACCESS_DENIED, 6, 3},       // access: object access denied
    {E_OBJECT_ACCESS_UNSUPPORTED, 6, 6},  // access: object access unsupported
    {E_ACC_ELEM_UNSUPPORTED, 6, 10},      // access: access to element unsupported
    {E_OBJECT_STATE_CONFLICT, 5, 1},      // service: object state conflict
    {E_ILLEGAL_PARAMETER, 5, 5},          // service: illegal parameter
    {E_BAD_ARGUMENT, 5, 4},               // service: parameter inconsistent
    {E_DEVICE_OUT_OF_MEMORY, 4, 1},       // resource: memory unavailable
    {E_RESOURCES, 4, 0},                  // resource: other
    {E_TIMEOUT, 5, 14},                   // service: response time-out
    {E_APPLICATION_UNREACHABLE, 3, 1},    // definition: application unreachable
    {E_INVALID_DESCRIPTOR, 6, 13},        // access: unrecognized FDA address
};

}  // namespace

std::vector<uint8_t> Encode(const ErrorInfo& e) {
    WireWriter w;
    w.U8(e.errorClass);
    w.U8(e.errorCode);
    w.U16(static_cast<uint16_t>(e.additionalCode));
    w.Text(e.description, 16);
    return std::move(w.Data());
}

bool Decode(const std::vector<uint8_t>& body, ErrorInfo& out) {
    WireReader r(body);
    ErrorInfo e;
    uint16_t additional = 0;
    if (!r.U8(e.errorClass) || !r.U8(e.errorCode) || !r.U16(additional) || !r.Text(e.description, 16) || !r.AtEnd())
        return false;
    e.additionalCode = static_cast<int16_t>(additional);
    out = e;
    return true;
}

ErrorInfo ErrorForStatus(int32_t status) {
    ErrorInfo e;
    e.additionalCode = static_cast<int16_t>(status);
    for (const ClassCode& c : kErrorTable)
        if (c.status == status) {
            e.errorClass = c.errorClass;
            e.errorCode = c.errorCode;
        }
    const char* name = nifStatusName(status);
    // The status name without its "E_" prefix, cut to the field.
    std::string text = name && name[0] ? std::string(name) : std::string();
    if (text.rfind("E_", 0) == 0) text.erase(0, 2);
    e.description = text.substr(0, 16);
    return e;
}

int32_t StatusForError(const ErrorInfo& e) {
    if (e.additionalCode < 0 && e.additionalCode >= E_ACTION_OBJECTS_UNSUPPORTED) return e.additionalCode;
    for (const ClassCode& c : kErrorTable)
        if (c.errorClass == e.errorClass && c.errorCode == e.errorCode) return c.status;
    return E_COMM_ERROR;
}

std::vector<uint8_t> Encode(const OpenSession& s) {
    WireWriter w;
    w.U32(s.sessionIndex);
    w.U32(s.maxBufferSize);
    w.U32(s.maxMessageLength);
    w.U8(0);
    w.U8(s.nmaConfigurationUse);
    w.U16(s.inactivityCloseTime);
    w.U32(s.transmitDelayTime);
    w.Text(s.pdTag, kTagBytes);
    return std::move(w.Data());
}

bool Decode(const std::vector<uint8_t>& body, OpenSession& out) {
    WireReader r(body);
    OpenSession s;
    if (!r.U32(s.sessionIndex) || !r.U32(s.maxBufferSize) || !r.U32(s.maxMessageLength) || !r.Skip(1) ||
        !r.U8(s.nmaConfigurationUse) || !r.U16(s.inactivityCloseTime) || !r.U32(s.transmitDelayTime) ||
        !r.Text(s.pdTag, kTagBytes) || !r.AtEnd())
        return false;
    out = std::move(s);
    return true;
}

std::vector<uint8_t> Encode(const FindTagQuery& q) {
    WireWriter w;
    w.U8(q.queryType);
    w.Zeros(3);
    w.U32(q.index);
    w.Text(q.tag, kTagBytes);
    w.Text(q.vfdTag, kTagBytes);
    return std::move(w.Data());
}

bool Decode(const std::vector<uint8_t>& body, FindTagQuery& out) {
    WireReader r(body);
    FindTagQuery q;
    if (!r.U8(q.queryType) || !r.Skip(3) || !r.U32(q.index) || !r.Text(q.tag, kTagBytes) ||
        !r.Text(q.vfdTag, kTagBytes) || !r.AtEnd())
        return false;
    out = std::move(q);
    return true;
}

std::vector<uint8_t> Encode(const FindTagReply& f) {
    WireWriter w;
    w.U8(f.queryType);
    w.U8(f.nodeAddress);
    w.U16(f.linkId);
    w.U32(f.vfdReference);
    w.U32(f.odIndex);
    w.Zeros(kIpBytes);
    w.U32(f.odVersion);
    w.Text(f.deviceId, kTagBytes);
    w.Text(f.pdTag, kTagBytes);
    w.U8(f.duplicateDetection);
    w.U8(0);
    w.U16(0);  // no FDA address selectors
    return std::move(w.Data());
}

bool Decode(const std::vector<uint8_t>& body, FindTagReply& out) {
    WireReader r(body);
    FindTagReply f;
    uint16_t selectors = 0;
    if (!r.U8(f.queryType) || !r.U8(f.nodeAddress) || !r.U16(f.linkId) || !r.U32(f.vfdReference) ||
        !r.U32(f.odIndex) || !r.Skip(kIpBytes) || !r.U32(f.odVersion) || !r.Text(f.deviceId, kTagBytes) ||
        !r.Text(f.pdTag, kTagBytes) || !r.U8(f.duplicateDetection) || !r.Skip(1) || !r.U16(selectors))
        return false;
    if (r.Remaining() != static_cast<size_t>(selectors) * 2) return false;
    out = std::move(f);
    return true;
}

std::vector<uint8_t> Encode(const IdentifyResponse& i) {
    WireWriter w;
    w.U8(i.smkState);
    w.U8(i.deviceType);
    w.U8(0);  // redundancy state
    w.U8(0);  // duplicate detection state
    w.U16(i.deviceIndex);
    w.U16(i.maxDeviceIndex);
    w.Zeros(kIpBytes);
    w.Text(i.deviceId, kTagBytes);
    w.Text(i.pdTag, kTagBytes);
    w.U32(i.hseRepeatTime);
    w.U16(0);  // LAN redundancy port
    w.U16(0);
    w.U32(i.annunciationVersion);
    w.U32(i.hseDeviceVersion);
    const size_t n = std::min(i.entries.size(), kMaxIdentifyEntries);
    w.U32(static_cast<uint32_t>(n));
    for (size_t k = 0; k < n; ++k) w.U32(i.entries[k]);
    return std::move(w.Data());
}

bool Decode(const std::vector<uint8_t>& body, IdentifyResponse& out) {
    WireReader r(body);
    IdentifyResponse i;
    uint32_t count = 0;
    if (!r.U8(i.smkState) || !r.U8(i.deviceType) || !r.Skip(2) || !r.U16(i.deviceIndex) ||
        !r.U16(i.maxDeviceIndex) || !r.Skip(kIpBytes) || !r.Text(i.deviceId, kTagBytes) ||
        !r.Text(i.pdTag, kTagBytes) || !r.U32(i.hseRepeatTime) || !r.Skip(4) || !r.U32(i.annunciationVersion) ||
        !r.U32(i.hseDeviceVersion) || !r.U32(count))
        return false;
    if (count > kMaxIdentifyEntries || r.Remaining() != static_cast<size_t>(count) * 4) return false;
    i.entries.resize(count);
    for (uint32_t& e : i.entries) r.U32(e);
    out = std::move(i);
    return true;
}

std::vector<uint32_t> LinkEntries(const std::vector<uint16_t>& links) {
    std::vector<uint32_t> entries;
    for (uint16_t link : links) entries.push_back(static_cast<uint32_t>(link) << 16);
    return entries;
}

std::vector<uint16_t> LinksOf(const std::vector<uint32_t>& entries) {
    std::vector<uint16_t> links;
    for (uint32_t e : entries) links.push_back(static_cast<uint16_t>(e >> 16));
    return links;
}

std::vector<uint32_t> NodeEntries(const std::vector<NodeVersion>& nodes) {
    std::vector<uint32_t> entries;
    for (size_t k = 0; k < nodes.size(); k += 2) {
        uint32_t e = (static_cast<uint32_t>(nodes[k].node) << 24) | (static_cast<uint32_t>(nodes[k].version) << 16);
        if (k + 1 < nodes.size())
            e |= (static_cast<uint32_t>(nodes[k + 1].node) << 8) | nodes[k + 1].version;
        entries.push_back(e);
    }
    return entries;
}

std::vector<NodeVersion> NodesOf(const std::vector<uint32_t>& entries) {
    std::vector<NodeVersion> nodes;
    for (uint32_t e : entries) {
        if (uint8_t node = static_cast<uint8_t>(e >> 24)) nodes.push_back({node, static_cast<uint8_t>(e >> 16)});
        if (uint8_t node = static_cast<uint8_t>(e >> 8)) nodes.push_back({node, static_cast<uint8_t>(e)});
    }
    return nodes;
}

std::vector<uint8_t> Encode(const ClearAddress& c) {
    WireWriter w;
    w.Text(c.deviceId, kTagBytes);
    w.Text(c.pdTag, kTagBytes);
    w.U8(c.interfaceToClear);
    w.Zeros(3);
    return std::move(w.Data());
}

bool Decode(const std::vector<uint8_t>& body, ClearAddress& out) {
    WireReader r(body);
    ClearAddress c;
    if (!r.Text(c.deviceId, kTagBytes) || !r.Text(c.pdTag, kTagBytes) || !r.U8(c.interfaceToClear) || !r.Skip(3) ||
        !r.AtEnd())
        return false;
    out = std::move(c);
    return true;
}

std::vector<uint8_t> Encode(const ClearAssignment& c) {
    WireWriter w;
    w.Text(c.deviceId, kTagBytes);
    w.Text(c.pdTag, kTagBytes);
    return std::move(w.Data());
}

bool Decode(const std::vector<uint8_t>& body, ClearAssignment& out) {
    WireReader r(body);
    ClearAssignment c;
    if (!r.Text(c.deviceId, kTagBytes) || !r.Text(c.pdTag, kTagBytes) || !r.AtEnd()) return false;
    out = std::move(c);
    return true;
}

std::vector<uint8_t> Encode(const SetAssignment& s) {
    WireWriter w;
    w.Text(s.deviceId, kTagBytes);
    w.Text(s.pdTag, kTagBytes);
    w.U8(s.newAddress);
    w.U8(s.redundancyState);
    w.U16(s.lanRedundancyPort);
    w.U32(s.hseRepeatTime);
    w.U16(s.deviceIndex);
    w.U16(s.maxDeviceIndex);
    w.Zeros(kIpBytes);
    w.Zeros(3);
    w.U8(s.clearDuplicateDetection);
    return std::move(w.Data());
}

bool Decode(const std::vector<uint8_t>& body, SetAssignment& out) {
    WireReader r(body);
    SetAssignment s;
    if (!r.Text(s.deviceId, kTagBytes) || !r.Text(s.pdTag, kTagBytes) || !r.U8(s.newAddress) ||
        !r.U8(s.redundancyState) || !r.U16(s.lanRedundancyPort) || !r.U32(s.hseRepeatTime) ||
        !r.U16(s.deviceIndex) || !r.U16(s.maxDeviceIndex) || !r.Skip(kIpBytes) || !r.Skip(3) ||
        !r.U8(s.clearDuplicateDetection) || !r.AtEnd())
        return false;
    out = std::move(s);
    return true;
}

std::vector<uint8_t> Encode(const SetAssignmentResponse& s) {
    WireWriter w;
    w.U16(0);
    w.U16(s.maxDeviceIndex);
    w.U32(s.hseRepeatTime);
    return std::move(w.Data());
}

bool Decode(const std::vector<uint8_t>& body, SetAssignmentResponse& out) {
    WireReader r(body);
    SetAssignmentResponse s;
    if (!r.Skip(2) || !r.U16(s.maxDeviceIndex) || !r.U32(s.hseRepeatTime) || !r.AtEnd()) return false;
    out = s;
    return true;
}

std::vector<uint8_t> Encode(const FmsInitiate& i) {
    WireWriter w;
    w.U8(i.connectOptions);
    w.U8(i.accessProtection);
    w.U16(i.passwordAndGroups);
    w.U16(i.odVersion);
    w.U16(i.profileNumber);
    w.Text(i.pdTag, kTagBytes);
    return std::move(w.Data());
}

bool Decode(const std::vector<uint8_t>& body, FmsInitiate& out) {
    WireReader r(body);
    FmsInitiate i;
    if (!r.U8(i.connectOptions) || !r.U8(i.accessProtection) || !r.U16(i.passwordAndGroups) ||
        !r.U16(i.odVersion) || !r.U16(i.profileNumber) || !r.Text(i.pdTag, kTagBytes) || !r.AtEnd())
        return false;
    out = std::move(i);
    return true;
}

std::vector<uint8_t> Encode(const FmsInitiateResponse& i) {
    WireWriter w;
    w.U16(i.odVersion);
    w.U16(i.profileNumber);
    return std::move(w.Data());
}

bool Decode(const std::vector<uint8_t>& body, FmsInitiateResponse& out) {
    WireReader r(body);
    FmsInitiateResponse i;
    if (!r.U16(i.odVersion) || !r.U16(i.profileNumber) || !r.AtEnd()) return false;
    out = i;
    return true;
}

std::vector<uint8_t> Encode(const FmsAbort& a) {
    WireWriter w;
    w.Zeros(16);  // abort detail
    w.U8(a.abortId);
    w.U8(a.reasonCode);
    w.U16(0);
    return std::move(w.Data());
}

bool Decode(const std::vector<uint8_t>& body, FmsAbort& out) {
    WireReader r(body);
    FmsAbort a;
    if (!r.Skip(16) || !r.U8(a.abortId) || !r.U8(a.reasonCode) || !r.Skip(2) || !r.AtEnd()) return false;
    out = a;
    return true;
}

std::vector<uint8_t> Encode(const FmsIdentity& i) {
    WireWriter w;
    w.Text(i.vendorName, kTagBytes);
    w.Text(i.modelName, kTagBytes);
    w.Text(i.revision, kTagBytes);
    return std::move(w.Data());
}

bool Decode(const std::vector<uint8_t>& body, FmsIdentity& out) {
    WireReader r(body);
    FmsIdentity i;
    if (!r.Text(i.vendorName, kTagBytes) || !r.Text(i.modelName, kTagBytes) || !r.Text(i.revision, kTagBytes) ||
        !r.AtEnd())
        return false;
    out = std::move(i);
    return true;
}

std::vector<uint8_t> EncodeRead(const ObjectAccess& a) {
    WireWriter w;
    w.U32(a.index);
    if (a.withSubindex) w.U32(a.subindex);
    return std::move(w.Data());
}

bool DecodeRead(const std::vector<uint8_t>& body, bool withSubindex, ObjectAccess& out) {
    WireReader r(body);
    ObjectAccess a;
    a.withSubindex = withSubindex;
    if (!r.U32(a.index) || (withSubindex && !r.U32(a.subindex)) || !r.AtEnd()) return false;
    out = std::move(a);
    return true;
}

std::vector<uint8_t> EncodeWrite(const ObjectAccess& a) {
    WireWriter w;
    w.U32(a.index);
    if (a.withSubindex) w.U32(a.subindex);
    w.Raw(a.data);
    return std::move(w.Data());
}

bool DecodeWrite(const std::vector<uint8_t>& body, bool withSubindex, ObjectAccess& out) {
    WireReader r(body);
    ObjectAccess a;
    a.withSubindex = withSubindex;
    if (!r.U32(a.index) || (withSubindex && !r.U32(a.subindex))) return false;
    r.Rest(a.data);
    out = std::move(a);
    return true;
}

std::vector<uint8_t> Encode(const GetOdRequest& g) {
    WireWriter w;
    w.U8(1);  // all attributes
    w.U8(0);  // the index names the one object
    w.U16(0);
    w.U32(g.index);
    return std::move(w.Data());
}

bool Decode(const std::vector<uint8_t>& body, GetOdRequest& out) {
    WireReader r(body);
    GetOdRequest g;
    if (!r.Skip(4) || !r.U32(g.index) || !r.AtEnd()) return false;
    out = g;
    return true;
}

std::vector<uint8_t> Encode(const ObjectDescription& d) {
    WireWriter w;
    w.U8(0);  // no more follow
    w.U8(1);  // one description
    w.U16(0);
    w.U16(d.index);
    w.U8(d.objectCode);
    w.U8(0);
    w.U16(d.dataType);
    w.U16(d.size);
    const size_t n = std::min(d.members.size(), kMaxOdMembers);
    w.U16(static_cast<uint16_t>(n));
    for (size_t k = 0; k < n; ++k) {
        const OdMember& m = d.members[k];
        w.U16(m.index);
        w.U8(m.objectCode);
        w.U8(0);
        w.U16(m.dataType);
        w.U16(m.size);
    }
    return std::move(w.Data());
}

bool Decode(const std::vector<uint8_t>& body, ObjectDescription& out) {
    WireReader r(body);
    ObjectDescription d;
    uint8_t more = 0, count = 0;
    uint16_t members = 0;
    if (!r.U8(more) || !r.U8(count) || more != 0 || count != 1 || !r.Skip(2) || !r.U16(d.index) ||
        !r.U8(d.objectCode) || !r.Skip(1) || !r.U16(d.dataType) || !r.U16(d.size) || !r.U16(members))
        return false;
    if (members > kMaxOdMembers || r.Remaining() != static_cast<size_t>(members) * 8) return false;
    d.members.resize(members);
    for (OdMember& m : d.members) {
        r.U16(m.index);
        r.U8(m.objectCode);
        r.Skip(1);
        r.U16(m.dataType);
        r.U16(m.size);
    }
    out = std::move(d);
    return true;
}

std::vector<uint8_t> EncodeIndex(uint32_t index) {
    WireWriter w;
    w.U32(index);
    return std::move(w.Data());
}

bool DecodeIndex(const std::vector<uint8_t>& body, uint32_t& index) {
    WireReader r(body);
    uint32_t v = 0;
    if (!r.U32(v) || !r.AtEnd()) return false;
    index = v;
    return true;
}

std::vector<uint8_t> Encode(const DownloadSegment& s) {
    WireWriter w;
    w.U32(s.index);
    w.U8(s.moreFollows ? 1 : 0);
    w.Zeros(3);
    w.Raw(s.data);
    return std::move(w.Data());
}

bool Decode(const std::vector<uint8_t>& body, DownloadSegment& out) {
    WireReader r(body);
    DownloadSegment s;
    uint8_t more = 0;
    if (!r.U32(s.index) || !r.U8(more) || more > 1 || !r.Skip(3)) return false;
    s.moreFollows = more != 0;
    r.Rest(s.data);
    out = std::move(s);
    return true;
}

std::vector<uint8_t> EncodeFinalResult(uint8_t result) {
    WireWriter w;
    w.U8(result);
    w.Zeros(3);
    return std::move(w.Data());
}

bool DecodeFinalResult(const std::vector<uint8_t>& body, uint8_t& result) {
    WireReader r(body);
    uint8_t v = 0;
    if (!r.U8(v) || !r.Skip(3) || !r.AtEnd()) return false;
    result = v;
    return true;
}

}  // namespace nifb::hse
