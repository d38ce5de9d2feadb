// Every name the server resolves on the shipped segments' devices resolves through the
// devices' written-then-read descriptions to the same object: index, subindex, size, type,
// name, attributes and description text, and every name it refuses is refused with the
// same status.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "nifb/IndexName.h"
#include "nifb/ObjectRecords.h"
#include "nifb/dd/DeviceDescription.h"
#include "simulator/DeviceDescriptions.h"
#include "simulator/SegmentBackend.h"
#include "simulator/SegmentLoader.h"
#include "simulator/tests/TestSegments.h"

namespace {

using nifb::Op;
using nifb::Request;
using nifb::Response;
namespace dd = nifb::dd;

std::string Folder(const std::string& name) {
    auto dir = std::filesystem::temp_directory_path() / ("dd-test-" + std::to_string(::getpid()) + "-" + name);
    std::filesystem::remove_all(dir);
    return dir.string();
}

// Where a name is resolved: a block, a VFD, or the MIB.
enum class On { Block, Vfd, Mib };

class Oracle {
public:
    explicit Oracle(std::shared_ptr<simulator::Segment> segment)
        : segment_(std::move(segment)), backend_(segment_) {
        session_ = Open(Op::OpenSession, 0, "");
    }

    Response Call(Op op, uint32_t desc, const std::string& name, uint32_t a0 = 0, uint32_t a1 = 0) {
        Request r;
        r.op = op;
        r.desc = desc;
        r.name = name;
        r.arg[0] = a0;
        r.arg[1] = a1;
        return backend_.Call(r);
    }
    uint32_t Open(Op op, uint32_t desc, const std::string& name, uint32_t a0 = 0, uint32_t a1 = 0) {
        Response r = Call(op, desc, name, a0, a1);
        EXPECT_EQ(r.status, E_OK) << name;
        return r.value[0];
    }
    uint32_t session_ = 0;
    std::shared_ptr<simulator::Segment> segment_;
    simulator::SegmentBackend backend_;
};

// One device: its descriptors, its block list as the server lists it, and its description.
struct DeviceUnderTest {
    simulator::Device* device = nullptr;
    uint32_t vfd = 0, mib = 0;
    std::vector<uint32_t> blockDescs;
    std::vector<dd::BlockPlace> places;
    dd::Description description;
};

class Comparison {
public:
    Comparison(Oracle& oracle, DeviceUnderTest& dut) : oracle_(oracle), dut_(dut) {}

    // Resolves `name` on the server and through the description and compares everything.
    void Check(On on, size_t block, const std::string& name) {
        ++checked;
        const uint32_t desc = on == On::Block ? dut_.blockDescs[block] : on == On::Vfd ? dut_.vfd : dut_.mib;
        const std::string where = dut_.device->deviceId + " " +
                                  (on == On::Block ? dut_.places[block].tag : on == On::Vfd ? "VFD" : "MIB") +
                                  " '" + name + "'";
        dd::Resolved r;
        int st = on == On::Block ? dd::ResolveOnBlock(dut_.description, dut_.places[block], name, r)
                 : on == On::Vfd ? dd::ResolveOnVfd(dut_.description, dut_.places, name, r)
                                 : dd::ResolveOnMib(dut_.description, name, r);
        Response size = oracle_.Call(Op::GetObjectSize, desc, name);
        ASSERT_EQ(st, size.status) << where;
        if (st != E_OK) return;
        ++resolved;

        simulator::ObjectRef ref;
        simulator::Block* only = on == On::Block ? &dut_.device->blocks[block] : nullptr;
        ASSERT_EQ(dut_.device->Resolve(on == On::Mib ? simulator::Space::Mib : simulator::Space::FbVfd, only, name, ref),
                  E_OK)
            << where;
        EXPECT_EQ(r.index, ref.object->index) << where;
        EXPECT_EQ(r.subindex, ref.member + 1) << where;
        EXPECT_EQ(r.size, size.value[0]) << where;
        EXPECT_EQ(r.size, dut_.device->SizeOf(ref)) << where;

        Response name_ = oracle_.Call(Op::GetObjectName, desc, name);
        ASSERT_EQ(name_.status, E_OK) << where;
        EXPECT_EQ(dd::NameOf(r), std::string(name_.data.begin(), name_.data.end())) << where;

        Response text = oracle_.Call(Op::GetObjectDescription, desc, name);
        ASSERT_EQ(text.status, E_OK) << where;
        EXPECT_EQ(dd::DescriptionTextOf(r), std::string(text.data.begin(), text.data.end())) << where;

        nifb::TypeInfo serverType;
        Response type = oracle_.Call(Op::GetObjectType, desc, name);
        ASSERT_EQ(type.status, E_OK) << where;
        ASSERT_TRUE(nifb::DecodeTypeInfo(type.data, serverType)) << where;
        EXPECT_EQ(nifb::EncodeTypeInfo(dd::TypeOf(r)), nifb::EncodeTypeInfo(serverType)) << where;

        nifb::AttributeInfo serverAttributes;
        Response attributes = oracle_.Call(Op::GetObjectAttributes, desc, name);
        ASSERT_EQ(attributes.status, E_OK) << where;
        ASSERT_TRUE(nifb::DecodeAttributeInfo(attributes.data, serverAttributes)) << where;
        EXPECT_EQ(nifb::EncodeAttributeInfo(dd::AttributesOf(r)), nifb::EncodeAttributeInfo(serverAttributes))
            << where;
    }

