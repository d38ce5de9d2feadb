// Segment files: the shipped default segment, and files that must be refused.
#include <gtest/gtest.h>

#include <set>

#include "simulator/InProcessSegment.h"
#include "simulator/SegmentLoader.h"

namespace simulator {
namespace {

TEST(SegmentLoader, TheDefaultSegmentHoldsBothFamiliesALinkMasterAndANonPositioner) {
    std::string error;
    auto seg = LoadSegmentFile(NIFB_DEFAULT_SEGMENT, LoadOptions(), error);
    ASSERT_TRUE(seg) << error;
    ASSERT_FALSE(seg->interfaces.empty());
    int positioners = 0, others = 0, lmTypes = 0, withSignature = 0, withoutSignature = 0;
    std::set<uint32_t> families;
    std::set<uint16_t> types;
    std::set<int> addresses;
    for (const auto& d : seg->interfaces[0].devices) {
        EXPECT_FALSE(d->pdTag.empty());
        EXPECT_GE(d->address, 16);
        EXPECT_LE(d->address, 247);
        EXPECT_TRUE(addresses.insert(d->address).second);
        if (!d->positioner) {
            ++others;
            continue;
        }
        ++positioners;
        families.insert(d->manufacturerId);
        types.insert(d->deviceType);
        lmTypes += d->linkMasterType;
        const Block* tb = d->BlockByKind("TB");
        ASSERT_NE(tb, nullptr);
        bool signature = BitsFromWire(tb->Obj("DEV_OPTIONS")->value, 0, 2) & 2u;
        (signature ? withSignature : withoutSignature)++;
    }
    EXPECT_GE(positioners, 3);
    EXPECT_GE(others, 1);
    EXPECT_EQ(families, (std::set<uint32_t>{0x42524B, 0x4B5445}));
    EXPECT_EQ(types, (std::set<uint16_t>{1, 7}));
    EXPECT_GE(lmTypes, 1);
    EXPECT_GE(withSignature, 1);
    EXPECT_GE(withoutSignature, 1);
}

TEST(SegmentLoader, RefusesBrokenFilesWithAMessageNamingTheProblem) {
    struct Case {
        const char* json;
        const char* message;
    } cases[] = {
        {"{\"interfaces\": [", "not valid JSON"},
        {"[]", "one JSON object"},
        {"{}", "\"interfaces\""},
        {R"({"interfaces":[{"devices":[{"kind":"pump"}]}]})", "unknown device kind 'pump'"},
        {R"({"interfaces":[{"devices":[{"address":300}]}]})", "address must be a whole number from 16 to 251"},
        {R"({"interfaces":[{"devices":[{"deviceType":3}]}]})", "device type must be 1 or 7"},
        {R"({"interfaces":[{"devices":[{"manufacturerId":"XYZ"}]}]})", "not a hex number"},
        {R"({"interfaces":[{"devices":[{"serial":"A","address":20},{"serial":"B","address":20}]}]})",
         "node address 20 is used twice"},
        {R"({"interfaces":[{"devices":[{"serial":"A"},{"serial":"A"}]}]})", "appears twice"},
        {R"({"interfaces":[{"devices":[{"tag":"0123456789012345678901234567890123"}]}]})", "longer than 32"},
        {R"({"interfaces":[{"devices":[{"faults":{"commErrorRate":2}}]}]})", "commErrorRate"},
        {R"({"interfaces":[{"type":"Token Ring"}]})", "H1 or Ethernet"},
        {R"({"interfaces":[{"devices":[{"manufacturerId":4342347}]}]})", "must be hex text"},
        {R"({"interfaces":[{"devices":[{"faults":{"silentAtMs":-100}}]}]})", "silentAtMs must be a whole number"},
        {R"({"responseTimeoutMs":-1,"interfaces":[{}]})", "responseTimeoutMs must be a whole number from 1"},
        {R"({"settleMs":1e300,"interfaces":[{}]})", "settleMs must be a whole number"},
        {R"({"interfaces":[{"devices":[{"tag":42}]}]})", "tag must be a text"},
        {R"({"interfaces":[{"devices":[{"pid":"yes"}]}]})", "pid must be true or false"},
        {R"({"interfaces":[{"devices":[{"valve":{"frictionKpa":-1}}]}]})", "valve: frictionKpa"},
        {R"({"interfaces":[{"devices":[{"valve":{"springRangeKpa":[80,20]}}]}]})", "springRangeKpa must rise"},
        {R"({"interfaces":[{"devices":[{"valve":{"supplyKpa":90}}]}]})", "supplyKpa must exceed"},
        {R"({"interfaces":[{"devices":[{"valve":{"failAction":"open"}}]}]})", "airToOpen or airToClose"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(LoadSegment(c.json, LoadOptions(), error)) << c.json;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.json << " -> " << error;
    }
    std::string error;
    EXPECT_FALSE(LoadSegmentFile("/nonexistent/segment.json", LoadOptions(), error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
}

TEST(SegmentLoader, AnEthernetInterfaceListsItsRecordsAsGiven) {
    std::string error;
    auto seg = LoadSegment(R"({"interfaces":[
        {"name":"Interface0-0","devices":[]},
        {"name":"Enet","description":"ETHERNET INTERFACE","type":"Ethernet","liveList":[
           {"deviceId":"0000000001NIFB-HOST-0","address":16,"classFlags":16},
           {"deviceId":"LINKING-DEVICE-1","tag":"LD-1","address":17,"classFlags":32}]}]})",
                           LoadOptions(), error);
    ASSERT_TRUE(seg) << error;
    auto list = seg->LiveList(seg->interfaces[1], 0);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].classFlags, NIF_CLASS_BRIDGED);
    EXPECT_EQ(list[1].classFlags, NIF_CLASS_LINKING);
    EXPECT_STREQ(list[1].pdTag, "LD-1");
    // The H1 interface lists its own host record (class 2) first.
    auto h1 = seg->LiveList(seg->interfaces[0], 0);
    ASSERT_EQ(h1.size(), 1u);
    EXPECT_EQ(h1[0].classFlags, NIF_CLASS_INTERFACE);
}

TEST(SegmentLoader, TheDefaultSegmentPathFollowsTheEnvironment) {
    setenv("NIFB_SEGMENT", "/somewhere/else.json", 1);
    EXPECT_EQ(DefaultSegmentPath(), "/somewhere/else.json");
    unsetenv("NIFB_SEGMENT");
}

}  // namespace
}  // namespace simulator

namespace simulator {
namespace {

TEST(InProcessSegment, TheCEntryHostsAGivenOrTheDefaultSegment) {
    EXPECT_EQ(nifUseInProcessSegment("{not json"), E_CONFIG_ERROR);
    setenv("NIFB_SEGMENT", NIFB_DEFAULT_SEGMENT, 1);
    ASSERT_EQ(nifUseInProcessSegment(nullptr), E_OK);
    unsetenv("NIFB_SEGMENT");
    nifDesc_t session = 0, link = 0;
    ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
    ASSERT_EQ(nifOpenLink(session, 1, nullptr, 0, &link), E_OK);  // first interface by position
    nifLiveListEntry live[32];
    uint16_t n = 32;
    ASSERT_EQ(nifGetDeviceList(link, live, &n, nullptr), E_OK);
    EXPECT_GE(n, 5);
    nifClose(session);
    nifUseServer();
}

}  // namespace
}  // namespace simulator
