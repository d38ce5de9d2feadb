#include "simulator/DeviceDescriptions.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <tuple>

#include "platform/AtomicFile.h"
#include "simulator/PositionerBuilder.h"

namespace simulator {

namespace dd = nifb::dd;

namespace {

std::vector<dd::Item> Items(const std::vector<EnumItem>& items) {
    std::vector<dd::Item> out;
    for (const EnumItem& it : items) out.push_back({it.value, it.text});
    return out;
}

// `index` is the object's relative index in its block, or its absolute index elsewhere;
// `block` holds a view's members.
dd::Object Describe(const DeviceObject& o, uint16_t index, const Block* block) {
    dd::Object d;
    d.index = index;
    d.name = o.name;
    d.objectCode = o.objectCode;
    d.dataType = o.dataType;
    d.size = o.Size();
    for (const Member& m : o.members)
        d.members.push_back({m.name, m.dataType, m.size, m.offset, Items(m.items), m.bitItems});
    d.items = Items(o.items);
    d.bitItems = o.bitItems;
    d.help = o.help;
    if (o.IsView() && block) {
        // The size a device gives a view: its members' sizes together.
        size_t size = 0;
        for (uint16_t pos : o.viewMembers) size += block->objects[pos].value.size();
        d.size = static_cast<uint16_t>(size);
        d.viewMembers = o.viewMembers;
    }
    return d;
}

std::vector<dd::Object> DescribeList(const std::vector<DeviceObject>& objects) {
    std::vector<dd::Object> out;
    for (const DeviceObject& o : objects) out.push_back(Describe(o, o.index, nullptr));
    return out;
}

std::string TypeName(const dd::Description& d) {
    char text[48];
    std::snprintf(text, sizeof text, "%06X type %04X revision %u", static_cast<unsigned>(d.manufacturerId),
                  static_cast<unsigned>(d.deviceType), static_cast<unsigned>(d.deviceRevision));
    return text;
}

// Adds `more` (a device of the same type) to `into`: block types it lacks, the higher DD
// revision; the objects both have must agree.
bool Merge(dd::Description& into, const dd::Description& more, std::string& error) {
    for (const dd::BlockType& b : more.blocks) {
        const dd::BlockType* have = dd::FindBlockType(into, b.ddItem);
        if (!have) {
            into.blocks.push_back(b);
        } else if (!(*have == b)) {
            error = TypeName(into) + ": two devices describe the blocks of DD item " + std::to_string(b.ddItem) +
                    " differently";
            return false;
        }
    }
    if (into.mib != more.mib || into.vfd != more.vfd) {
        error = TypeName(into) + ": two devices have different management or VFD objects";
        return false;
    }
    into.ddRevision = std::max(into.ddRevision, more.ddRevision);
    std::sort(into.blocks.begin(), into.blocks.end(),
              [](const dd::BlockType& a, const dd::BlockType& b) { return a.ddItem < b.ddItem; });
    return true;
}

// A positioner of the device's type with every optional block, for the complete
// description of its type.
std::unique_ptr<Device> FullyEquipped(const Device& device, std::string& error) {
    if (!device.positioner) return nullptr;
    PositionerOptions o;
    o.manufacturerId = device.manufacturerId;
    o.deviceType = device.deviceType;
    o.deviceRevision = device.deviceRevision;
    o.ddRevision = device.ddRevision;
    o.signatureOption = true;
    o.pidOption = true;
    o.extraPidBlocks = 1;
    o.inputSelector = true;
    o.arithmetic = true;
    return BuildPositioner(o, error);
}

}  // namespace

dd::Description DescribeDevice(const Device& device) {
    dd::Description d;
    d.manufacturerId = device.manufacturerId;
    d.deviceType = device.deviceType;
    d.deviceRevision = device.deviceRevision;
    d.ddRevision = device.ddRevision;
    for (const Block& b : device.blocks) {
        dd::BlockType type;
        type.ddItem = b.ddItem;
        for (size_t i = 0; i < b.objects.size(); ++i)
            type.parameters.push_back(Describe(b.objects[i], static_cast<uint16_t>(i), &b));
        if (const dd::BlockType* have = dd::FindBlockType(d, b.ddItem)) {
            if (*have == type) continue;
            // Two blocks of one DD item that differ: both stay, and DescribeSegment refuses them.
        }
        d.blocks.push_back(std::move(type));
    }
    std::sort(d.blocks.begin(), d.blocks.end(),
              [](const dd::BlockType& a, const dd::BlockType& b) { return a.ddItem < b.ddItem; });
    d.mib = DescribeList(device.mib);
    d.vfd = DescribeList(device.vfdObjects);
    return d;
}

bool DescribeSegment(const Segment& segment, std::vector<dd::Description>& out, std::string& error) {
    std::map<std::tuple<uint32_t, uint16_t, uint8_t>, dd::Description> types;
    auto add = [&](const Device& device) {
        dd::Description d = DescribeDevice(device);
        for (size_t i = 1; i < d.blocks.size(); ++i)
            if (d.blocks[i].ddItem == d.blocks[i - 1].ddItem) {
                error = TypeName(d) + ": two blocks of DD item " + std::to_string(d.blocks[i].ddItem) +
                        " have different parameters";
                return false;
            }
        auto key = std::make_tuple(d.manufacturerId, d.deviceType, d.deviceRevision);
        auto it = types.find(key);
        if (it == types.end()) {
            types.emplace(key, std::move(d));
            return true;
        }
        return Merge(it->second, d, error);
    };
    for (const Interface& ifc : segment.interfaces) {
        // A host interface whose device ID tells its identity: its management objects.
        uint32_t manufacturerId = 0;
        uint16_t deviceType = 0;
        if (ifc.host && nifb::dd::IdentityOfDeviceId(ifc.host->deviceId, manufacturerId, deviceType) &&
            !add(*ifc.host))
            return false;
        for (const auto& device : ifc.devices) {
            if (!add(*device)) return false;
            std::string buildError;
            std::unique_ptr<Device> full = FullyEquipped(*device, buildError);
            if (device->positioner && !full) {
                error = device->deviceId + ": " + buildError;
                return false;
            }
            if (full && !add(*full)) return false;
        }
    }
    out.clear();
    for (auto& [key, d] : types) out.push_back(std::move(d));
    return true;
}

bool WriteDescriptions(const std::vector<dd::Description>& descriptions, const std::string& folder,
                       std::vector<std::string>& written, std::string& error) {
    written.clear();
    for (const dd::Description& d : descriptions) {
        const std::string path = dd::DescriptionPath(folder, d.manufacturerId, d.deviceType, d.deviceRevision);
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
        if (ec) {
            error = path + ": " + ec.message();
            return false;
        }
        if (!platform::WriteFileAtomically(path, dd::WriteDescription(d), &error)) {
            error = path + ": " + error;
            return false;
        }
        written.push_back(path);
    }
    return true;
}

}  // namespace simulator
