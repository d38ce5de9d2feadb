#include "nifb/hse/HseSession.h"

#include <algorithm>
#include <cstring>

#include "nifb/IndexName.h"
#include "nifb/ListAnswer.h"
#include "nifb/ObjectRecords.h"
#include "nifb/hse/Descriptions.h"
#include "nifb/hse/FdaServices.h"
#include "nifb/hse/WireBytes.h"

namespace nifb::hse {
namespace {

using std::chrono::milliseconds;

constexpr uint16_t kInactivityCloseSeconds = 60;
constexpr milliseconds kFindTagWait{1000};
constexpr size_t kSegmentBytes = 16 * 1024;
constexpr size_t kBlockRecordBytes = 62;

Response Ok(uint32_t v0 = 0) {
    Response r;
    r.value[0] = v0;
    return r;
}

uint16_t U16At(const std::vector<uint8_t>& v, size_t at) { return static_cast<uint16_t>((v[at] << 8) | v[at + 1]); }
uint32_t U32At(const std::vector<uint8_t>& v, size_t at) {
    return (static_cast<uint32_t>(U16At(v, at)) << 16) | U16At(v, at + 2);
}

// The block type a block record's profile number stands for.
uint8_t BlockTypeOf(uint16_t profile) {
    if (profile == 0x0132 || profile == 0x0133) return NIF_RESOURCE_BLOCK;
    if (profile >= 0x8000) return NIF_TRANSDUCER_BLOCK;
    return NIF_FUNCTION_BLOCK;
}

milliseconds Limit() { return milliseconds(CallLimitMs()); }

using DeviceLock = std::unique_lock<platform::TimedMutex>;

// What a device's descriptors share is taken within the call limit: another call may be
// learning the device (its blocks, its description) over the bus meanwhile.
bool LockDevice(DeviceLock& lock) {
    if (lock.try_lock_until(std::chrono::steady_clock::now() + Limit())) return true;
    SetLastProblem("another call kept the device busy beyond the call limit");
    return false;
}

}  // namespace

HseSession::HseSession(Target target) : channel_(std::move(target)) {}

HseSession::~HseSession() { channel_.Stop(); }

Response HseSession::Call(const Request& request) { return Serve(request, nullptr); }

Response HseSession::CallCancellable(const Request& request, CallToken& token) { return Serve(request, &token); }

bool HseSession::Find(uint32_t desc, Node& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = nodes_.find(desc);
    if (it == nodes_.end()) return false;
    out = it->second;
    return true;
}

uint32_t HseSession::Add(Node n) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (n.parent != 0 && nodes_.find(n.parent) == nodes_.end()) return 0;  // closed meanwhile
    const uint32_t d = next_++;
    nodes_[d] = std::move(n);
    return d;
}

uint32_t HseSession::VfdAddress(const Node& n) const {
    return FdaAddress(n.link, n.node, n.kind == Kind::Mib ? kSelectorMib : kSelectorFbVfd);
}

void HseSession::Release(uint32_t desc) {
    std::vector<uint32_t> contexts;  // released by the descriptors that go
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<uint32_t> doomed = {desc};
        for (size_t i = 0; i < doomed.size(); ++i)
            for (const auto& [d, n] : nodes_)
                if (n.parent == doomed[i]) doomed.push_back(d);
        for (uint32_t d : doomed) {
            auto it = nodes_.find(d);
            if (it == nodes_.end()) continue;
            const Node& n = it->second;
            if (n.kind == Kind::Vfd || n.kind == Kind::Mib) contexts.push_back(VfdAddress(n));
            // The device's own hold on its function-block VFD (taken to learn its blocks).
            if (n.kind == Kind::Device && n.device && n.device->fbHeld) contexts.push_back(FbVfd(n));
            nodes_.erase(it);
        }
    }
    for (uint32_t fda : contexts) ReleaseContext(fda);
}

void HseSession::EndSession(uint32_t session) {
    Release(session);
    channel_.Stop();
}

