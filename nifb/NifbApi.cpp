// The C entry points: each call becomes a Request for the backend that serves the
// descriptor (the server's socket session or an in-process segment), and the answer is
// copied into the caller's buffers.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "nifb/Backend.h"
#include "nifb/ObjectRecords.h"
#include "nifb/SocketPath.h"
#include "nifb/SocketSession.h"
#include "nifb/hse/FdaChannel.h"
#include "nifb/hse/HseSession.h"
#include "nifb/hse/HseTarget.h"
#include "nifb/nifb.h"

static_assert(sizeof(nifInterfaceInfo) == 99, "interface record is 99 bytes");
static_assert(sizeof(nifLiveListEntry) == 76, "live-list record is 76 bytes");
static_assert(offsetof(nifLiveListEntry, nodeAddress) == 66, "node address at byte 66");
static_assert(offsetof(nifLiveListEntry, classFlags) == 68, "class flags at byte 68");
static_assert(sizeof(nifBlockInfo) == 72, "block record is 72 bytes");
static_assert(offsetof(nifBlockInfo, startIndex) == 34, "start index at byte 34");
static_assert(offsetof(nifBlockInfo, profile) == 46, "profile at byte 46");
static_assert(offsetof(nifBlockInfo, numParameters) == 60, "parameter count at byte 60");
static_assert(offsetof(nifBlockInfo, blockType) == 70, "block type at byte 70");

namespace nifb {
namespace {

// One descriptor handed out to the caller: who serves it, its number there, and the
// descriptors opened through it (closed along with it).
struct Entry {
    std::shared_ptr<Backend> backend;
    uint32_t remote = 0;
    bool isSession = false;
    nifDesc_t parent = 0;
    std::unordered_set<nifDesc_t> children;
};

std::mutex g_mutex;
std::unordered_map<nifDesc_t, Entry> g_table;
std::unordered_multimap<nifDesc_t, CallToken*> g_inFlight;  // calls in progress, by descriptor
nifDesc_t g_next = 1;
std::shared_ptr<Backend> g_inProcess;

nifDesc_t Register(Entry e) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (e.parent != 0) {
        auto p = g_table.find(e.parent);
        if (p == g_table.end()) return 0;  // the parent was closed while the child opened
        nifDesc_t d = g_next++;
        if (g_next == 0) g_next = 1;
        p->second.children.insert(d);
        g_table[d] = std::move(e);
        return d;
    }
    nifDesc_t d = g_next++;
    if (g_next == 0) g_next = 1;
    g_table[d] = std::move(e);
    return d;
}

// Removes `d` and everything opened through it from the table and cancels their calls in
// progress (lock held). Returns the removed entry of `d`.
Entry Unregister(nifDesc_t d) {
    Entry top = g_table[d];
    std::vector<nifDesc_t> doomed = {d};
    for (size_t i = 0; i < doomed.size(); ++i) {
        auto it = g_table.find(doomed[i]);
        if (it == g_table.end()) continue;
        doomed.insert(doomed.end(), it->second.children.begin(), it->second.children.end());
    }
    for (nifDesc_t x : doomed) {
        auto range = g_inFlight.equal_range(x);
        for (auto it = range.first; it != range.second; ++it) it->second->Cancel();
        g_table.erase(x);
    }
    if (top.parent != 0) {
        auto p = g_table.find(top.parent);
        if (p != g_table.end()) p->second.children.erase(d);
    }
    return top;
}

// A call on descriptor `d`, cancelled when `d` (or what it was opened through) closes.
Response Invoke(nifDesc_t d, Request r, Entry* entry = nullptr) {
    CallToken token;
    std::shared_ptr<Backend> backend;
    std::unordered_multimap<nifDesc_t, CallToken*>::iterator slot;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto it = g_table.find(d);
        if (it == g_table.end()) return Fail(E_INVALID_DESCRIPTOR);
        backend = it->second.backend;
        r.desc = it->second.remote;
        if (entry) {
            entry->backend = backend;
            entry->remote = it->second.remote;
        }
        slot = g_inFlight.emplace(d, &token);
    }
    Response resp = backend->CallCancellable(r, token);
    std::lock_guard<std::mutex> lock(g_mutex);
    g_inFlight.erase(slot);
    return resp;
}

