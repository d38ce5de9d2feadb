// Tag and address handling, restart, boot class and the injected faults.
#include <chrono>

#include "simulator/tests/DeviceFixture.h"

namespace simulator::testing {
namespace {

const char* kFv = "42524B0001J0000010";

class ManagementTest : public DeviceFixture {
protected:
    nifDesc_t OpenById(const char* id) {
        nifDesc_t d = 0;
        EXPECT_EQ(nifOpenPhysicalDevice(link_, NIF_BY_DEVICE_ID, id, &d), E_OK);
        return d;
    }
};

TEST_F(ManagementTest, AClearedDeviceShowsAtTheDefaultAddressWithoutTagUntilSet) {
    nifDesc_t dev = OpenById(kFv);
    EXPECT_EQ(nifSetTag(dev, "NEW-TAG"), E_DEVICE_NOT_CLEARED);
    ASSERT_EQ(nifSetAddress(dev, 248), E_OK);
    ASSERT_EQ(nifClear(dev, NIF_CLEAR_TAG_AND_ADDRESS), E_OK);
    auto live = LiveList();
    const nifLiveListEntry* e = Find(live, kFv);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->nodeAddress, 248);
    EXPECT_STREQ(e->pdTag, "");
    EXPECT_EQ(nifSetAddress(dev, 30), E_SM_NOT_INITIALIZED);  // no tag yet
    ASSERT_EQ(nifSetTag(dev, "NEW-TAG"), E_OK);
    EXPECT_EQ(nifSetAddress(dev, 21), E_ILLEGAL_PARAMETER);  // KV-201 is there
    EXPECT_EQ(nifSetAddress(dev, 15), E_BAD_ARGUMENT);
    ASSERT_EQ(nifSetAddress(dev, 30), E_OK);
    live = LiveList();
    e = Find(live, kFv);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->nodeAddress, 30);
    EXPECT_STREQ(e->pdTag, "NEW-TAG");
    auto tag = Read(OpenMib("NEW-TAG"), "PD_TAG");
    EXPECT_EQ(std::string(tag.begin(), tag.begin() + 7), "NEW-TAG");
}

TEST_F(ManagementTest, BlockTagsChangeOnlyOutOfService) {
    nifDesc_t vfd = OpenVfd("FV-101");
    nifDesc_t block = 0;
    ASSERT_EQ(nifOpenBlock(vfd, "FV101_DI1", &block), E_OK);
    EXPECT_EQ(nifSetTag(block, "LIMIT_LOW"), E_WRONG_MODE_FOR_REQUEST);
    ASSERT_EQ(WriteU8(block, "MODE_BLK.TARGET", 0x01), E_OK);
    Advance(500);
    ASSERT_EQ(nifSetTag(block, "LIMIT_LOW"), E_OK);
    nifBlockInfo blocks[20];
    uint16_t n = 20;
    ASSERT_EQ(nifGetBlockList(vfd, NIF_FUNCTION_BLOCK, blocks, &n), E_OK);
    EXPECT_EQ(std::string(blocks[1].blockTag, 9), "LIMIT_LOW");
    EXPECT_EQ(ReadU8(vfd, "LIMIT_LOW.MODE_BLK.ACTUAL"), 0x01);
}

TEST_F(ManagementTest, RestartLeavesTheLiveListForAMomentAndAppliesTheBootClass) {
    nifDesc_t mib = OpenMib("KV-201");
    nifDesc_t vfd = OpenVfd("KV-201");
    ASSERT_EQ(WriteU8(mib, "BOOT_OPERAT_FUNCTIONAL_CLASS", 1), E_OK);
    EXPECT_EQ(Read(mib, "DLME_BASIC_CHARACTERISTICS")[2] & 3, 2);  // not before the restart
    ASSERT_EQ(WriteU8(vfd, "KV201_RES.RESTART", 4), E_OK);
    EXPECT_EQ(Find(LiveList(), "4B54450007J0000006"), nullptr);
    Advance(2000);
    auto live = LiveList();
    const nifLiveListEntry* e = Find(live, "4B54450007J0000006");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->classFlags, NIF_CLASS_BASIC);
    EXPECT_EQ(ReadU8(vfd, "KV201_RES.RESTART"), 1);
    EXPECT_EQ(Read(mib, "DLME_BASIC_CHARACTERISTICS")[2] & 3, 1);
    // A device that is not of link-master type cannot be made one.
    EXPECT_EQ(WriteU8(OpenMib("FV-101"), "BOOT_OPERAT_FUNCTIONAL_CLASS", 2), E_PARAMETER_CHECK);
}

TEST_F(ManagementTest, ACallDuringARestartWaitsForTheDevice) {
    nifDesc_t vfd = OpenVfd("FV-101");
    ASSERT_EQ(WriteU8(vfd, "FV101_RES.RESTART", 4), E_OK);
    EXPECT_EQ(ReadU8(vfd, "FV101_RES.RESTART"), 1);  // answered once it is back (2 s < 4 s)
}