int HseSession::Exchange(Protocol p, uint8_t service, uint32_t fda, std::vector<uint8_t> body, Message& answer,
                         CallToken* token) {
    Message request;
    request.protocol = p;
    request.service = service;
    request.fdaAddress = fda;
    request.body = std::move(body);
    const int st = channel_.Exchange(std::move(request), answer, token, Limit());
    if (st != E_OK) return st;
    if (answer.type == MsgType::Response) return E_OK;
    ErrorInfo e;
    if (!Decode(answer.body, e)) return E_BAD_DEVICE_DATA;
    return StatusForError(e);
}

Response HseSession::OpenSession() {
    std::lock_guard<std::mutex> lock(openMutex_);
    if (open_) return Fail(E_BAD_ARGUMENT);
    std::string problem;
    int st = channel_.Start(problem);
    if (st != E_OK) {
        SetLastProblem(problem);
        return Fail(st);
    }
    hse::OpenSession req;
    req.maxBufferSize = kMaxMessageBytes;
    req.maxMessageLength = kMaxMessageBytes;
    req.inactivityCloseTime = kInactivityCloseSeconds;
    req.pdTag = "TESSARO";
    Message answer;
    st = Exchange(Protocol::Fda, service::kFdaOpenSession, 0, Encode(req), answer, nullptr);
    if (st != E_OK) return Fail(st);
    hse::OpenSession granted;
    if (!Decode(answer.body, granted)) return Fail(E_BAD_DEVICE_DATA);
    channel_.KeepAlive(granted.inactivityCloseTime);
    open_ = true;
    Node session;
    return Ok(Add(session));
}

int HseSession::Links(CallToken* token, std::vector<uint16_t>& links, std::string& ldTag) {
    Message answer;
    int st = Exchange(Protocol::Sm, service::kSmIdentify, 0, {}, answer, token);
    if (st != E_OK) return st;
    IdentifyResponse id;
    if (!Decode(answer.body, id)) return E_BAD_DEVICE_DATA;
    links = LinksOf(id.entries);
    ldTag = id.pdTag;
    return E_OK;
}

int HseSession::LiveList(uint16_t link, CallToken* token, std::vector<nifLiveListEntry>& out) {
    Message answer;
    int st = Exchange(Protocol::Sm, service::kSmIdentify, FdaAddress(link, 0, 0), {}, answer, token);
    if (st != E_OK) return st;
    IdentifyResponse id;
    if (!Decode(answer.body, id)) return E_BAD_DEVICE_DATA;
    out.clear();
    for (const NodeVersion& nv : NodesOf(id.entries)) {
        const uint32_t fda = FdaAddress(link, nv.node, 0);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto it = known_.find(fda);
            if (it != known_.end() && it->second.version == nv.version && nv.version != 0) {
                out.push_back(it->second.entry);
                continue;
            }
        }
        IdentifyResponse device;
        st = Exchange(Protocol::Sm, service::kSmIdentify, fda, {}, answer, token);
        if (st == E_NOT_FOUND) continue;  // left the link since
        if (st != E_OK) return st;
        if (!Decode(answer.body, device)) return E_BAD_DEVICE_DATA;
        nifLiveListEntry e;
        std::memset(&e, 0, sizeof e);
        CopyText(e.deviceId, NIF_NAME_LEN, device.deviceId);
        CopyText(e.pdTag, NIF_NAME_LEN, device.pdTag);
        e.nodeAddress = nv.node;
        e.classFlags = (device.deviceType & kDeviceTypeLinkingDevice) ? NIF_CLASS_INTERFACE
                                                                      : FieldDeviceClass(link, nv.node, token);
        out.push_back(e);
        std::lock_guard<std::mutex> lock(mutex_);
        known_[fda] = {nv.version, e};
    }
    return E_OK;
}

uint32_t HseSession::FieldDeviceClass(uint16_t link, uint8_t node, CallToken* token) {
    Node n;
    n.kind = Kind::Device;
    n.link = link;
    n.node = node;
    n.device = std::make_shared<DeviceState>();  // this call's own: nobody else locks it
    uint32_t flags = NIF_CLASS_BASIC;
    {
        DeviceLock lock(n.device->mutex);
        dd::Resolved dlme;
        if (LoadDescription(n, token) == E_OK &&
            ResolveMibName(*n.device->description, "DLME_BASIC_CHARACTERISTICS", dlme) == E_OK) {
            const uint32_t mib = FdaAddress(link, node, kSelectorMib);
            if (Acquire(mib, token) == E_OK) {
                std::vector<uint8_t> value;
                if (ReadIndex(mib, dlme.index, dlme.subindex, value, token) == E_OK && value.size() >= 3 &&
                    (value[2] & 0x03) == kDlmeClassLinkMaster)
                    flags = NIF_CLASS_LINK_MASTER;
                ReleaseContext(mib);
            }
        }
    }
    if (n.device->fbHeld) ReleaseContext(FbVfd(n));
    return flags;
}