nifError_t OpenChild(nifDesc_t parent, Request r, nifDesc_t* out) {
    if (!out) return E_BAD_ARGUMENT;
    Entry e;
    Response resp = Invoke(parent, std::move(r), &e);
    if (resp.status != E_OK) return resp.status;
    Entry child{e.backend, resp.value[0], false, parent, {}};
    nifDesc_t d = Register(std::move(child));
    if (d == 0) {
        e.backend->Release(resp.value[0]);
        return E_INVALID_DESCRIPTOR;
    }
    *out = d;
    return E_OK;
}

std::string Name(const char* name) { return name ? std::string(name) : std::string(); }

// Text fields of the records end within their field, whatever the server sent.
void Terminate(nifInterfaceInfo& r) {
    r.interfaceName[sizeof r.interfaceName - 1] = '\0';
    r.interfaceDescription[sizeof r.interfaceDescription - 1] = '\0';
}
void Terminate(nifLiveListEntry& r) {
    r.deviceId[NIF_NAME_LEN - 1] = '\0';
    r.pdTag[NIF_NAME_LEN - 1] = '\0';
}
void Terminate(nifVfdInfo& r) {
    for (char* text : {r.vfdTag, r.vendorName, r.modelName, r.revision}) text[NIF_NAME_LEN - 1] = '\0';
}
void Terminate(nifBlockInfo&) {}  // the block tag is blank padded, never terminated

// Copies a list answer of fixed-size records into the caller's array. The count the server
// reports must agree with the records that arrived (all of them on success; on a buffer too
// small, the number needed, more than fit); otherwise nothing is copied or counted.
template <typename T>
nifError_t CopyRecords(const Response& resp, T* list, uint16_t capacity, uint16_t* count) {
    if (resp.status != E_OK && resp.status != E_BUF_TOO_SMALL) return resp.status;
    const size_t records = resp.data.size() / sizeof(T);
    const uint32_t reported = resp.value[0];
    if (resp.data.size() % sizeof(T) != 0 || records > capacity) return E_BAD_DEVICE_DATA;
    if (resp.status == E_OK && reported != records) return E_BAD_DEVICE_DATA;
    if (resp.status == E_BUF_TOO_SMALL && (reported <= capacity || reported > 0xFFFF || records > reported))
        return E_BAD_DEVICE_DATA;
    if (records > 0) {
        if (!list) return E_BAD_ARGUMENT;
        std::memcpy(list, resp.data.data(), records * sizeof(T));
        for (size_t i = 0; i < records; ++i) Terminate(list[i]);
    }
    *count = static_cast<uint16_t>(reported);
    return resp.status;
}

nifError_t CopyText(const Response& resp, char* buffer, uint16_t bufferSize) {
    if (resp.status != E_OK) return resp.status;
    if (resp.data.size() + 1 > bufferSize) return E_BUF_TOO_SMALL;
    if (!resp.data.empty()) std::memcpy(buffer, resp.data.data(), resp.data.size());
    buffer[resp.data.size()] = '\0';
    return E_OK;
}

}  // namespace

void UseInProcessBackend(std::shared_ptr<Backend> backend) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_inProcess) {
        std::vector<nifDesc_t> stale;
        for (const auto& [d, e] : g_table)
            if (e.backend == g_inProcess && e.parent == 0) stale.push_back(d);
        for (nifDesc_t d : stale) Unregister(d);
    }
    g_inProcess = std::move(backend);
}

std::string TransportProblem() { return hse::LastProblem(); }

int SendControl(uint32_t session, const std::string& command, std::string& answer) {
    Request r;
    r.op = Op::Control;
    r.name = command;
    Response resp = Invoke(session, r);
    answer.assign(resp.data.begin(), resp.data.end());
    return resp.status;
}

}  // namespace nifb

using namespace nifb;

extern "C" {

nifError_t nifOpenSession(const char* /*config*/, nifDesc_t* session) {
    if (!session) return E_BAD_ARGUMENT;
    std::shared_ptr<Backend> backend;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        backend = g_inProcess;
    }
    if (!backend) {
        hse::Target target;
        std::string problem;
        if (hse::ConfiguredTarget(target, problem)) {
            backend = std::make_shared<hse::HseSession>(target);
        } else if (!problem.empty()) {
            hse::SetLastProblem(problem);
            return E_CONFIG_ERROR;
        } else {
            backend = std::make_shared<SocketSession>(DefaultSocketPath());
        }
    }
    hse::SetLastProblem("");
    Request r;
    r.op = Op::OpenSession;
    Response resp = backend->Call(r);
    if (resp.status != E_OK) return resp.status;
    *session = Register({backend, resp.value[0], true, 0, {}});
    return E_OK;
}