TEST_F(ManagementTest, ASilentDeviceTimesOutAndLeavesTheLiveListUntilItAnswersAgain) {
    nifDesc_t vfd = OpenVfd("FV-101");
    ASSERT_EQ(Control(R"({"command":"silence","device":"FV-101","forMs":10000})"), E_OK);
    EXPECT_EQ(Find(LiveList(), kFv), nullptr);
    int st = E_OK;
    Read(vfd, "FV101_TB.FINAL_VALUE", &st);
    EXPECT_EQ(st, E_TIMEOUT);
    nifDesc_t again = 0;
    EXPECT_EQ(nifOpenPhysicalDevice(link_, NIF_BY_DEVICE_ID, kFv, &again), E_NOT_FOUND);
    Advance(6000);
    EXPECT_NE(Find(LiveList(), kFv), nullptr);
    Read(vfd, "FV101_TB.FINAL_VALUE", &st);
    EXPECT_EQ(st, E_OK);
}

TEST_F(ManagementTest, VfdChangedIsReportedOnceAndCommErrorsFollowTheirRate) {
    ASSERT_EQ(Control(R"({"command":"vfdChanged","device":"FV-101"})"), E_OK);
    nifDesc_t dev = OpenById(kFv);
    nifVfdInfo v;
    uint16_t n = 1;
    EXPECT_EQ(nifGetVFDList(dev, &v, &n), E_VFD_CHANGED);
    EXPECT_EQ(nifGetVFDList(dev, &v, &n), E_OK);

    nifDesc_t vfd = OpenVfd("FV-101");
    ASSERT_EQ(Control(R"({"command":"commErrors","device":"FV-101","rate":0.25})"), E_OK);
    int errors = 0;
    for (int i = 0; i < 400; ++i) {
        int st = E_OK;
        Read(vfd, "FV101_TB.FINAL_VALUE", &st);
        if (st == E_COMM_ERROR) ++errors;
        else EXPECT_EQ(st, E_OK);
    }
    EXPECT_GT(errors, 60);
    EXPECT_LT(errors, 140);
    EXPECT_EQ(Control(R"({"command":"commErrors","device":"nobody","rate":1})"), E_BAD_ARGUMENT);
}

TEST_F(ManagementTest, ALiveListOfFortyDevicesDeliversTheFirstRecordsTheBufferHolds) {
    std::string devices;
    for (int i = 0; i < 40; ++i) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "J%07d", i + 100);
        devices += std::string(i ? "," : "") + R"({"kind":"positioner","serial":")" + serial + R"(","tag":"V-)" +
                   std::to_string(i) + R"(","address":)" + std::to_string(20 + i) + "}";
    }
    nifClose(session_);
    Load(R"({"interfaces":[{"name":"Interface0-0","devices":[)" + devices + "]}]}");
    std::vector<nifLiveListEntry> list(32);
    uint16_t n = 32;
    uint32_t total = 0;
    ASSERT_EQ(nifGetDeviceList(link_, list.data(), &n, &total), E_OK);
    EXPECT_EQ(n, 32);
    EXPECT_EQ(total, 41u);  // forty devices and the host interface
}

// Numbers out of range are refused with a message and change nothing; so is anything that
// is not a command, however long or deep.
TEST_F(ManagementTest, ControlCommandsRefuseWhatDoesNotFit) {
    std::string answer;
    for (const char* bad : {R"({"command":"speed","factor":1e-300})", R"({"command":"speed","factor":"fast"})",
                            R"({"command":"silence","device":"FV-101","afterMs":-5})",
                            R"({"command":"silence","device":"FV-101","forMs":1.5})",
                            R"({"command":"advance","ms":-1})", R"({"command":"commErrors","device":"FV-101","rate":2})",
                            R"({"command":"latency","on":"yes"})", R"({"command":7})", "[1,2]", "not json"}) {
        EXPECT_EQ(nifb::SendControl(session_, bad, answer), E_BAD_ARGUMENT) << bad;
        EXPECT_NE(answer.find("\"ok\":false"), std::string::npos) << bad << " -> " << answer;
    }
    EXPECT_EQ(nifb::SendControl(session_, std::string(200000, '['), answer), E_BAD_ARGUMENT);
    EXPECT_EQ(nifb::SendControl(session_, std::string(5000, '[') + std::string(5000, ']'), answer), E_BAD_ARGUMENT);
    EXPECT_NE(answer.find("nesting too deep"), std::string::npos) << answer;
    // Nothing changed: the device answers and the clock did not move.
    ASSERT_EQ(nifb::SendControl(session_, R"({"command":"status"})", answer), E_OK);
    EXPECT_NE(answer.find("\"answering\":true"), std::string::npos);
    EXPECT_EQ(answer.find("\"answering\":false"), std::string::npos);
    EXPECT_NE(answer.find("\"timeMs\":0"), std::string::npos) << answer;
}

// Closing a session takes every descriptor opened in it along, in time that grows with
// their number only.
TEST_F(ManagementTest, ClosingASessionWithManyDescriptorsIsQuick) {
    nifDesc_t vfd = OpenVfd("FV-101");
    for (int i = 0; i < 20000; ++i) {
        nifDesc_t block = 0;
        ASSERT_EQ(nifOpenBlock(vfd, makeIndex(static_cast<uint32_t>(i % 6)), &block), E_OK);
    }
    EXPECT_GT(backend_->OpenDescriptorCount(), 20000u);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(nifClose(session_), E_OK);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_EQ(backend_->OpenDescriptorCount(), 0u);
}

}  // namespace
}  // namespace simulator::testing