void HseSession::ForgetNodes(uint16_t link) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = known_.begin(); it != known_.end();) {
        if (LinkOf(it->first) == link) it = known_.erase(it);
        else ++it;
    }
}

int HseSession::Acquire(uint32_t fda, CallToken* token) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = contexts_.find(fda);
        if (it != contexts_.end()) {
            ++it->second;
            return E_OK;
        }
    }
    FmsInitiate init;
    Message answer;
    int st = Exchange(Protocol::Fms, service::kFmsInitiate, fda, Encode(init), answer, token);
    if (st != E_OK) return st;
    FmsInitiateResponse r;
    if (!Decode(answer.body, r)) return E_BAD_DEVICE_DATA;
    std::lock_guard<std::mutex> lock(mutex_);
    ++contexts_[fda];
    return E_OK;
}

void HseSession::ReleaseContext(uint32_t fda) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = contexts_.find(fda);
        if (it == contexts_.end() || --it->second > 0) return;
        contexts_.erase(it);
    }
    // The device may forget the VFD's context; never waited for (a close does not block).
    Message abort;
    abort.protocol = Protocol::Fms;
    abort.service = service::kFmsAbort;
    abort.fdaAddress = fda;
    abort.body = Encode(FmsAbort{0, 0});
    channel_.SendUnconfirmed(abort, nullptr, 0, milliseconds(0));
}

int HseSession::HoldFbVfd(const Node& n, CallToken* token) {
    DeviceState& s = *n.device;
    if (s.fbHeld) return E_OK;
    const int st = Acquire(FbVfd(n), token);
    if (st == E_OK) s.fbHeld = true;
    return st;
}

int HseSession::ReadIndex(uint32_t fda, uint32_t index, uint32_t subindex, std::vector<uint8_t>& out,
                          CallToken* token) {
    ObjectAccess a{index, subindex, subindex != 0, {}};
    Message answer;
    int st = Exchange(Protocol::Fms, subindex ? service::kFmsReadWithSubindex : service::kFmsRead, fda, EncodeRead(a),
                      answer, token);
    if (st != E_OK) return st;
    out = std::move(answer.body);
    return E_OK;
}

int HseSession::LoadBlocks(const Node& n, CallToken* token) {
    DeviceState& s = *n.device;
    if (s.blocksRead) return E_OK;
    const uint32_t fda = FbVfd(n);
    int st = HoldFbVfd(n, token);
    if (st != E_OK) return st;
    std::vector<uint8_t> directory;
    st = ReadIndex(fda, kDirectoryIndex, 0, directory, token);
    if (st != E_OK) return st;
    if (directory.size() < 2) return E_BAD_DEVICE_DATA;
    const size_t count = U16At(directory, 0);
    if (directory.size() != 2 + 4 * count) return E_BAD_DEVICE_DATA;
    std::vector<nifBlockInfo> blocks;
    std::vector<dd::BlockPlace> places;
    for (size_t i = 0; i < count; ++i) {
        const uint16_t start = U16At(directory, 2 + 4 * i);
        std::vector<uint8_t> rec;
        st = ReadIndex(fda, start, 0, rec, token);
        if (st != E_OK) return st;
        if (rec.size() < kBlockRecordBytes) return E_BAD_DEVICE_DATA;
        nifBlockInfo b;
        std::memset(&b, 0, sizeof b);
        std::memcpy(b.blockTag, rec.data(), 32);
        b.startIndex = start;
        b.ddMember = U32At(rec, 32);
        b.ddItem = U32At(rec, 36);
        b.ddRevision = U16At(rec, 40);
        b.profile = U16At(rec, 42);
        b.profileRevision = U16At(rec, 44);
        b.executionTime = U32At(rec, 46);
        b.periodOfExecution = U32At(rec, 50);
        b.numParameters = U16At(rec, 54);
        b.nextFbToExecute = U16At(rec, 56);
        b.startOfView1 = U16At(rec, 58);
        b.numView3 = rec[60];
        b.numView4 = rec[61];
        b.blockNumber = static_cast<uint16_t>(i);
        b.blockType = BlockTypeOf(b.profile);
        std::string tag(b.blockTag, 32);
        while (!tag.empty() && (tag.back() == ' ' || tag.back() == '\0')) tag.pop_back();
        places.push_back({tag, start, b.ddItem});
        blocks.push_back(b);
    }
    s.blocks = std::move(blocks);
    s.places = std::move(places);
    s.blocksRead = true;
    return E_OK;
}