nifError_t nifGetInterfaceList(nifDesc_t session, uint16_t* count, nifInterfaceInfo* list) {
    if (!count) return E_BAD_ARGUMENT;
    Request r;
    r.op = Op::GetInterfaceList;
    r.arg[0] = *count;
    return CopyRecords(Invoke(session, r), list, *count, count);
}

nifError_t nifOpenLink(nifDesc_t session, uint16_t byIndex, const char* interfaceName, uint16_t linkIndex,
                       nifDesc_t* link) {
    Request r;
    r.op = Op::OpenLink;
    r.name = Name(interfaceName);
    r.arg[0] = byIndex;
    r.arg[1] = linkIndex;
    return OpenChild(session, r, link);
}

nifError_t nifGetDeviceList(nifDesc_t link, nifLiveListEntry* list, uint16_t* count, uint32_t* totalDevices) {
    if (!count) return E_BAD_ARGUMENT;
    Request r;
    r.op = Op::GetDeviceList;
    r.arg[0] = *count;
    Response resp = Invoke(link, r);
    if (resp.status == E_OK && resp.value[1] < resp.value[0]) return E_BAD_DEVICE_DATA;
    nifError_t st = CopyRecords(resp, list, *count, count);
    if (st == E_OK && totalDevices) *totalDevices = resp.value[1];
    return st;
}

nifError_t nifOpenPhysicalDevice(nifDesc_t link, uint16_t by, const char* name, nifDesc_t* device) {
    Request r;
    r.op = Op::OpenPhysicalDevice;
    r.name = Name(name);
    r.arg[0] = by;
    return OpenChild(link, r, device);
}

nifError_t nifGetVFDList(nifDesc_t device, nifVfdInfo* list, uint16_t* count) {
    if (!count) return E_BAD_ARGUMENT;
    Request r;
    r.op = Op::GetVfdList;
    r.arg[0] = *count;
    return CopyRecords(Invoke(device, r), list, *count, count);
}

nifError_t nifOpenVfd(nifDesc_t device, const char* name, nifDesc_t* vfd) {
    Request r;
    r.op = Op::OpenVfd;
    r.name = Name(name);
    return OpenChild(device, r, vfd);
}

nifError_t nifGetBlockList(nifDesc_t vfd, uint16_t typeMask, nifBlockInfo* list, uint16_t* count) {
    if (!count) return E_BAD_ARGUMENT;
    Request r;
    r.op = Op::GetBlockList;
    r.arg[0] = typeMask;
    r.arg[1] = *count;
    return CopyRecords(Invoke(vfd, r), list, *count, count);
}

nifError_t nifOpenBlock(nifDesc_t vfd, const char* name, nifDesc_t* block) {
    Request r;
    r.op = Op::OpenBlock;
    r.name = Name(name);
    return OpenChild(vfd, r, block);
}

nifError_t nifReadObject(nifDesc_t desc, const char* name, void* buffer, uint16_t* size) {
    if (!size || (!buffer && *size > 0)) return E_BAD_ARGUMENT;
    Request r;
    r.op = Op::ReadObject;
    r.name = Name(name);
    r.arg[0] = *size;
    Response resp = Invoke(desc, r);
    if (resp.status == E_BUF_TOO_SMALL) {
        if (resp.value[0] <= *size || resp.value[0] > 0xFFFF) return E_BAD_DEVICE_DATA;
        *size = static_cast<uint16_t>(resp.value[0]);
    }
    if (resp.status != E_OK) return resp.status;
    if (resp.data.size() > *size) return E_BAD_DEVICE_DATA;  // more than asked for
    if (!resp.data.empty()) std::memcpy(buffer, resp.data.data(), resp.data.size());
    *size = static_cast<uint16_t>(resp.data.size());
    return E_OK;
}

nifError_t nifWriteObject(nifDesc_t desc, const char* name, const void* buffer, uint16_t size) {
    if (!buffer && size > 0) return E_BAD_ARGUMENT;
    Request r;
    r.op = Op::WriteObject;
    r.name = Name(name);
    if (size > 0) r.data.assign(static_cast<const uint8_t*>(buffer), static_cast<const uint8_t*>(buffer) + size);
    return Invoke(desc, r).status;
}

