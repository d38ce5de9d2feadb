#include "simulator/SegmentBackend.h"

#include <algorithm>
#include <cstring>

#include "nifb/IndexName.h"
#include "nifb/ListAnswer.h"
#include "nifb/ObjectRecords.h"
#include "simulator/DeviceClaim.h"

namespace simulator {

using nifb::CopyText;
using nifb::Fail;
using nifb::ListAnswer;
using nifb::Op;
using nifb::Request;
using nifb::Response;

namespace {
const char* OpName(Op op) {
    switch (op) {
        case Op::OpenSession: return "OpenSession";
        case Op::AttachSession: return "AttachSession";
        case Op::GetInterfaceList: return "GetInterfaceList";
        case Op::OpenLink: return "OpenLink";
        case Op::GetDeviceList: return "GetDeviceList";
        case Op::OpenPhysicalDevice: return "OpenPhysicalDevice";
        case Op::GetVfdList: return "GetVFDList";
        case Op::OpenVfd: return "OpenVfd";
        case Op::GetBlockList: return "GetBlockList";
        case Op::OpenBlock: return "OpenBlock";
        case Op::ReadObject: return "ReadObject";
        case Op::WriteObject: return "WriteObject";
        case Op::GetObjectSize: return "GetObjectSize";
        case Op::GetObjectType: return "GetObjectType";
        case Op::GetObjectName: return "GetObjectName";
        case Op::GetObjectAttributes: return "GetObjectAttributes";
        case Op::GetObjectDescription: return "GetObjectDescription";
        case Op::SetTag: return "SetTag";
        case Op::SetAddress: return "SetAddress";
        case Op::Clear: return "Clear";
        case Op::Close: return "Close";
        case Op::DownloadDomain: return "DownloadDomain";
        case Op::Control: return "Control";
    }
    return "?";
}

Response Ok(uint32_t v0 = 0) {
    Response r;
    r.value[0] = v0;
    return r;
}

Response Added(uint32_t desc) { return desc != 0 ? Ok(desc) : Fail(E_RESOURCES); }

}  // namespace

SegmentBackend::SegmentBackend(std::shared_ptr<Segment> segment) : segment_(std::move(segment)) {}

uint32_t SegmentBackend::Add(Desc d) {
    if (d.kind != Kind::Session) {
        auto session = descs_.find(d.session);
        auto parent = descs_.find(d.parent);
        if (session == descs_.end() || parent == descs_.end()) return 0;
        if (session->second.owned >= kMaxDescriptorsPerSession) return 0;
        ++session->second.owned;
    }
    uint32_t id = next_++;
    while (id == 0 || descs_.count(id)) id = next_++;
    if (d.kind != Kind::Session) descs_[d.parent].children.insert(id);
    descs_[id] = std::move(d);
    return id;
}

bool SegmentBackend::Alive(uint32_t desc) const { return !shutdown_ && descs_.count(desc) != 0; }

void SegmentBackend::CloseTree(uint32_t desc) {
    auto top = descs_.find(desc);
    if (top == descs_.end()) return;
    const uint32_t session = top->second.session;
    if (top->second.kind != Kind::Session) {
        auto parent = descs_.find(top->second.parent);
        if (parent != descs_.end()) parent->second.children.erase(desc);
    }
    // Each descriptor is visited once: the work grows with the size of the tree only.
    std::vector<uint32_t> doomed = {desc};
    for (size_t i = 0; i < doomed.size(); ++i) {
        auto it = descs_.find(doomed[i]);
        if (it == descs_.end()) continue;
        doomed.insert(doomed.end(), it->second.children.begin(), it->second.children.end());
        descs_.erase(it);
    }
    auto s = descs_.find(session);
    if (s != descs_.end()) s->second.owned -= std::min<uint32_t>(s->second.owned, static_cast<uint32_t>(doomed.size()));
    segment_->changed.notify_all();
}

void SegmentBackend::CloseSession(uint32_t session) {
    Lock lock(segment_->mutex);
    auto it = descs_.find(session);
    if (it != descs_.end() && it->second.kind == Kind::Session) {
        CloseTree(session);
        segment_->Log(1, "session " + std::to_string(session) + " closed (client gone)");
    }
}

void SegmentBackend::Shutdown() {
    Lock lock(segment_->mutex);
    shutdown_ = true;
    descs_.clear();
    segment_->changed.notify_all();
}

size_t SegmentBackend::OpenDescriptorCount() {
    Lock lock(segment_->mutex);
    return descs_.size();
}

bool SegmentBackend::WaitSim(Lock& lock, uint32_t desc, uint64_t simMs) {
    if (simMs == 0) return Alive(desc);
    if (segment_->clock.IsManual()) {
        segment_->clock.Advance(simMs);
        return Alive(desc);
    }
    auto deadline = segment_->clock.RealDeadline(simMs);
    while (Alive(desc)) {
        if (segment_->changed.wait_until(lock, deadline) == std::cv_status::timeout) break;
    }
    return Alive(desc);
}

int SegmentBackend::WorkOn(Lock& lock, uint32_t desc, Device& device, const DeviceWork& work, bool advance) {
    DeviceClaim claim(*segment_, lock, device);
    if (!Alive(desc)) return E_INVALID_DESCRIPTOR;
    const uint64_t now = segment_->clock.NowMs();
    return claim.Unlocked([&] {
        if (advance) device.Advance(now);
        return work ? work() : static_cast<int>(E_OK);
    });
}

int SegmentBackend::Transact(Lock& lock, uint32_t desc, size_t bytes, const DeviceWork& work) {
    Segment& seg = *segment_;
    // The descriptor may have been closed while this call waited for the segment or a device.
    const auto it = descs_.find(desc);
    if (it == descs_.end()) return E_INVALID_DESCRIPTOR;
    const int iface = it->second.iface;
    Device* const device = it->second.device;
    // The bus is one medium: its time is booked under the segment lock, in the order the
    // calls come.
    if (seg.latency && iface >= 0) {
        Interface& ifc = seg.interfaces[static_cast<size_t>(iface)];
        uint64_t now = seg.clock.NowMs();
        uint64_t start = std::max(now, ifc.busFreeAtMs);
        ifc.busFreeAtMs = start + seg.TransactionMs(bytes);
        ++seg.modelledTransactions;
        seg.modelledBusMs += seg.TransactionMs(bytes);
        if (!WaitSim(lock, desc, ifc.busFreeAtMs - now)) return E_INVALID_DESCRIPTOR;
    }
    if (!device) return E_OK;
    uint64_t waited = 0;
    while (!device->IsAnswering(seg.clock.NowMs())) {
        if (waited >= seg.responseTimeoutMs) return E_TIMEOUT;
        uint64_t step = std::min<uint64_t>(100, seg.responseTimeoutMs - waited);
        if (!WaitSim(lock, desc, step)) return E_INVALID_DESCRIPTOR;
        waited += step;
    }
    // The device is caught up with the clock either way; a garbled frame does no more.
    const bool garbled =
        device->faults.commErrorRate > 0 && device->faults.NextRandom() < device->faults.commErrorRate;
    const int st = WorkOn(lock, desc, *device, garbled ? DeviceWork() : work);
    return st == E_OK && garbled ? E_COMM_ERROR : st;
}

int SegmentBackend::ResolveObject(const Desc& d, const std::string& name, ObjectRef& out) {
    switch (d.kind) {
        case Kind::Mib: return d.device->Resolve(Space::Mib, nullptr, name, out);
        case Kind::Vfd:
        case Kind::Device: return d.device->Resolve(Space::FbVfd, nullptr, name, out);
        case Kind::Block: return d.device->Resolve(Space::FbVfd, d.block, name, out);
        default: return E_INVALID_DESCRIPTOR;
    }
}

void SegmentBackend::CheckDeath() {
    Segment& seg = *segment_;
    if (dead_) return;
    if (!seg.dieRequested && (seg.dieAtMs == 0 || seg.clock.NowMs() < seg.dieAtMs)) return;
    dead_ = true;
    seg.Log(0, "server dies (fault injection)");
    if (onDeath_) onDeath_();
}

std::string SegmentBackend::Describe(const Desc& d) const {
    if (d.block) return d.device->pdTag + "/" + d.block->tag;
    if (d.device) return d.device->pdTag + (d.kind == Kind::Mib ? "/MIB" : "");
    if (d.iface >= 0) return segment_->interfaces[static_cast<size_t>(d.iface)].name;
    return "session";
}

Response SegmentBackend::Call(const Request& r) { return Handle(r, nullptr); }

Response SegmentBackend::Serve(const Request& r, uint32_t& connectionSession) { return Handle(r, &connectionSession); }

Response SegmentBackend::Handle(const Request& r, uint32_t* connection) {
    if (r.op != Op::Control && r.name.size() > kMaxNameBytes) return Fail(E_BAD_ARGUMENT);
    Lock lock(segment_->mutex);
    CheckDeath();
    if (dead_) return Fail(r.op == Op::OpenSession ? E_SERVER_NOT_RESPONDING : E_SERVER_CONNECTION_LOST);
    if (shutdown_) return Fail(E_SERVER_CONNECTION_LOST);
    if (connection) {
        // A connection works in its own session only.
        if (r.op == Op::OpenSession || r.op == Op::AttachSession) {
            if (*connection != 0) return Fail(E_BAD_ARGUMENT);
        } else {
            auto it = descs_.find(r.desc);
            if (*connection == 0 || it == descs_.end() || it->second.session != *connection)
                return Fail(E_INVALID_DESCRIPTOR);
        }
    }
    Response resp;
    if (r.op == Op::Control) {
        // Parsed and carried out without this lock held: a long command stalls no one.
        if (!Alive(r.desc)) return Fail(E_INVALID_DESCRIPTOR);
        lock.unlock();
        std::string answer;
        resp.status = segment_->Control(r.name, answer);
        resp.data.assign(answer.begin(), answer.end());
        lock.lock();
        CheckDeath();
    } else {
        resp = Dispatch(lock, r);
    }
    if (connection && resp.status == E_OK && (r.op == Op::OpenSession || r.op == Op::AttachSession))
        *connection = resp.value[0];
    if (segment_->logLevel >= 2) {
        std::string where;
        auto it = descs_.find(r.desc);
        if (it != descs_.end()) where = Describe(it->second);
        std::string name = r.name.size() > 80 ? r.name.substr(0, 80) + "..." : r.name;
        std::string line = std::string(OpName(r.op)) + " " + where + (name.empty() ? "" : " '" + name + "'") +
                           " -> " + nifStatusName(resp.status);
        segment_->Log(2, line);
    } else if (resp.status != E_OK && resp.status != E_BUF_TOO_SMALL) {
        std::string name = r.name.size() > 80 ? r.name.substr(0, 80) + "..." : r.name;
        segment_->Log(1, std::string(OpName(r.op)) + " '" + name + "' -> " + nifStatusName(resp.status));
    }
    return resp;
}

Response SegmentBackend::ServeObject(const Desc& d, const Request& r, bool onBus) {
    Segment& seg = *segment_;
    ObjectRef ref;
    int st = ResolveObject(d, r.name, ref);
    if (st != E_OK) return Fail(st);
    if (!onBus) {
        d.device->Advance(seg.clock.NowMs());
        d.device->RefreshDerived();
    }
    Response resp;
    const DeviceObject& o = *ref.object;
    const Member* m = ref.member >= 0 ? &o.members[static_cast<size_t>(ref.member)] : nullptr;
    switch (r.op) {
        case Op::ReadObject: {
            st = d.device->Read(ref, resp.data);
            if (st != E_OK) return Fail(st);
            if (resp.data.size() > r.arg[0]) {
                Response small = Fail(E_BUF_TOO_SMALL);
                small.value[0] = static_cast<uint32_t>(resp.data.size());
                return small;
            }
            resp.value[0] = static_cast<uint32_t>(resp.data.size());
            return resp;
        }
        case Op::WriteObject:
            return Fail(d.device->Write(ref, r.data, seg.clock.NowMs()));
        case Op::GetObjectSize:
            return Ok(d.device->SizeOf(ref));
        case Op::GetObjectName: {
            std::string n = d.device->NameOf(ref);
            resp.data.assign(n.begin(), n.end());
            return resp;
        }
        case Op::GetObjectDescription: {
            std::string text = o.help.empty() ? d.device->NameOf(ref) : o.help;
            resp.data.assign(text.begin(), text.end());
            return resp;
        }
        case Op::GetObjectType: {
            nifb::TypeInfo t;
            t.index = o.index;
            t.objectCode = m ? NIF_OC_SIMPLE : o.objectCode;
            t.dataType = m ? m->dataType : o.dataType;
            t.size = d.device->SizeOf(ref);
            if (!m && o.IsView()) {
                for (uint16_t pos : o.viewMembers) {
                    const DeviceObject& mo = ref.block->objects[pos];
                    t.members.push_back({mo.index, mo.objectCode, mo.dataType, mo.Size()});
                }
            } else if (!m) {
                for (const Member& mem : o.members)
                    t.members.push_back({0, NIF_OC_SIMPLE, mem.dataType, mem.size});
            }
            resp.data = nifb::EncodeTypeInfo(t);
            return resp;
        }
        case Op::GetObjectAttributes: {
            nifb::AttributeInfo a;
            a.label = d.device->NameOf(ref);
            a.help = o.help;
            a.objectCode = m ? NIF_OC_SIMPLE : o.objectCode;
            a.dataType = m ? m->dataType : o.dataType;
            a.size = d.device->SizeOf(ref);
            const std::vector<EnumItem>& items = m ? m->items : o.items;
            bool bits = m ? m->bitItems : o.bitItems;
            for (const EnumItem& it : items)
                a.items.push_back({static_cast<uint8_t>(bits ? NIF_ITEM_BIT : NIF_ITEM_ENUM), it.value, it.text});
            resp.data = nifb::EncodeAttributeInfo(a);
            return resp;
        }
        default: break;
    }
    return Fail(E_OTHER);
}

Response SegmentBackend::Dispatch(Lock& lock, const Request& r) {
    Segment& seg = *segment_;
    if (r.op == Op::OpenSession) {
        Desc d;
        d.key = (static_cast<uint64_t>(random_()) << 32) | random_();
        const uint64_t key = d.key;
        uint32_t id = Add(std::move(d));
        descs_[id].session = id;
        seg.Log(1, "session " + std::to_string(id) + " opened");
        Response resp = Ok(id);
        resp.value[1] = static_cast<uint32_t>(key);
        resp.value[2] = static_cast<uint32_t>(key >> 32);
        return resp;
    }
    auto it = descs_.find(r.desc);
    if (it == descs_.end()) return Fail(E_INVALID_DESCRIPTOR);
    // What this call needs of its descriptor (the entry may go while the call waits).
    Desc d;
    d.kind = it->second.kind;
    d.session = it->second.session;
    d.iface = it->second.iface;
    d.device = it->second.device;
    d.block = it->second.block;
    d.key = it->second.key;

    switch (r.op) {
        case Op::AttachSession: {
            const uint64_t key = r.arg[0] | (static_cast<uint64_t>(r.arg[1]) << 32);
            return d.kind == Kind::Session && d.key == key ? Ok(r.desc) : Fail(E_INVALID_DESCRIPTOR);
        }

        case Op::Close:
            CloseTree(r.desc);
            if (d.kind == Kind::Session) seg.Log(1, "session " + std::to_string(r.desc) + " closed");
            return Ok();

        case Op::GetInterfaceList: {
            if (d.kind != Kind::Session) return Fail(E_INVALID_DESCRIPTOR);
            std::vector<nifInterfaceInfo> list(seg.interfaces.size());
            for (size_t i = 0; i < seg.interfaces.size(); ++i) {
                CopyText(list[i].interfaceName, sizeof list[i].interfaceName, seg.interfaces[i].name);
                CopyText(list[i].interfaceDescription, sizeof list[i].interfaceDescription,
                         seg.interfaces[i].description);
            }
            return ListAnswer(list, r.arg[0]);
        }

        case Op::OpenLink: {
            if (d.kind != Kind::Session) return Fail(E_INVALID_DESCRIPTOR);
            int found = -1;
            if (r.arg[0] != 0) {
                if (r.arg[1] < seg.interfaces.size()) found = static_cast<int>(r.arg[1]);
            } else {
                for (size_t i = 0; i < seg.interfaces.size(); ++i)
                    if (EqualsNoCase(seg.interfaces[i].name, r.name)) found = static_cast<int>(i);
            }
            if (found < 0) return Fail(E_INVALID_INTERFACE);
            Desc link;
            link.kind = Kind::Link;
            link.parent = r.desc;
            link.session = d.session;
            link.iface = found;
            return Added(Add(std::move(link)));
        }

        case Op::GetDeviceList: {
            if (d.kind != Kind::Link) return Fail(E_INVALID_DESCRIPTOR);
            int st = Transact(lock, r.desc, 16);
            if (st != E_OK) return Fail(st);
            // Every device is caught up (which also finishes restarts), one after another under
            // its claim: the other calls go on between and beside these catch-ups.
            Interface& ifc = seg.interfaces[static_cast<size_t>(d.iface)];
            std::vector<uint32_t> classFlags(ifc.devices.size());
            for (size_t i = 0; i < ifc.devices.size(); ++i) {
                Device& dev = *ifc.devices[i];
                st = WorkOn(lock, r.desc, dev, [&] {
                    classFlags[i] = dev.ClassFlags();
                    return static_cast<int>(E_OK);
                });
                if (st != E_OK) return Fail(st);
            }
            auto list = seg.LiveList(ifc, seg.clock.NowMs(), &classFlags);
            Response resp = ListAnswer(list, r.arg[0]);
            resp.value[0] = static_cast<uint32_t>(std::min<size_t>(list.size(), r.arg[0]));
            resp.value[1] = static_cast<uint32_t>(list.size());
            resp.status = E_OK;  // a full buffer is not an error: the first records are delivered
            return resp;
        }

        case Op::OpenPhysicalDevice: {
            if (d.kind != Kind::Link) return Fail(E_INVALID_DESCRIPTOR);
            Interface& ifc = seg.interfaces[static_cast<size_t>(d.iface)];
            Device* dev = seg.FindDevice(ifc, r.arg[0] == NIF_BY_DEVICE_ID, r.name);
            if (!dev || !dev->InLiveList(seg.clock.NowMs())) return Fail(E_NOT_FOUND);
            Desc dd;
            dd.kind = Kind::Device;
            dd.parent = r.desc;
            dd.session = d.session;
            dd.iface = d.iface;
            dd.device = dev;
            return Added(Add(std::move(dd)));
        }

        case Op::GetVfdList: {
            if (d.kind != Kind::Device) return Fail(E_INVALID_DESCRIPTOR);
            int st = Transact(lock, r.desc, 140);
            if (st != E_OK) return Fail(st);
            if (d.device->faults.vfdChangedOnce) {
                d.device->faults.vfdChangedOnce = false;
                return Fail(E_VFD_CHANGED);
            }
            std::vector<nifVfdInfo> list(1);
            std::memset(list.data(), 0, sizeof(nifVfdInfo));
            CopyText(list[0].vfdTag, NIF_NAME_LEN, d.device->vfdTag);
            CopyText(list[0].vendorName, NIF_NAME_LEN, d.device->vendorName);
            CopyText(list[0].modelName, NIF_NAME_LEN, d.device->modelName);
            CopyText(list[0].revision, NIF_NAME_LEN, d.device->revisionText);
            list[0].vfdRef = 2;
            return ListAnswer(list, r.arg[0]);
        }

        case Op::OpenVfd: {
            if (d.kind != Kind::Device) return Fail(E_INVALID_DESCRIPTOR);
            int st = Transact(lock, r.desc, 8);
            if (st != E_OK) return Fail(st);
            Desc v = d;
            v.children.clear();
            v.parent = r.desc;
            uint32_t index = 0, sub = 0;
            if (EqualsNoCase(r.name, "MIB"))
                v.kind = Kind::Mib;
            else if ((nifb::ParseIndexName(r.name, index, sub) && index == 0 && sub == 0) ||
                     r.name == d.device->vfdTag)
                v.kind = Kind::Vfd;
            else
                return Fail(E_NOT_FOUND);
            return Added(Add(std::move(v)));
        }

        case Op::GetBlockList: {
            if (d.kind != Kind::Vfd) return Fail(E_INVALID_DESCRIPTOR);
            int st = Transact(lock, r.desc, 72 * d.device->blocks.size());
            if (st != E_OK) return Fail(st);
            std::vector<nifBlockInfo> list;
            for (size_t i = 0; i < d.device->blocks.size(); ++i) {
                const Block& b = d.device->blocks[i];
                if ((b.blockType & r.arg[0]) == 0) continue;
                nifBlockInfo info;
                std::memset(&info, 0, sizeof info);
                std::vector<uint8_t> tag = PaddedText(b.tag, 32);
                std::memcpy(info.blockTag, tag.data(), 32);
                info.startIndex = b.startIndex;
                info.ddMember = b.ddMember;
                info.ddItem = b.ddItem;
                info.ddRevision = b.ddRevision;
                info.profile = b.profile;
                info.profileRevision = b.profileRevision;
                info.executionTime = b.executionTime;
                info.periodOfExecution = b.period;
                info.numParameters = b.numParams;
                info.startOfView1 = static_cast<uint16_t>(b.startIndex + b.firstView);
                info.numView3 = b.numView3;
                info.numView4 = b.numView4;
                info.blockNumber = static_cast<uint16_t>(i);
                info.blockType = b.blockType;
                list.push_back(info);
            }
            return ListAnswer(list, r.arg[1]);
        }

        case Op::OpenBlock: {
            if (d.kind != Kind::Vfd) return Fail(E_INVALID_DESCRIPTOR);
            int st = Transact(lock, r.desc, 8);
            if (st != E_OK) return Fail(st);
            Block* block = nullptr;
            uint32_t index = 0, sub = 0;
            if (nifb::ParseIndexName(r.name, index, sub)) {
                if (sub == 0 && index < d.device->blocks.size()) block = &d.device->blocks[index];
            } else {
                block = d.device->BlockByTag(r.name);
            }
            if (!block) return Fail(E_NOT_FOUND);
            Desc b = d;
            b.children.clear();
            b.kind = Kind::Block;
            b.parent = r.desc;
            b.block = block;
            return Added(Add(std::move(b)));
        }

        case Op::ReadObject:
        case Op::WriteObject:
        case Op::GetObjectSize:
        case Op::GetObjectType:
        case Op::GetObjectName:
        case Op::GetObjectAttributes:
        case Op::GetObjectDescription: {
            if (!d.device || d.kind == Kind::Link) return Fail(E_INVALID_DESCRIPTOR);
            const bool onBus = r.op == Op::ReadObject || r.op == Op::WriteObject;
            Response resp;
            const DeviceWork serve = [&] {
                resp = ServeObject(d, r, onBus);
                return static_cast<int>(E_OK);
            };
            if (!onBus) {
                // Not on the bus: the device is caught up only once the object is known.
                const int st = WorkOn(lock, r.desc, *d.device, serve, false);
                return st == E_OK ? resp : Fail(st);
            }
            // An unknown object, or a write that cannot fit, is refused before it books any
            // bus time.
            size_t bytes = 0;
            {
                DeviceClaim claim(seg, lock, *d.device);
                ObjectRef ref;
                const int st = ResolveObject(d, r.name, ref);
                if (st != E_OK) return Fail(st);
                bytes = r.op == Op::WriteObject ? r.data.size() : d.device->SizeOf(ref);
                if (r.op == Op::WriteObject && r.data.size() != d.device->SizeOf(ref)) return Fail(E_BAD_ARGUMENT);
            }
            const int st = Transact(lock, r.desc, bytes, serve);
            return st == E_OK ? resp : Fail(st);
        }

        case Op::SetTag: {
            if (d.kind == Kind::Block) {
                int st = Transact(lock, r.desc, 40);
                if (st != E_OK) return Fail(st);
                // Block tags are read under the segment lock too: changed with both held.
                DeviceClaim claim(seg, lock, *d.device);
                return Fail(d.device->SetBlockTag(*d.block, r.name));
            }
            if (d.kind != Kind::Device) return Fail(E_INVALID_DESCRIPTOR);
            if (r.name.empty() || r.name.size() > 32) return Fail(E_BAD_ARGUMENT);
            int st = Transact(lock, r.desc, 40);
            if (st != E_OK) return Fail(st);
            DeviceClaim claim(seg, lock, *d.device);  // the MIB's PD_TAG changes too
            if (!d.device->pdTag.empty()) return Fail(E_DEVICE_NOT_CLEARED);
            std::string tag = r.name;
            while (!tag.empty() && tag.back() == ' ') tag.pop_back();
            Interface& ifc = seg.interfaces[static_cast<size_t>(d.iface)];
            for (auto& other : ifc.devices)
                if (other.get() != d.device && other->pdTag == tag) return Fail(E_ILLEGAL_PARAMETER);
            d.device->pdTag = tag;
            if (DeviceObject* o = d.device->MibObject("PD_TAG")) o->value = PaddedText(tag, 32);
            seg.Log(1, d.device->deviceId + ": PD tag set to '" + tag + "'");
            return Ok();
        }

        case Op::SetAddress: {
            if (d.kind != Kind::Device) return Fail(E_INVALID_DESCRIPTOR);
            uint32_t address = r.arg[0];
            if (address < 16 || address > 251) return Fail(E_BAD_ARGUMENT);
            int st = Transact(lock, r.desc, 8);
            if (st != E_OK) return Fail(st);
            if (d.device->pdTag.empty()) return Fail(E_SM_NOT_INITIALIZED);
            // An operational address is taken only from a default address (248 to 251): a
            // device at an operational address is first moved to 248 or cleared. Moving to a
            // default address is always allowed.
            if (address < 248 && d.device->address < 248) return Fail(E_DEVICE_NOT_CLEARED);
            Interface& ifc = seg.interfaces[static_cast<size_t>(d.iface)];
            if (address < 248 && address == ifc.hostAddress) return Fail(E_ILLEGAL_PARAMETER);
            for (auto& other : ifc.devices)
                if (other.get() != d.device && other->address == address && address < 248)
                    return Fail(E_ILLEGAL_PARAMETER);
            d.device->address = static_cast<uint8_t>(address);
            seg.Log(1, d.device->deviceId + ": node address set to " + std::to_string(address));
            return Ok();
        }

        case Op::Clear: {
            if (d.kind != Kind::Device) return Fail(E_INVALID_DESCRIPTOR);
            if (r.arg[0] > NIF_CLEAR_TAG_AND_ADDRESS) return Fail(E_BAD_ARGUMENT);
            int st = Transact(lock, r.desc, 8);
            if (st != E_OK) return Fail(st);
            DeviceClaim claim(seg, lock, *d.device);  // the MIB's PD_TAG changes too
            Interface& ifc = seg.interfaces[static_cast<size_t>(d.iface)];
            uint8_t address = 248;
            for (uint8_t a = 248; a <= 251; ++a) {
                bool used = false;
                for (auto& other : ifc.devices) used = used || (other.get() != d.device && other->address == a);
                if (!used) {
                    address = a;
                    break;
                }
            }
            d.device->address = address;
            if (r.arg[0] == NIF_CLEAR_TAG_AND_ADDRESS) {
                d.device->pdTag.clear();
                if (DeviceObject* o = d.device->MibObject("PD_TAG")) o->value = PaddedText("", 32);
            }
            seg.Log(1, d.device->deviceId + ": cleared");
            return Ok();
        }

        case Op::DownloadDomain: {
            if (!d.device || d.kind == Kind::Link) return Fail(E_INVALID_DESCRIPTOR);
            if (!d.device->extension) return Fail(E_OBJECT_ACCESS_UNSUPPORTED);
            if (r.data.size() > kMaxDomainBytes) return Fail(E_BUF_TOO_LARGE);
            return Fail(Transact(lock, r.desc, r.data.size(), [&] {
                return d.device->extension->DownloadDomain(*d.device, r.name, r.data, seg.clock.NowMs());
            }));
        }

        default:
            return Fail(E_BAD_ARGUMENT);
    }
}

}  // namespace simulator

namespace simulator {
void SegmentBackend::Poll() {
    Lock lock(segment_->mutex);
    CheckDeath();
}
}  // namespace simulator
