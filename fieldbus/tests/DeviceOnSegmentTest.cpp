// The device against the simulated segment hosted in-process: open a positioner found on
// the live list and use every typed read accessor, enumeration texts, mode rules, the
// schedule and block tags with the segment's own object dictionary.
#include <gtest/gtest.h>

#include <cstring>

#include "fieldbus/BlockKind.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/MessageLog.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"
#include "simulator/InProcessSegment.h"
#include "support/DeviceTestBed.h"

namespace fieldbus::testing {
namespace {

const char* const kSegment = R"({"name":"device test","settleMs":0,"responseTimeoutMs":4000,
  "interfaces":[{"name":"Interface0-0","description":"H1 LINK 0","devices":[
    {"kind":"positioner","family":"RPX","deviceType":1,"deviceRevision":2,"serial":"J0000010",
     "tag":"FV-101","address":20,"blockTagPrefix":"FV101","pid":true,"signature":true},
    {"kind":"positioner","family":"KPX","deviceType":7,"deviceRevision":2,"serial":"J0000006",
     "tag":"KV-201","address":21,"blockTagPrefix":"KV201","signature":false,"bootClass":"linkMaster"}]}]})";

class DeviceOnSegmentTest : public ::testing::Test {
protected:
    void SetUp() override {
        simulator::LoadOptions options;
        options.manualClock = true;
        options.latency = 0;
        options.settleMs = 0;
        std::string error;
        backend = simulator::UseInProcessSegment(kSegment, options, error);
        ASSERT_TRUE(backend) << error;
        ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
        nifInterfaceInfo interfaces[4] = {};
        uint16_t count = 4;
        ASSERT_EQ(nifGetInterfaceList(session, &count, interfaces), E_OK);
        ASSERT_EQ(nifOpenLink(session, 0, interfaces[0].interfaceName, 0, &link.link), E_OK);
        link.window = platform::MessageDispatcher::Instance().Register(&window);
        device.SetLink(&link);
        MessageLog::Instance().Clear();
    }

    void TearDown() override {
        device.CloseDevice();
        nifClose(session);
        nifb::UseInProcessBackend(nullptr);
        platform::MessageDispatcher::Instance().Unregister(link.window);
        MessageLog::Instance().Clear();
        ResetBlockIds();
    }

    void Open(const std::string& tag) {
        nifLiveListEntry entries[32] = {};
        uint16_t count = 32;
        ASSERT_EQ(nifGetDeviceList(link.link, entries, &count, nullptr), E_OK);
        for (uint16_t i = 0; i < count; ++i)
            if (tag == entries[i].pdTag) device.BindSlot(1, entries[i].deviceId, entries[i].pdTag);
        ASSERT_EQ(device.Tag(), tag);
        ASSERT_EQ(device.OpenDevice(), 0);
        ASSERT_EQ(device.ReadBackBlockTags(), 0);
        ui.Clear();
    }

    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;
    std::shared_ptr<simulator::SegmentBackend> backend;
    nifDesc_t session = 0;
    TestLink link;
    RecordingWindow window;
    FieldbusDevice device;
};