    // The names of one object: by name, members by name and number (one past the last too),
    // and its index with every subindex up to one past the last.
    void CheckObject(On on, size_t block, const std::string& prefix, const simulator::DeviceObject& o) {
        const std::string name = prefix + o.name;
        Check(on, block, name);
        const size_t count = o.IsView() ? o.viewMembers.size() : o.members.size();
        for (size_t k = 0; k <= count + 1; ++k) Check(on, block, name + "." + std::to_string(k));
        for (const simulator::Member& m : o.members)
            if (!m.name.empty()) Check(on, block, name + "." + m.name);
        Check(on, block, name + ".NO_SUCH_MEMBER");
        if (on == On::Vfd && !prefix.empty()) return;  // index names do not carry a tag
        for (size_t k = 0; k <= count + 1; ++k)
            Check(on, block, k == 0 ? nifb::IndexName(o.index) : nifb::IndexSubindexName(o.index, static_cast<uint32_t>(k)));
    }

    size_t checked = 0, resolved = 0;

private:
    Oracle& oracle_;
    DeviceUnderTest& dut_;
};

void CompareSegment(const std::string& segmentFile) {
    SCOPED_TRACE(segmentFile);
    simulator::LoadOptions options;
    options.manualClock = true;
    std::string error;
    auto segment = simulator::LoadSegmentFile(segmentFile, options, error);
    ASSERT_TRUE(segment) << error;

    // The descriptions go through their files: written, then read back.
    std::vector<dd::Description> descriptions;
    ASSERT_TRUE(simulator::DescribeSegment(*segment, descriptions, error)) << error;
    const std::string folder = Folder("match");
    std::vector<std::string> written;
    ASSERT_TRUE(simulator::WriteDescriptions(descriptions, folder, written, error)) << error;

    Oracle oracle(segment);
    size_t devices = 0, checked = 0, resolved = 0;
    for (size_t i = 0; i < segment->interfaces.size(); ++i) {
        const uint32_t link = oracle.Open(Op::OpenLink, oracle.session_, "", 1, static_cast<uint32_t>(i));
        for (auto& device : segment->interfaces[i].devices) {
            DeviceUnderTest dut;
            dut.device = device.get();
            const std::string path = dd::DescriptionPath(folder, device->manufacturerId, device->deviceType,
                                                         device->deviceRevision);
            ASSERT_EQ(dd::LoadDescription(path, dut.description, error), E_OK) << error;
            const uint32_t dev = oracle.Open(Op::OpenPhysicalDevice, link, device->deviceId, NIF_BY_DEVICE_ID);
            dut.vfd = oracle.Open(Op::OpenVfd, dev, device->vfdTag);
            dut.mib = oracle.Open(Op::OpenVfd, dev, "MIB");
            // The block list as a host gets it from the device.
            Response list = oracle.Call(Op::GetBlockList, dut.vfd, "", 0xFFFF, 64);
            ASSERT_EQ(list.status, E_OK);
            for (size_t b = 0; b < list.data.size() / sizeof(nifBlockInfo); ++b) {
                nifBlockInfo info;
                std::memcpy(&info, list.data.data() + b * sizeof info, sizeof info);
                std::string tag(info.blockTag, 32);
                while (!tag.empty() && tag.back() == ' ') tag.pop_back();
                dut.places.push_back({tag, info.startIndex, info.ddItem});
                dut.blockDescs.push_back(oracle.Open(Op::OpenBlock, dut.vfd, tag));
            }
            ASSERT_EQ(dut.places.size(), device->blocks.size());

            Comparison c(oracle, dut);
            for (size_t b = 0; b < device->blocks.size(); ++b) {
                const simulator::Block& block = device->blocks[b];
                for (const simulator::DeviceObject& o : block.objects) {
                    c.CheckObject(On::Block, b, "", o);
                    c.CheckObject(On::Vfd, b, block.tag + ".", o);
                    c.Check(On::Vfd, b, nifb::IndexName(o.index));  // block objects by index on the VFD
                }
                c.Check(On::Block, b, "NO_SUCH_PARAMETER");
                c.Check(On::Block, b, nifb::IndexName(block.startIndex + block.objects.size()));
                c.Check(On::Block, b, nifb::IndexName(block.startIndex - 1u));
                c.Check(On::Vfd, b, block.tag + ".NO_SUCH_PARAMETER");
                c.Check(On::Block, b, device->vfdObjects.empty() ? "X" : device->vfdObjects[0].name);
            }
            for (const simulator::DeviceObject& o : device->vfdObjects) c.CheckObject(On::Vfd, 0, "", o);
            for (const simulator::DeviceObject& o : device->mib) c.CheckObject(On::Mib, 0, "", o);
            c.Check(On::Vfd, 0, "NO_SUCH_TAG.MODE_BLK");
            c.Check(On::Vfd, 0, "MODE_BLK");
            c.Check(On::Vfd, 0, nifb::IndexName(65535));
            c.Check(On::Mib, 0, "NO_SUCH_OBJECT");
            c.Check(On::Mib, 0, nifb::IndexName(259));
            ++devices;
            checked += c.checked;
            resolved += c.resolved;
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
    std::filesystem::remove_all(folder);
    // The walk reached every device and a good share of names resolved.
    EXPECT_GT(devices, 0u);
    EXPECT_GT(resolved, checked / 3);
    std::printf("%s: %zu devices, %zu names compared, %zu resolved\n", segmentFile.c_str(), devices, checked, resolved);
}

TEST(DescriptionMatchesServer, EveryNameOfTheShippedSegmentsResolvesAsTheServerResolvesIt) {
    CompareSegment(NIFB_DEFAULT_SEGMENT_FILE);
    if (HasFatalFailure()) return;
    CompareSegment(NIFB_POPULATION_SEGMENT_FILE);
}

}  // namespace