int HseSession::LoadDescription(const Node& n, CallToken* token) {
    DeviceState& s = *n.device;
    if (s.descriptionLooked) return s.descriptionStatus;
    if (n.linkingInterface) {
        // No function blocks, so no resource block to tell the identity: its device ID does.
        s.descriptionStatus = FindDescriptionByDeviceId(n.deviceId, s.description, s.descriptionError);
        s.descriptionLooked = true;
        if (s.descriptionStatus != E_OK) SetLastProblem(s.descriptionError);
        return s.descriptionStatus;
    }
    int st = LoadBlocks(n, token);
    if (st != E_OK) return st;
    const nifBlockInfo* rb = nullptr;
    for (const nifBlockInfo& b : s.blocks)
        if (b.blockType == NIF_RESOURCE_BLOCK && !rb) rb = &b;
    if (!rb) return E_DD_LOOKUP_FAILED;
    std::vector<uint8_t> manufacturer, type, revision;
    const uint32_t fda = FbVfd(n);
    if ((st = ReadIndex(fda, rb->startIndex + kRbManufacturerId, 0, manufacturer, token)) != E_OK ||
        (st = ReadIndex(fda, rb->startIndex + kRbDeviceType, 0, type, token)) != E_OK ||
        (st = ReadIndex(fda, rb->startIndex + kRbDeviceRevision, 0, revision, token)) != E_OK)
        return st;
    if (manufacturer.size() != 4 || type.size() != 2 || revision.size() != 1) return E_BAD_DEVICE_DATA;
    s.descriptionStatus = FindDescription(U32At(manufacturer, 0), U16At(type, 0), revision[0], s.description,
                                          s.descriptionError);
    s.descriptionLooked = true;
    if (s.descriptionStatus != E_OK) SetLastProblem(s.descriptionError);
    return s.descriptionStatus;
}

int HseSession::Resolve(const Node& n, const std::string& name, ObjectPlace& out, CallToken* token, bool named) {
    uint32_t index = 0, subindex = 0;
    const bool byIndex = ParseIndexName(name, index, subindex);
    if (byIndex) {
        out.index = index;
        out.subindex = subindex;
        if (!named) return E_OK;  // the device knows its indexes; no description needed
    }
    DeviceLock lock(n.device->mutex, std::defer_lock);
    if (!LockDevice(lock)) return E_SERVER_NOT_RESPONDING;
    int st = LoadDescription(n, token);
    if (st != E_OK) return st;
    const dd::Description& d = *n.device->description;
    const std::vector<dd::BlockPlace>& places = n.device->places;
    // Index names too: the description answers for an index as the device does (a view's
    // member n is that member object).
    dd::Resolved r;
    switch (n.kind) {
        case Kind::Block: st = ResolveBlockName(d, places[static_cast<size_t>(n.block)], name, r); break;
        case Kind::Vfd: st = ResolveVfdName(d, places, name, r); break;
        case Kind::Mib: st = ResolveMibName(d, name, r); break;
        default: return E_INVALID_DESCRIPTOR;
    }
    if (st != E_OK) return st;
    out.index = r.index;
    out.subindex = r.subindex;
    out.size = r.size;
    out.resolved = r;
    out.description = n.device->description;
    return E_OK;
}