TEST_F(DeviceOnSegmentTest, OpensThePositionerAndRecognisesItsBlocks) {
    Open("FV-101");
    EXPECT_GE(device.BlockOf(BlockKind::RB), 0);
    EXPECT_GE(device.BlockOf(BlockKind::TB), 0);
    EXPECT_GE(device.BlockOf(BlockKind::AO), 0);
    EXPECT_GE(device.BlockOf(BlockKind::PID), 0);
    EXPECT_GE(device.BlockOf(BlockKind::DI1), 0);
    EXPECT_GE(device.BlockOf(BlockKind::DI2), 0);
    EXPECT_EQ(device.GetBlockTag(device.BlockOf(BlockKind::TB)).rfind("FV101", 0), 0u);
    EXPECT_EQ(device.GetBlockRecord(device.BlockOf(BlockKind::AO)).startIndex, 5000);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(DeviceOnSegmentTest, EveryTypedReadOfThePresentBlocksSucceeds) {
    Open("FV-101");
    std::vector<std::string> failed;
#define FIELDBUS_TRY_READ(fn, kind, name, type, wire)                                     \
    if (device.BlockOf(BlockKind::kind) >= 0) {                                                  \
        type value{};                                                                     \
        if (device.fn(value) != 0) failed.push_back(#fn);                                 \
    }
#define FIELDBUS_TRY_TEXT(fn, kind, name, type, wire)                                     \
    if (device.BlockOf(BlockKind::kind) >= 0) {                                                  \
        type value{};                                                                     \
        std::string text;                                                                 \
        if (device.fn(value, text) != 0) failed.push_back(#fn);                           \
    }
    FIELDBUS_READ_ACCESSORS(FIELDBUS_TRY_READ)
    FIELDBUS_TEXT_ACCESSORS(FIELDBUS_TRY_TEXT)
#undef FIELDBUS_TRY_READ
#undef FIELDBUS_TRY_TEXT
    std::string list;
    for (const std::string& f : failed) list += f + " ";
    EXPECT_TRUE(failed.empty()) << list;
    for (const std::string& line : MessageLog::Instance().Peek()) ADD_FAILURE() << line;
    for (const std::string& text : ui.Texts()) ADD_FAILURE() << text;

    uint32_t manufacturer = 0;
    ASSERT_EQ(device.ReadRbManufacId(manufacturer), 0);
    EXPECT_EQ(manufacturer, 0x42524Bu);
    float gain = 0;
    ASSERT_EQ(device.ReadTbServoGain(gain), 0);
    EXPECT_FLOAT_EQ(gain, 120.0f);
}

TEST_F(DeviceOnSegmentTest, EnumerationTextsComeFromTheDescription) {
    Open("FV-101");
    const int tb = device.BlockOf(BlockKind::TB);
    std::vector<std::string> texts;
    ASSERT_EQ(device.GetEnumTexts(tb, "ACTUATOR_TYPE", texts), 0);
    ASSERT_FALSE(texts.empty());
    uint8_t value = 0;
    ASSERT_EQ(device.FindEnumValue(tb, "ACTUATOR_TYPE", texts.front(), value), 0);
    std::string text;
    ASSERT_EQ(device.GetEnumText(tb, "ACTUATOR_TYPE", text, value), 0);
    EXPECT_EQ(text, texts.front());
    for (const std::string& t : texts) EXPECT_EQ(t.find('|'), std::string::npos) << t;
}

TEST_F(DeviceOnSegmentTest, AoOutNeedsManualModeOnTheSegment) {
    Open("FV-101");
    const int ao = device.BlockOf(BlockKind::AO);
    uint8_t actual = 0;
    uint16_t size = 1;
    ASSERT_EQ(device.ReadParameter(ao, "MODE_BLK.ACTUAL", &actual, size), 0);
    ASSERT_NE(actual, 0x08);
    StatusValue before;
    ASSERT_EQ(device.ReadAoOut(before), 0);
    EXPECT_EQ(device.WriteAoOutValue(before.value + 10.0f), 1);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Error: Write AO Out is only allowed in Man mode."});
    StatusValue after;
    ASSERT_EQ(device.ReadAoOut(after), 0);
    EXPECT_FLOAT_EQ(after.value, before.value);
}

TEST_F(DeviceOnSegmentTest, ScheduleResetLeavesOnlyTheAoEntryRunning) {
    Open("FV-101");
    ASSERT_EQ(device.ResetBlockSchedule(), 0);
    int number = 0;
    ScheduleEntry entry;
    ASSERT_EQ(device.FindScheduleEntry(5000, number, entry), 0);
    EXPECT_GT(number, 0);
    EXPECT_EQ(entry.startOffset, 0u);
    for (uint16_t index : {uint16_t{6000}, uint16_t{6100}, uint16_t{8000}}) {
        ASSERT_EQ(device.FindScheduleEntry(index, number, entry), 0);
        if (number > 0) {
            EXPECT_EQ(entry.startOffset, 0xFFFFFFFFu) << index;
        }
    }
    EXPECT_TRUE(MessageLog::Instance().Peek().empty());
}

TEST_F(DeviceOnSegmentTest, BlockTagOfABlockOutOfServiceIsSetAndReadBack) {
    Open("FV-101");
    const int di = device.BlockOf(BlockKind::DI1);
    const uint8_t oos = 0x01;
    ASSERT_EQ(device.WriteParameter(di, "MODE_BLK.TARGET", &oos, 1), 0);
    ui.Answer(platform::IDYES, "Some requested parameters change will take effect only after");
    ASSERT_EQ(device.SetBlockTag(di, "DI_NEW"), 0) << (ui.Texts().empty() ? "" : ui.Texts().front());
    EXPECT_EQ(device.GetBlockTag(di), "DI_NEW");
    // The new tag is what later accesses address.
    uint8_t mode = 0;
    uint16_t size = 1;
    EXPECT_EQ(device.ReadParameter(di, "MODE_BLK.TARGET", &mode, size), 0);
    EXPECT_EQ(mode, oos);
}

TEST_F(DeviceOnSegmentTest, LinkMasterPositionerOpensToo) {
    Open("KV-201");
    EXPECT_GE(device.BlockOf(BlockKind::SPLT), 0);
    RawRecord28 view{};
    EXPECT_EQ(device.ReadSpltView1(view), 0);
}

}  // namespace
}  // namespace fieldbus::testing

namespace fieldbus::testing {
namespace {

// Every typed write names an object of the segment and has its size: with the blocks out of
// service a write either succeeds or is refused by the value checks only.
TEST_F(DeviceOnSegmentTest, EveryTypedWriteMatchesTheSegmentsObjects) {
    Open("FV-101");
    const uint8_t oos = 0x01;
    for (BlockKind kind : {BlockKind::AO, BlockKind::TB, BlockKind::PID})
        ASSERT_EQ(device.WriteParameter(device.BlockOf(kind), "MODE_BLK.TARGET", &oos, 1), 0);
    std::vector<std::string> failed;
#define FIELDBUS_TRY_WRITE(fn, kind, name, type, wire, rule)                                  \
    if (device.BlockOf(BlockKind::kind) >= 0 && std::string(#rule) != "Failsafe") {            \
        type value{};                                                                         \
        if (device.fn(value) != 0 && device.LastStatus() != E_PARAMETER_CHECK &&              \
            device.LastStatus() != E_EXCEED_LIMIT)                                            \
            failed.push_back(std::string(#fn) + " " + std::to_string(device.LastStatus()));   \
    }
    FIELDBUS_WRITE_ACCESSORS(FIELDBUS_TRY_WRITE)
#undef FIELDBUS_TRY_WRITE
    std::string list;
    for (const std::string& f : failed) list += f + ", ";
    EXPECT_TRUE(failed.empty()) << list;

    // Releasing fail-safe goes through its check: refused while the status is not latched.
    ui.Clear();
    EXPECT_EQ(device.WriteTbReleaseFailsafe(4), 1);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Error: Write TB RELEASE_FAILSAFE is only allowed when the "
                                                   "current status is \"Clear (Latched)\"."});
}

}  // namespace
}  // namespace fieldbus::testing
