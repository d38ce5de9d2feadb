#include "simulator/hse/HseTranslator.h"

#include <cstring>

#include "nifb/IndexName.h"
#include "nifb/ObjectRecords.h"
#include "nifb/hse/FdaServices.h"
#include "nifb/hse/WireBytes.h"

namespace simulator::hse {

using namespace nifb::hse;
using nifb::Op;

namespace {

constexpr uint32_t kAnyCount = 0xFFFF;

std::string Text(const char* field, size_t width) { return std::string(field, strnlen(field, width)); }

Message Answer(const Message& request, std::vector<uint8_t> body) {
    Message m = request;
    m.type = MsgType::Response;
    m.body = std::move(body);
    return m;
}

// The version number of a live-list entry: it changes with the device id or the PD tag there
// (1 to 255; two different entries share one with a chance of 1 in 255).
uint8_t VersionOf(const nifLiveListEntry& e) {
    uint32_t h = 2166136261u;
    for (const char* field : {e.deviceId, e.pdTag})
        for (size_t i = 0; i < NIF_NAME_LEN && field[i]; ++i) h = (h ^ static_cast<uint8_t>(field[i])) * 16777619u;
    return static_cast<uint8_t>(h % 255 + 1);
}

// Parameters that do not fit the service's layout.
Message Malformed(int32_t& status) {
    status = E_BAD_ARGUMENT;
    return {};
}

}  // namespace

HseTranslator::HseTranslator(std::shared_ptr<SegmentBackend> backend) : backend_(std::move(backend)) {}

HseTranslator::~HseTranslator() {
    if (session_ != 0) Call(Op::Close, session_);
}

nifb::Response HseTranslator::Call(Op op, uint32_t desc, const std::string& name, uint32_t a0, uint32_t a1,
                                   std::vector<uint8_t> data) {
    nifb::Request r;
    r.op = op;
    r.desc = desc;
    r.name = name;
    r.arg[0] = a0;
    r.arg[1] = a1;
    r.data = std::move(data);
    return backend_->Call(r);
}

bool HseTranslator::Open(int32_t& status) {
    nifb::Response resp = Call(Op::OpenSession, 0);
    status = resp.status;
    if (resp.status != E_OK) return false;
    session_ = resp.value[0];
    return true;
}

int HseTranslator::LinkDesc(uint16_t link, uint32_t& desc) {
    if (link == 0) return E_INVALID_DESCRIPTOR;
    auto it = links_.find(link);
    if (it != links_.end()) {
        desc = it->second;
        return E_OK;
    }
    nifb::Response resp = Call(Op::OpenLink, session_, {}, 1, link - 1u);
    if (resp.status != E_OK) return resp.status;
    links_[link] = desc = resp.value[0];
    return E_OK;
}

int HseTranslator::LiveList(uint16_t link, std::vector<nifLiveListEntry>& out) {
    uint32_t desc = 0;
    int st = LinkDesc(link, desc);
    if (st != E_OK) return st;
    nifb::Response resp = Call(Op::GetDeviceList, desc, {}, kAnyCount);
    if (resp.status != E_OK) return resp.status;
    out.resize(resp.data.size() / sizeof(nifLiveListEntry));
    if (!out.empty()) std::memcpy(out.data(), resp.data.data(), out.size() * sizeof(nifLiveListEntry));
    // A live list holds the devices that answer: the ones known but silent are left out.
    std::vector<nifLiveListEntry> present;
    for (const nifLiveListEntry& e : out)
        if (e.classFlags != NIF_CLASS_NOT_PRESENT) present.push_back(e);
    out = std::move(present);
    return E_OK;
}

int HseTranslator::DeviceDesc(uint32_t fda, uint32_t& desc, nifLiveListEntry* entry) {
    const uint32_t key = FdaAddress(LinkOf(fda), NodeOf(fda), 0);
    std::vector<nifLiveListEntry> list;
    int st = LiveList(LinkOf(fda), list);
    if (st != E_OK) return st;
    const nifLiveListEntry* found = nullptr;
    for (const nifLiveListEntry& e : list)
        if (e.nodeAddress == NodeOf(fda)) found = &e;
    if (!found) return E_NOT_FOUND;
    if (entry) *entry = *found;
    auto it = devices_.find(key);
    if (it != devices_.end()) {
        desc = it->second;
        return E_OK;
    }
    uint32_t link = 0;
    LinkDesc(LinkOf(fda), link);
    nifb::Response resp =
        Call(Op::OpenPhysicalDevice, link, Text(found->deviceId, NIF_NAME_LEN), NIF_BY_DEVICE_ID);
    if (resp.status != E_OK) return resp.status;
    devices_[key] = desc = resp.value[0];
    return E_OK;
}

int HseTranslator::VfdDesc(uint32_t fda, uint32_t& desc) {
    auto it = vfds_.find(fda);
    if (it == vfds_.end()) return E_INVALID_DESCRIPTOR;  // no FMS Initiate on this address
    desc = it->second;
    return E_OK;
}

void HseTranslator::Forget(uint32_t fda) {
    auto it = vfds_.find(fda);
    if (it != vfds_.end()) {
        Call(Op::Close, it->second);
        vfds_.erase(it);
    }
    downloads_.erase(fda);
}

int HseTranslator::Directory(uint32_t vfd, std::vector<uint8_t>& out) {
    nifb::Response resp = Call(Op::GetBlockList, vfd, {}, 0xFF, kAnyCount);
    if (resp.status != E_OK) return resp.status;
    const size_t n = resp.data.size() / sizeof(nifBlockInfo);
    WireWriter w;
    w.U16(static_cast<uint16_t>(n));
    for (size_t i = 0; i < n; ++i) {
        nifBlockInfo b;
        std::memcpy(&b, resp.data.data() + i * sizeof b, sizeof b);
        w.U16(b.startIndex);
        w.U16(b.numParameters);
    }
    out = std::move(w.Data());
    return E_OK;
}

std::optional<Message> HseTranslator::FindTag(const Message& query) {
    FindTagQuery q;
    if (!Decode(query.body, q) || q.queryType != kQueryPdTag || q.tag.empty()) return std::nullopt;
    nifb::Response ifs = Call(Op::GetInterfaceList, session_, {}, kAnyCount);
    if (ifs.status != E_OK) return std::nullopt;
    const size_t links = ifs.data.size() / sizeof(nifInterfaceInfo);
    for (size_t l = 1; l <= links; ++l) {
        std::vector<nifLiveListEntry> list;
        if (LiveList(static_cast<uint16_t>(l), list) != E_OK) continue;
        for (const nifLiveListEntry& e : list) {
            if (Text(e.pdTag, NIF_NAME_LEN) != q.tag) continue;
            FindTagReply reply;
            reply.queryType = q.queryType;
            reply.nodeAddress = e.nodeAddress;
            reply.linkId = static_cast<uint16_t>(l);
            reply.deviceId = Text(e.deviceId, NIF_NAME_LEN);
            reply.pdTag = q.tag;
            Message m = query;
            m.service = service::kSmFindTagReply;
            m.body = Encode(reply);
            return m;
        }
    }
    return std::nullopt;
}

std::optional<Message> HseTranslator::Serve(const Message& request) {
    int32_t status = E_OK;
    Message answer;
    if (request.protocol == Protocol::Fda && request.service == service::kFdaIdle && request.confirmed) {
        answer = Answer(request, {});
    } else if (request.protocol == Protocol::Sm && !request.confirmed) {
        // A Find Tag Query is answered by a Find Tag Reply, or not at all.
        return request.service == service::kSmFindTagQuery ? FindTag(request) : std::nullopt;
    } else if (request.protocol == Protocol::Sm) {
        answer = Sm(request, status);
    } else if (request.protocol == Protocol::Fms) {
        if (!request.confirmed && request.service == service::kFmsAbort) {
            Forget(request.fdaAddress);
            return std::nullopt;
        }
        answer = Fms(request, status);
    } else {
        status = E_OBJECT_ACCESS_UNSUPPORTED;
    }
    if (!request.confirmed) return std::nullopt;
    if (status != E_OK) {
        if (status == E_INVALID_DESCRIPTOR) {
            // The segment lost what this address named (a device left, a session closed).
            devices_.erase(FdaAddress(LinkOf(request.fdaAddress), NodeOf(request.fdaAddress), 0));
        }
        Message error = request;
        error.type = MsgType::Error;
        ErrorInfo info = ErrorForStatus(status);
        if (status == E_OBJECT_ACCESS_UNSUPPORTED && answer.body.empty()) {
            info.errorClass = 5;  // service: unsupported service
            info.errorCode = 6;
        }
        error.body = Encode(info);
        return error;
    }
    return answer;
}

Message HseTranslator::Sm(const Message& request, int32_t& status) {
    const uint32_t fda = request.fdaAddress;
    switch (request.service) {
        case service::kSmIdentify: {
            if (!request.body.empty()) return Malformed(status);
            IdentifyResponse id;
            if (LinkOf(fda) == 0) {
                nifb::Response ifs = Call(Op::GetInterfaceList, session_, {}, kAnyCount);
                if ((status = ifs.status) != E_OK) return {};
                std::vector<uint16_t> links;
                for (size_t l = 1; l <= ifs.data.size() / sizeof(nifInterfaceInfo); ++l)
                    links.push_back(static_cast<uint16_t>(l));
                id.deviceType = kDeviceTypeLinkingDevice;
                id.pdTag = kLinkingDeviceTag;
                id.deviceId = "NIFB SIMULATED LINKING DEVICE";
                id.entries = LinkEntries(links);
            } else if (NodeOf(fda) == 0) {
                std::vector<nifLiveListEntry> list;
                if ((status = LiveList(LinkOf(fda), list)) != E_OK) return {};
                std::vector<NodeVersion> nodes;
                for (const nifLiveListEntry& e : list) nodes.push_back({e.nodeAddress, VersionOf(e)});
                id.entries = NodeEntries(nodes);
            } else {
                std::vector<nifLiveListEntry> list;
                if ((status = LiveList(LinkOf(fda), list)) != E_OK) return {};
                const nifLiveListEntry* found = nullptr;
                for (const nifLiveListEntry& e : list)
                    if (e.nodeAddress == NodeOf(fda)) found = &e;
                if (!found) {
                    status = E_NOT_FOUND;
                    return {};
                }
                id.deviceType = found->classFlags == NIF_CLASS_INTERFACE ? kDeviceTypeLinkingDevice : kDeviceTypeH1;
                id.deviceId = Text(found->deviceId, NIF_NAME_LEN);
                id.pdTag = Text(found->pdTag, NIF_NAME_LEN);
            }
            return Answer(request, Encode(id));
        }
        case service::kSmClearAddress:
        case service::kSmClearAssignment: {
            std::string deviceId;
            const bool address = request.service == service::kSmClearAddress;
            ClearAddress c;
            ClearAssignment a;
            if (address ? !Decode(request.body, c) : !Decode(request.body, a)) return Malformed(status);
            deviceId = address ? c.deviceId : a.deviceId;
            uint32_t device = 0;
            nifLiveListEntry entry{};
            if ((status = DeviceDesc(fda, device, &entry)) != E_OK) return {};
            if (Text(entry.deviceId, NIF_NAME_LEN) != deviceId) {
                status = E_ILLEGAL_PARAMETER;  // key parameter mismatch
                return {};
            }
            status = Call(Op::Clear, device, {}, address ? NIF_CLEAR_ADDRESS : NIF_CLEAR_TAG_AND_ADDRESS).status;
            if (status != E_OK) return {};
            devices_.erase(FdaAddress(LinkOf(fda), NodeOf(fda), 0));  // it moved to a default address
            Call(Op::Close, device);
            return Answer(request, {});
        }
        case service::kSmSetAssignment: {
            SetAssignment s;
            if (!Decode(request.body, s)) return Malformed(status);
            uint32_t device = 0;
            nifLiveListEntry entry{};
            if ((status = DeviceDesc(fda, device, &entry)) != E_OK) return {};
            if (Text(entry.deviceId, NIF_NAME_LEN) != s.deviceId) {
                status = E_ILLEGAL_PARAMETER;
                return {};
            }
            if (s.pdTag != Text(entry.pdTag, NIF_NAME_LEN) && (status = Call(Op::SetTag, device, s.pdTag).status) != E_OK)
                return {};
            if (s.newAddress != 0 && s.newAddress != entry.nodeAddress) {
                if ((status = Call(Op::SetAddress, device, {}, s.newAddress).status) != E_OK) return {};
                devices_.erase(FdaAddress(LinkOf(fda), NodeOf(fda), 0));
                Call(Op::Close, device);
            }
            return Answer(request, Encode(SetAssignmentResponse{}));
        }
        default: break;
    }
    status = E_OBJECT_ACCESS_UNSUPPORTED;
    return {};
}

Message HseTranslator::Fms(const Message& request, int32_t& status) {
    const uint32_t fda = request.fdaAddress;
    const uint8_t selector = SelectorOf(fda);
    uint32_t vfd = 0;
    switch (request.service) {
        case service::kFmsInitiate: {
            FmsInitiate init;
            if (!Decode(request.body, init)) return Malformed(status);
            if (selector != kSelectorMib && selector != kSelectorFbVfd) {
                status = E_NOT_FOUND;
                return {};
            }
            Forget(fda);
            uint32_t device = 0;
            if ((status = DeviceDesc(fda, device)) != E_OK) return {};
            nifb::Response resp = Call(Op::OpenVfd, device, selector == kSelectorMib ? "MIB" : nifb::IndexName(0));
            if ((status = resp.status) != E_OK) return {};
            vfds_[fda] = resp.value[0];
            return Answer(request, Encode(FmsInitiateResponse{}));
        }
        case service::kFmsIdentify: {
            if (!request.body.empty()) return Malformed(status);
            if ((status = VfdDesc(fda, vfd)) != E_OK) return {};
            uint32_t device = 0;
            if ((status = DeviceDesc(fda, device)) != E_OK) return {};
            nifb::Response resp = Call(Op::GetVfdList, device, {}, 1);
            if (resp.status != E_OK && resp.status != E_BUF_TOO_SMALL) {
                status = resp.status;
                return {};
            }
            if (resp.data.size() < sizeof(nifVfdInfo)) {
                status = E_NOT_FOUND;
                return {};
            }
            nifVfdInfo info;
            std::memcpy(&info, resp.data.data(), sizeof info);
            FmsIdentity id{Text(info.vendorName, NIF_NAME_LEN), Text(info.modelName, NIF_NAME_LEN),
                           Text(info.revision, NIF_NAME_LEN)};
            return Answer(request, Encode(id));
        }
        case service::kFmsRead:
        case service::kFmsReadWithSubindex: {
            ObjectAccess a;
            if (!DecodeRead(request.body, request.service == service::kFmsReadWithSubindex, a)) return Malformed(status);
            if ((status = VfdDesc(fda, vfd)) != E_OK) return {};
            if (selector == kSelectorFbVfd && a.index == kDirectoryIndex && a.subindex == 0) {
                std::vector<uint8_t> directory;
                if ((status = Directory(vfd, directory)) != E_OK) return {};
                return Answer(request, std::move(directory));
            }
            const std::string name = a.subindex ? nifb::IndexSubindexName(a.index, a.subindex) : nifb::IndexName(a.index);
            nifb::Response resp = Call(Op::ReadObject, vfd, name, kAnyCount);
            if ((status = resp.status) != E_OK) return {};
            return Answer(request, std::move(resp.data));
        }
        case service::kFmsWrite:
        case service::kFmsWriteWithSubindex: {
            ObjectAccess a;
            if (!DecodeWrite(request.body, request.service == service::kFmsWriteWithSubindex, a)) return Malformed(status);
            if ((status = VfdDesc(fda, vfd)) != E_OK) return {};
            const std::string name = a.subindex ? nifb::IndexSubindexName(a.index, a.subindex) : nifb::IndexName(a.index);
            if ((status = Call(Op::WriteObject, vfd, name, 0, 0, std::move(a.data)).status) != E_OK) return {};
            return Answer(request, {});
        }
        case service::kFmsGetOd: {
            GetOdRequest g;
            if (!Decode(request.body, g)) return Malformed(status);
            if ((status = VfdDesc(fda, vfd)) != E_OK) return {};
            nifb::Response resp = Call(Op::GetObjectType, vfd, nifb::IndexName(g.index));
            if ((status = resp.status) != E_OK) return {};
            nifb::TypeInfo t;
            if (!nifb::DecodeTypeInfo(resp.data, t)) {
                status = E_OTHER;
                return {};
            }
            ObjectDescription d;
            d.index = t.index;
            d.objectCode = t.objectCode;
            d.dataType = t.dataType;
            d.size = t.size;
            for (const auto& m : t.members) d.members.push_back({m.index, m.objectCode, m.dataType, m.size});
            return Answer(request, Encode(d));
        }
        case service::kFmsGenericInitiateDownload: {
            uint32_t index = 0;
            if (!DecodeIndex(request.body, index)) return Malformed(status);
            if ((status = VfdDesc(fda, vfd)) != E_OK) return {};
            downloads_[fda] = Download{index, {}};
            return Answer(request, {});
        }
        case service::kFmsGenericDownloadSegment: {
            DownloadSegment s;
            if (!Decode(request.body, s)) return Malformed(status);
            auto it = downloads_.find(fda);
            if (it == downloads_.end() || it->second.index != s.index) {
                status = E_OBJECT_STATE_CONFLICT;
                return {};
            }
            if (it->second.data.size() + s.data.size() > kMaxDomainBytes) {
                downloads_.erase(it);
                status = E_BUF_TOO_LARGE;
                return {};
            }
            it->second.data.insert(it->second.data.end(), s.data.begin(), s.data.end());
            return Answer(request, {});
        }
        case service::kFmsGenericTerminateDownload: {
            uint32_t index = 0;
            if (!DecodeIndex(request.body, index)) return Malformed(status);
            auto it = downloads_.find(fda);
            if (it == downloads_.end() || it->second.index != index || (status = VfdDesc(fda, vfd)) != E_OK) {
                if (status == E_OK) status = E_OBJECT_STATE_CONFLICT;
                return {};
            }
            std::vector<uint8_t> data = std::move(it->second.data);
            downloads_.erase(it);
            if ((status = Call(Op::DownloadDomain, vfd, nifb::IndexName(index), 0, 0, std::move(data)).status) != E_OK)
                return {};
            return Answer(request, EncodeFinalResult(0));
        }
        default: break;
    }
    status = E_OBJECT_ACCESS_UNSUPPORTED;
    return {};
}

}  // namespace simulator::hse