Response HseSession::Serve(const Request& r, CallToken* token) {
    if (r.op == Op::OpenSession) return OpenSession();
    if (r.op == Op::Control) return Fail(E_OBJECT_ACCESS_UNSUPPORTED);  // a linking device has no such thing
    Node n;
    if (!Find(r.desc, n)) return Fail(E_INVALID_DESCRIPTOR);
    Message answer;
    int st = E_OK;
    switch (r.op) {
        case Op::Close:
            Release(r.desc);
            return Ok();

        case Op::GetInterfaceList: {
            if (n.kind != Kind::Session) return Fail(E_INVALID_DESCRIPTOR);
            std::vector<uint16_t> links;
            std::string ldTag;
            if ((st = Links(token, links, ldTag)) != E_OK) return Fail(st);
            std::vector<nifInterfaceInfo> list(links.size());
            for (size_t i = 0; i < links.size(); ++i) {
                CopyText(list[i].interfaceName, sizeof list[i].interfaceName,
                         ldTag + "/" + std::to_string(links[i]));
                CopyText(list[i].interfaceDescription, sizeof list[i].interfaceDescription,
                         "HSE H1 LINK " + std::to_string(links[i]));
            }
            return ListAnswer(list, r.arg[0]);
        }

        case Op::OpenLink: {
            if (n.kind != Kind::Session) return Fail(E_INVALID_DESCRIPTOR);
            std::vector<uint16_t> links;
            std::string ldTag;
            if ((st = Links(token, links, ldTag)) != E_OK) return Fail(st);
            int found = -1;
            for (size_t i = 0; i < links.size(); ++i) {
                const bool match = r.arg[0] != 0 ? i == r.arg[1] : ldTag + "/" + std::to_string(links[i]) == r.name;
                if (match) found = static_cast<int>(i);
            }
            if (found < 0) return Fail(E_INVALID_INTERFACE);
            Node link;
            link.kind = Kind::Link;
            link.parent = r.desc;
            link.link = links[static_cast<size_t>(found)];
            const uint32_t d = Add(link);
            return d ? Ok(d) : Fail(E_INVALID_DESCRIPTOR);
        }

        case Op::GetDeviceList: {
            if (n.kind != Kind::Link) return Fail(E_INVALID_DESCRIPTOR);
            std::vector<nifLiveListEntry> list;
            if ((st = LiveList(n.link, token, list)) != E_OK) return Fail(st);
            Response resp = ListAnswer(list, r.arg[0]);
            resp.value[0] = static_cast<uint32_t>(std::min<size_t>(list.size(), r.arg[0]));
            resp.value[1] = static_cast<uint32_t>(list.size());
            resp.status = E_OK;
            return resp;
        }

        case Op::OpenPhysicalDevice: {
            if (n.kind != Kind::Link) return Fail(E_INVALID_DESCRIPTOR);
            Node dev;
            dev.kind = Kind::Device;
            dev.parent = r.desc;
            dev.link = n.link;
            bool found = false;
            if (r.arg[0] == NIF_BY_TAG && !r.name.empty()) {
                // The linking device answers a tag query for the device that carries the tag.
                Message query;
                query.protocol = Protocol::Sm;
                query.service = service::kSmFindTagQuery;
                FindTagQuery q;
                q.tag = r.name;
                query.body = Encode(q);
                Message reply;
                FindTagReply fr;
                if (channel_.SendUnconfirmed(query, &reply, service::kSmFindTagReply,
                                             std::min(kFindTagWait, Limit())) == E_OK &&
                    Decode(reply.body, fr) && fr.pdTag == r.name && fr.linkId == n.link) {
                    dev.node = fr.nodeAddress;
                    dev.deviceId = fr.deviceId;
                    dev.pdTag = fr.pdTag;
                    found = true;
                }
            }
            if (!found) {
                std::vector<nifLiveListEntry> list;
                if ((st = LiveList(n.link, token, list)) != E_OK) return Fail(st);
                for (const nifLiveListEntry& e : list) {
                    const std::string key = r.arg[0] == NIF_BY_DEVICE_ID ? e.deviceId : e.pdTag;
                    if (found || key != r.name) continue;
                    dev.node = e.nodeAddress;
                    dev.deviceId = e.deviceId;
                    dev.pdTag = e.pdTag;
                    dev.linkingInterface = e.classFlags == NIF_CLASS_INTERFACE;
                    found = true;
                }
            }
            if (!found) return Fail(E_NOT_FOUND);
            dev.device = std::make_shared<DeviceState>();
            const uint32_t d = Add(dev);
            return d ? Ok(d) : Fail(E_INVALID_DESCRIPTOR);
        }

        case Op::GetVfdList: {
            if (n.kind != Kind::Device) return Fail(E_INVALID_DESCRIPTOR);
            {
                DeviceLock lock(n.device->mutex, std::defer_lock);
                if (!LockDevice(lock)) return Fail(E_SERVER_NOT_RESPONDING);
                if ((st = HoldFbVfd(n, token)) != E_OK) return Fail(st);
            }
            if ((st = Exchange(Protocol::Fms, service::kFmsIdentify, FbVfd(n), {}, answer, token)) != E_OK)
                return Fail(st);
            FmsIdentity id;
            if (!Decode(answer.body, id)) return Fail(E_BAD_DEVICE_DATA);
            std::vector<nifVfdInfo> list(1);
            std::memset(list.data(), 0, sizeof(nifVfdInfo));
            CopyText(list[0].vendorName, NIF_NAME_LEN, id.vendorName);
            CopyText(list[0].modelName, NIF_NAME_LEN, id.modelName);
            CopyText(list[0].revision, NIF_NAME_LEN, id.revision);
            list[0].vfdRef = kSelectorFbVfd;
            return ListAnswer(list, r.arg[0]);
        }

        case Op::OpenVfd: {
            if (n.kind != Kind::Device) return Fail(E_INVALID_DESCRIPTOR);
            uint32_t index = 0, sub = 0;
            Node v = n;
            v.parent = r.desc;
            if (r.name == "MIB" || r.name == "mib") v.kind = Kind::Mib;
            else if (ParseIndexName(r.name, index, sub) && index == 0 && sub == 0) v.kind = Kind::Vfd;
            else return Fail(E_NOT_FOUND);
            if ((st = Acquire(VfdAddress(v), token)) != E_OK) return Fail(st);
            const uint32_t d = Add(v);
            if (d == 0) ReleaseContext(VfdAddress(v));
            return d ? Ok(d) : Fail(E_INVALID_DESCRIPTOR);
        }

        case Op::GetBlockList: {
            if (n.kind != Kind::Vfd) return Fail(E_INVALID_DESCRIPTOR);
            std::vector<nifBlockInfo> list;
            {
                DeviceLock lock(n.device->mutex, std::defer_lock);
                if (!LockDevice(lock)) return Fail(E_SERVER_NOT_RESPONDING);
                if ((st = LoadBlocks(n, token)) != E_OK) return Fail(st);
                for (const nifBlockInfo& b : n.device->blocks)
                    if (b.blockType & r.arg[0]) list.push_back(b);
            }
            return ListAnswer(list, r.arg[1]);
        }

        case Op::OpenBlock: {
            if (n.kind != Kind::Vfd) return Fail(E_INVALID_DESCRIPTOR);
            int found = -1;
            {
                DeviceLock lock(n.device->mutex, std::defer_lock);
                if (!LockDevice(lock)) return Fail(E_SERVER_NOT_RESPONDING);
                if ((st = LoadBlocks(n, token)) != E_OK) return Fail(st);
                uint32_t index = 0, sub = 0;
                const auto& places = n.device->places;
                if (ParseIndexName(r.name, index, sub)) {
                    if (sub == 0 && index < places.size()) found = static_cast<int>(index);
                } else {
                    for (size_t i = 0; i < places.size(); ++i)
                        if (places[i].tag == r.name && found < 0) found = static_cast<int>(i);
                }
            }
            if (found < 0) return Fail(E_NOT_FOUND);
            Node b = n;
            b.kind = Kind::Block;
            b.parent = r.desc;
            b.block = found;
            const uint32_t d = Add(b);
            return d ? Ok(d) : Fail(E_INVALID_DESCRIPTOR);
        }

        case Op::ReadObject:
        case Op::WriteObject:
        case Op::GetObjectSize:
        case Op::GetObjectType:
        case Op::GetObjectName:
        case Op::GetObjectAttributes:
        case Op::GetObjectDescription: {
            if (n.kind != Kind::Vfd && n.kind != Kind::Mib && n.kind != Kind::Block) return Fail(E_INVALID_DESCRIPTOR);
            ObjectPlace t;
            const bool named = r.op == Op::GetObjectName || r.op == Op::GetObjectAttributes ||
                               r.op == Op::GetObjectDescription;
            if ((st = Resolve(n, r.name, t, token, named)) != E_OK) return Fail(st);
            const uint32_t fda = VfdAddress(n);
            switch (r.op) {
                case Op::ReadObject: {
                    std::vector<uint8_t> data;
                    if ((st = ReadIndex(fda, t.index, t.subindex, data, token)) != E_OK) return Fail(st);
                    if (data.size() > r.arg[0]) {
                        Response small = Fail(E_BUF_TOO_SMALL);
                        small.value[0] = static_cast<uint32_t>(data.size());
                        return small;
                    }
                    Response resp = Ok(static_cast<uint32_t>(data.size()));
                    resp.data = std::move(data);
                    return resp;
                }
                case Op::WriteObject: {
                    ObjectAccess a{t.index, t.subindex, t.subindex != 0, r.data};
                    st = Exchange(Protocol::Fms, t.subindex ? service::kFmsWriteWithSubindex : service::kFmsWrite, fda,
                                  EncodeWrite(a), answer, token);
                    return Fail(st);
                }
                case Op::GetObjectSize:
                case Op::GetObjectType: {
                    if (r.op == Op::GetObjectSize && t.size != 0) return Ok(t.size);
                    if ((st = Exchange(Protocol::Fms, service::kFmsGetOd, fda, Encode(GetOdRequest{t.index}), answer,
                                       token)) != E_OK)
                        return Fail(st);
                    ObjectDescription od;
                    if (!Decode(answer.body, od) || od.index != t.index) return Fail(E_BAD_DEVICE_DATA);
                    TypeInfo info;
                    info.index = od.index;
                    info.objectCode = od.objectCode;
                    info.dataType = od.dataType;
                    info.size = od.size;
                    if (t.subindex != 0) {
                        // One member of a record or array: a simple variable of its own.
                        if (t.subindex > od.members.size()) return Fail(E_NOT_FOUND);
                        const OdMember& m = od.members[t.subindex - 1];
                        info.objectCode = NIF_OC_SIMPLE;
                        info.dataType = m.dataType;
                        info.size = m.size;
                    } else {
                        for (const OdMember& m : od.members)
                            info.members.push_back({m.index, m.objectCode, m.dataType, m.size});
                    }
                    if (r.op == Op::GetObjectSize) return Ok(info.size);
                    Response resp;
                    resp.data = EncodeTypeInfo(info);
                    return resp;
                }
                default: {
                    // Names, labels and help are the description's, whatever the name's form, and
                    // answered as the device answers them (a member by its own name).
                    if (!t.resolved.object) return Fail(E_NOT_FOUND);
                    Response resp;
                    if (r.op == Op::GetObjectName) {
                        const std::string name = dd::NameOf(t.resolved);
                        resp.data.assign(name.begin(), name.end());
                    } else if (r.op == Op::GetObjectDescription) {
                        const std::string text = dd::DescriptionTextOf(t.resolved);
                        resp.data.assign(text.begin(), text.end());
                    } else {
                        resp.data = EncodeAttributeInfo(dd::AttributesOf(t.resolved));
                    }
                    return resp;
                }
            }
        }

        case Op::SetTag:
        case Op::SetAddress: {
            if (r.op == Op::SetTag && n.kind == Kind::Block) return Fail(E_OBJECT_ACCESS_UNSUPPORTED);
            if (n.kind != Kind::Device) return Fail(E_INVALID_DESCRIPTOR);
            SetAssignment s;
            s.deviceId = n.deviceId;
            s.pdTag = r.op == Op::SetTag ? r.name : n.pdTag;
            if (r.op == Op::SetTag && (r.name.empty() || r.name.size() > 32)) return Fail(E_BAD_ARGUMENT);
            if (r.op == Op::SetAddress) {
                if (r.arg[0] < 16 || r.arg[0] > 251) return Fail(E_BAD_ARGUMENT);
                s.newAddress = static_cast<uint8_t>(r.arg[0]);
            }
            st = Exchange(Protocol::Sm, service::kSmSetAssignment, FdaAddress(n.link, n.node, 0), Encode(s), answer,
                          token);
            ForgetNodes(n.link);
            if (st != E_OK) return Fail(st);
            std::lock_guard<std::mutex> lock(mutex_);
            auto it = nodes_.find(r.desc);
            if (it != nodes_.end()) {
                if (r.op == Op::SetTag) it->second.pdTag = r.name;
                else it->second.node = s.newAddress;
            }
            return Ok();
        }

        case Op::Clear: {
            if (n.kind != Kind::Device) return Fail(E_INVALID_DESCRIPTOR);
            if (r.arg[0] > NIF_CLEAR_TAG_AND_ADDRESS) return Fail(E_BAD_ARGUMENT);
            const uint32_t fda = FdaAddress(n.link, n.node, 0);
            if (r.arg[0] == NIF_CLEAR_TAG_AND_ADDRESS)
                st = Exchange(Protocol::Sm, service::kSmClearAssignment, fda, Encode(ClearAssignment{n.deviceId, n.pdTag}),
                              answer, token);
            else
                st = Exchange(Protocol::Sm, service::kSmClearAddress, fda, Encode(ClearAddress{n.deviceId, n.pdTag, 0}),
                              answer, token);
            ForgetNodes(n.link);
            if (st != E_OK) return Fail(st);
            // The device moved to a default address: find it there by its device id.
            std::vector<nifLiveListEntry> list;
            if (LiveList(n.link, token, list) == E_OK) {
                std::lock_guard<std::mutex> lock(mutex_);
                auto it = nodes_.find(r.desc);
                for (const nifLiveListEntry& e : list)
                    if (it != nodes_.end() && n.deviceId == e.deviceId) {
                        it->second.node = e.nodeAddress;
                        if (r.arg[0] == NIF_CLEAR_TAG_AND_ADDRESS) it->second.pdTag.clear();
                    }
            }
            return Ok();
        }

        case Op::DownloadDomain: {
            if (n.kind != Kind::Vfd && n.kind != Kind::Block && n.kind != Kind::Device) return Fail(E_INVALID_DESCRIPTOR);
            Node at = n;
            if (at.kind == Kind::Device) at.kind = Kind::Vfd;
            ObjectPlace t;
            if ((st = Resolve(at, r.name, t, token, false)) != E_OK) return Fail(st);
            const uint32_t fda = FbVfd(at);
            {
                DeviceLock lock(n.device->mutex, std::defer_lock);
                if (!LockDevice(lock)) return Fail(E_SERVER_NOT_RESPONDING);
                if ((st = HoldFbVfd(n, token)) != E_OK) return Fail(st);
            }
            if ((st = Exchange(Protocol::Fms, service::kFmsGenericInitiateDownload, fda, EncodeIndex(t.index), answer,
                               token)) != E_OK)
                return Fail(st);
            for (size_t offset = 0; offset < r.data.size() || offset == 0; offset += kSegmentBytes) {
                DownloadSegment seg;
                seg.index = t.index;
                const size_t piece = std::min(kSegmentBytes, r.data.size() - offset);
                seg.data.assign(r.data.begin() + static_cast<long>(offset),
                                r.data.begin() + static_cast<long>(offset + piece));
                seg.moreFollows = offset + piece < r.data.size();
                if ((st = Exchange(Protocol::Fms, service::kFmsGenericDownloadSegment, fda, Encode(seg), answer,
                                   token)) != E_OK)
                    return Fail(st);
                if (r.data.empty()) break;
            }
            if ((st = Exchange(Protocol::Fms, service::kFmsGenericTerminateDownload, fda, EncodeIndex(t.index), answer,
                               token)) != E_OK)
                return Fail(st);
            uint8_t result = 0;
            if (!DecodeFinalResult(answer.body, result)) return Fail(E_BAD_DEVICE_DATA);
            return Fail(result == 0 ? E_OK : E_OTHER);
        }

        default:
            return Fail(E_BAD_ARGUMENT);
    }
}

}  // namespace nifb::hse
