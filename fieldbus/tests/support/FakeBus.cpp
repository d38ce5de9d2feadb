#include "FakeBus.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "nifb/IndexName.h"
#include "nifb/nifb.h"

namespace fieldbus::testing {

using nifb::Op;
using nifb::Request;
using nifb::Response;

std::shared_ptr<FakeBus> FakeBus::Install() {
    auto bus = std::make_shared<FakeBus>();
    nifb::UseInProcessBackend(bus);
    return bus;
}

void FakeBus::Uninstall() { nifb::UseInProcessBackend(nullptr); }

FakeBus::~FakeBus() = default;

int FakeBus::AddDevice(FakeDevice device) {
    std::lock_guard<std::mutex> lock(mutex_);
    devices_.push_back(std::move(device));
    return static_cast<int>(devices_.size()) - 1;
}

FakeDevice& FakeBus::Device(int number) {
    std::lock_guard<std::mutex> lock(mutex_);
    return devices_.at(static_cast<size_t>(number));
}

void FakeBus::FailNext(Op op, int status, int times) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int i = 0; i < times; ++i) failNext_[op].push_back(status);
}

void FakeBus::FailObject(Op op, const std::string& name, int status) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (status == 0)
        failObject_.erase({op, name});
    else
        failObject_[{op, name}] = status;
}

std::vector<FakeCall> FakeBus::Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

size_t FakeBus::CountCalls(Op op) const {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t n = 0;
    for (const FakeCall& c : calls_) n += c.op == op ? 1 : 0;
    return n;
}

void FakeBus::ClearCalls() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
}

size_t FakeBus::OpenDescriptors() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return nodes_.size();
}

uint32_t FakeBus::Open(Node node) {
    const uint32_t handle = next_++;
    nodes_[handle] = node;
    return handle;
}

Response FakeBus::Call(const Request& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    FakeCall call{request.op, request.name, request.data, -1};
    Response response;
    auto scripted = failNext_.find(request.op);
    auto named = failObject_.find({request.op, request.name});
    if (scripted != failNext_.end() && !scripted->second.empty()) {
        response = nifb::Fail(scripted->second.front());
        scripted->second.pop_front();
    } else if (named != failObject_.end()) {
        response = nifb::Fail(named->second);
    } else {
        response = Serve(request, call);
    }
    calls_.push_back(call);
    return response;
}

std::vector<uint8_t>* FakeBus::Locate(const Node& node, const std::string& name, int& block) {
    FakeDevice& device = devices_[static_cast<size_t>(node.device)];
    auto inBlock = [&](int b, const std::string& object) -> std::vector<uint8_t>* {
        FakeBlock& fb = device.blocks[static_cast<size_t>(b)];
        block = b;
        auto member = fb.members.find(object);
        if (member != fb.members.end()) return &member->second;
        for (FakeParameter& p : fb.parameters)
            if (p.name == object) return &p.bytes;
        return nullptr;
    };
    if (node.kind == Kind::Mib) {
        auto it = device.mib.find(name);
        return it == device.mib.end() ? nullptr : &it->second;
    }
    if (node.kind == Kind::Block) return inBlock(node.block, name);
    if (node.kind != Kind::Vfd) return nullptr;
    uint32_t index = 0, subindex = 0;
    if (nifb::ParseIndexName(name, index, subindex)) {
        for (size_t b = 0; b < device.blocks.size(); ++b) {
            FakeBlock& fb = device.blocks[b];
            if (index < fb.startIndex || index > fb.startIndex + fb.parameters.size()) continue;
            block = static_cast<int>(b);
            if (index == fb.startIndex) {
                if (subindex != 1) return nullptr;
                tagScratch_ = TextField(fb.tag);
                return &tagScratch_;
            }
            FakeParameter& p = fb.parameters[index - fb.startIndex - 1];
            return subindex == 0 ? &p.bytes : inBlock(static_cast<int>(b), p.name + "." + std::to_string(subindex));
        }
        return nullptr;
    }
    // "<block tag>.<parameter>": the tag is everything before the first point.
    const size_t point = name.find('.');
    if (point == std::string::npos) return nullptr;
    const std::string tag = name.substr(0, point);
    for (size_t b = 0; b < device.blocks.size(); ++b)
        if (device.blocks[b].tag == tag) return inBlock(static_cast<int>(b), name.substr(point + 1));
    return nullptr;
}