nifError_t nifGetObjectSize(nifDesc_t desc, const char* name, uint16_t* size) {
    if (!size) return E_BAD_ARGUMENT;
    Request r;
    r.op = Op::GetObjectSize;
    r.name = Name(name);
    Response resp = Invoke(desc, r);
    if (resp.status != E_OK) return resp.status;
    if (resp.value[0] > 0xFFFF) return E_BAD_DEVICE_DATA;
    *size = static_cast<uint16_t>(resp.value[0]);
    return E_OK;
}

nifError_t nifGetObjectType(nifDesc_t desc, const char* name, nifObjectType** type) {
    if (!type) return E_BAD_ARGUMENT;
    *type = nullptr;
    Request r;
    r.op = Op::GetObjectType;
    r.name = Name(name);
    Response resp = Invoke(desc, r);
    if (resp.status != E_OK) return resp.status;
    TypeInfo info;
    if (!DecodeTypeInfo(resp.data, info)) return E_BAD_DEVICE_DATA;
    *type = NewObjectType(info);
    return *type ? E_OK : E_RESOURCES;
}

nifError_t nifFreeObjectType(nifObjectType* type) {
    if (!type) return E_BAD_ARGUMENT;
    std::free(type);
    return E_OK;
}

nifError_t nifGetObjectName(nifDesc_t desc, const char* name, char* buffer, uint16_t bufferSize) {
    if (!buffer || bufferSize == 0) return E_BAD_ARGUMENT;
    Request r;
    r.op = Op::GetObjectName;
    r.name = Name(name);
    return CopyText(Invoke(desc, r), buffer, bufferSize);
}

nifError_t nifGetObjectAttributes(nifDesc_t desc, const char* name, nifAttributes** attributes) {
    if (!attributes) return E_BAD_ARGUMENT;
    *attributes = nullptr;
    Request r;
    r.op = Op::GetObjectAttributes;
    r.name = Name(name);
    Response resp = Invoke(desc, r);
    if (resp.status != E_OK) return resp.status;
    AttributeInfo info;
    if (!DecodeAttributeInfo(resp.data, info)) return E_BAD_DEVICE_DATA;
    *attributes = NewAttributes(info);
    return *attributes ? E_OK : E_RESOURCES;
}

nifError_t nifFreeObjectAttributes(nifAttributes* attributes) {
    if (!attributes) return E_BAD_ARGUMENT;
    std::free(attributes);
    return E_OK;
}

nifError_t nifGetObjectDescription(nifDesc_t desc, const char* name, char* buffer, uint16_t bufferSize) {
    if (!buffer || bufferSize == 0) return E_BAD_ARGUMENT;
    Request r;
    r.op = Op::GetObjectDescription;
    r.name = Name(name);
    return CopyText(Invoke(desc, r), buffer, bufferSize);
}

nifError_t nifSetTag(nifDesc_t desc, const char* tag) {
    if (!tag) return E_BAD_ARGUMENT;
    Request r;
    r.op = Op::SetTag;
    r.name = tag;
    return Invoke(desc, r).status;
}

nifError_t nifSetAddress(nifDesc_t device, uint8_t address) {
    Request r;
    r.op = Op::SetAddress;
    r.arg[0] = address;
    return Invoke(device, r).status;
}

nifError_t nifClear(nifDesc_t device, uint16_t what) {
    Request r;
    r.op = Op::Clear;
    r.arg[0] = what;
    return Invoke(device, r).status;
}

nifError_t nifClose(nifDesc_t desc) {
    Entry e;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_table.find(desc) == g_table.end()) return E_INVALID_DESCRIPTOR;
        e = Unregister(desc);
    }
    // Neither waits for the server: a close never blocks, even on a server that hangs.
    if (e.isSession)
        e.backend->EndSession(e.remote);
    else
        e.backend->Release(e.remote);
    return E_OK;
}

nifError_t nifDownloadDomain(nifDesc_t desc, const char* domainName, const char* filePath) {
    if (!filePath) return E_BAD_ARGUMENT;
    FILE* f = std::fopen(filePath, "rb");
    if (!f) return E_NOT_FOUND;
    Request r;
    r.op = Op::DownloadDomain;
    r.name = Name(domainName);
    unsigned char chunk[65536];
    size_t n;
    bool tooLarge = false;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        r.data.insert(r.data.end(), chunk, chunk + n);
        if (r.data.size() > kMaxFrameBytes / 2) {
            tooLarge = true;
            break;
        }
    }
    std::fclose(f);
    if (tooLarge) return E_BUF_TOO_LARGE;
    return Invoke(desc, r).status;
}

}  // extern "C"