Response FakeBus::Serve(const Request& request, FakeCall& call) {
    Response response;
    if (request.op == Op::OpenSession) {
        response.value[0] = Open({Kind::Session});
        return response;
    }
    auto found = nodes_.find(request.desc);
    if (found == nodes_.end()) return nifb::Fail(E_INVALID_DESCRIPTOR);
    const Node node = found->second;
    FakeDevice* device = node.device >= 0 ? &devices_[static_cast<size_t>(node.device)] : nullptr;
    switch (request.op) {
    case Op::OpenLink:
        response.value[0] = Open({Kind::Link});
        return response;
    case Op::OpenPhysicalDevice:
        for (size_t d = 0; d < devices_.size(); ++d) {
            if (devices_[d].id == request.name) {
                response.value[0] = Open({Kind::Physical, static_cast<int>(d)});
                return response;
            }
        }
        return nifb::Fail(E_NOT_FOUND);
    case Op::GetVfdList: {
        const uint32_t capacity = request.arg[0];
        const uint32_t count = static_cast<uint32_t>(device->vfdCount);
        for (uint32_t i = 0; i < count && i < capacity; ++i) {
            nifVfdInfo info{};
            std::snprintf(info.vfdTag, sizeof info.vfdTag, "VFD%u", i);
            std::snprintf(info.vendorName, sizeof info.vendorName, "%s", device->vendor.c_str());
            std::snprintf(info.modelName, sizeof info.modelName, "%s", device->model.c_str());
            std::snprintf(info.revision, sizeof info.revision, "%s", device->revision.c_str());
            const auto* p = reinterpret_cast<const uint8_t*>(&info);
            response.data.insert(response.data.end(), p, p + sizeof info);
        }
        response.value[0] = count;
        if (count > capacity) response.status = E_BUF_TOO_SMALL;
        return response;
    }
    case Op::OpenVfd: {
        if (request.name == "MIB") {
            response.value[0] = Open({Kind::Mib, node.device});
            return response;
        }
        uint32_t index = 0, sub = 0;
        if (!nifb::ParseIndexName(request.name, index, sub) || index >= static_cast<uint32_t>(device->vfdCount))
            return nifb::Fail(E_NOT_FOUND);
        response.value[0] = Open({Kind::Vfd, node.device});
        return response;
    }
    case Op::GetBlockList: {
        const uint32_t capacity = request.arg[1];
        for (size_t b = 0; b < device->blocks.size() && b < capacity; ++b) {
            const FakeBlock& fb = device->blocks[b];
            nifBlockInfo info{};
            std::memset(info.blockTag, ' ', sizeof info.blockTag);
            std::memcpy(info.blockTag, fb.tag.data(), std::min(fb.tag.size(), sizeof info.blockTag));
            info.startIndex = fb.startIndex;
            info.profile = fb.profile;
            info.blockType = fb.type;
            info.numParameters = static_cast<uint16_t>(fb.parameters.size());
            info.blockNumber = static_cast<uint16_t>(b);
            const auto* p = reinterpret_cast<const uint8_t*>(&info);
            response.data.insert(response.data.end(), p, p + sizeof info);
        }
        response.value[0] = static_cast<uint32_t>(device->blocks.size());
        return response;
    }
    case Op::OpenBlock: {
        uint32_t index = 0, sub = 0;
        if (!nifb::ParseIndexName(request.name, index, sub) || index >= device->blocks.size())
            return nifb::Fail(E_NOT_FOUND);
        response.value[0] = Open({Kind::Block, node.device, static_cast<int>(index)});
        return response;
    }
    case Op::ReadObject:
    case Op::GetObjectSize: {
        std::vector<uint8_t>* bytes = Locate(node, request.name, call.block);
        if (!bytes) return nifb::Fail(E_NOT_FOUND);
        if (request.op == Op::GetObjectSize) {
            response.value[0] = static_cast<uint32_t>(bytes->size());
            return response;
        }
        if (bytes->size() > request.arg[0]) {
            response.status = E_BUF_TOO_SMALL;
            response.value[0] = static_cast<uint32_t>(bytes->size());
            return response;
        }
        response.data = *bytes;
        return response;
    }
    case Op::WriteObject: {
        std::vector<uint8_t>* bytes = Locate(node, request.name, call.block);
        if (!bytes) return nifb::Fail(E_NOT_FOUND);
        if (bytes->size() != request.data.size()) return nifb::Fail(E_PARAMETER_CHECK);
        *bytes = request.data;
        return response;
    }
    case Op::GetObjectName: {
        uint32_t index = 0, sub = 0;
        if (node.kind != Kind::Vfd || !nifb::ParseIndexName(request.name, index, sub))
            return nifb::Fail(E_NOT_FOUND);
        for (const FakeBlock& fb : device->blocks) {
            if (index > fb.startIndex && index <= fb.startIndex + fb.parameters.size()) {
                const std::string& name = fb.parameters[index - fb.startIndex - 1].name;
                response.data.assign(name.begin(), name.end());
                return response;
            }
        }
        return nifb::Fail(E_NOT_FOUND);
    }
    case Op::GetObjectType: {
        int block = -1;
        std::vector<uint8_t>* bytes = Locate(node, request.name, block);
        if (!bytes) return nifb::Fail(E_NOT_FOUND);
        nifb::TypeInfo type;
        type.objectCode = NIF_OC_SIMPLE;
        type.dataType = NIF_DT_OCTSTRING;
        type.size = static_cast<uint16_t>(bytes->size());
        if (block >= 0) {
            const FakeBlock& fb = device->blocks[static_cast<size_t>(block)];
            for (const FakeParameter& p : fb.parameters) {
                auto typed = fb.types.find(p.name);
                if (&p.bytes == bytes && typed != fb.types.end()) type = typed->second;
            }
        }
        response.data = nifb::EncodeTypeInfo(type);
        return response;
    }
    case Op::GetObjectAttributes: {
        int block = -1;
        std::string parameter = request.name;
        if (node.kind == Kind::Block) {
            block = node.block;
        } else {
            const size_t point = request.name.find('.');
            for (size_t b = 0; point != std::string::npos && b < device->blocks.size(); ++b)
                if (device->blocks[b].tag == request.name.substr(0, point)) block = static_cast<int>(b);
            if (point != std::string::npos) parameter = request.name.substr(point + 1);
        }
        if (block < 0) return nifb::Fail(E_NOT_FOUND);
        call.block = block;
        nifb::AttributeInfo attributes;
        const FakeBlock& fb = device->blocks[static_cast<size_t>(block)];
        auto it = fb.items.find(parameter);
        if (it != fb.items.end()) attributes.items = it->second;
        response.data = nifb::EncodeAttributeInfo(attributes);
        return response;
    }
    case Op::SetTag:
        if (node.kind != Kind::Block) return nifb::Fail(E_BAD_ARGUMENT);
        call.block = node.block;
        device->blocks[static_cast<size_t>(node.block)].tag =
            request.name.substr(0, request.name.find_last_not_of(' ') + 1);
        return response;
    case Op::Close:
        nodes_.erase(found);
        return response;
    default:
        return nifb::Fail(E_OTHER);
    }
}

std::vector<uint8_t> BigEndianFloat(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    return BigEndianU32(bits);
}

std::vector<uint8_t> BigEndianU16(uint16_t value) {
    return {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

std::vector<uint8_t> BigEndianU32(uint32_t value) {
    return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value)};
}

std::vector<uint8_t> StatusFloat(uint8_t status, float value) {
    std::vector<uint8_t> bytes{status};
    const std::vector<uint8_t> f = BigEndianFloat(value);
    bytes.insert(bytes.end(), f.begin(), f.end());
    return bytes;
}

std::vector<uint8_t> TextField(const std::string& text, size_t size) {
    std::vector<uint8_t> bytes(size, ' ');
    std::memcpy(bytes.data(), text.data(), std::min(text.size(), size));
    return bytes;
}

}  // namespace fieldbus::testing
