// Operation states and link mastership against the shipped default segment hosted
// in-process: blocks settle after a short time while the bus time of each transaction moves
// the segment's clock, so the mode waits really wait; restarts keep the device off the bus
// for a while.
#include <gtest/gtest.h>

#include "fieldbus/BlockKind.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/MessageLog.h"
#include "fieldbus/OperationState.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"
#include "simulator/InProcessSegment.h"
#include "support/DeviceTestBed.h"

namespace fieldbus::testing {
namespace {

using platform::IDYES;

class OperationStateOnSegmentTest : public ::testing::Test {
protected:
    void SetUp() override {
        simulator::LoadOptions options;
        options.manualClock = true;
        options.latency = 1;     // every transaction advances the segment's clock
        options.settleMs = 120;  // several reads before a block follows its target
        std::string error;
        auto segment = simulator::LoadSegmentFile(NIFB_DEFAULT_SEGMENT_FILE, options, error);
        ASSERT_TRUE(segment) << error;
        backend = simulator::UseInProcessSegment(segment);
        ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
        nifInterfaceInfo interfaces[4] = {};
        uint16_t count = 4;
        ASSERT_EQ(nifGetInterfaceList(session, &count, interfaces), E_OK);
        ASSERT_EQ(nifOpenLink(session, 0, interfaces[0].interfaceName, 0, &link.link), E_OK);
        device.SetLink(&link);
        MessageLog::Instance().Clear();
    }

    void TearDown() override {
        device.CloseDevice();
        nifClose(session);
        nifb::UseInProcessBackend(nullptr);
        MessageLog::Instance().Clear();
        ResetBlockIds();
    }

    void Bind(const std::string& tag) {
        nifLiveListEntry entries[32] = {};
        uint16_t count = 32;
        ASSERT_EQ(nifGetDeviceList(link.link, entries, &count, nullptr), E_OK);
        for (uint16_t i = 0; i < count; ++i)
            if (tag == entries[i].pdTag) device.BindSlot(1, entries[i].deviceId, entries[i].pdTag);
        ASSERT_EQ(device.Tag(), tag);
    }
    void Open(const std::string& tag) {
        Bind(tag);
        ASSERT_EQ(device.OpenDevice(), 0);
        ASSERT_EQ(device.ReadBackBlockTags(), 0);
        ui.Clear();
    }
    int State() {
        int state = -1;
        EXPECT_EQ(device.ReadOperationState(state), 0);
        return state;
    }
    uint8_t Actual(BlockKind kind) {
        uint8_t mode = 0;
        EXPECT_EQ(device.ReadActualMode(device.BlockOf(kind), mode), 0);
        return mode;
    }
    std::vector<std::string> Errors() const {
        std::vector<std::string> errors;
        for (const auto& message : ui.Messages())
            if (message.text.rfind("Error", 0) == 0) errors.push_back(message.text);
        return errors;
    }

    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;
    std::shared_ptr<simulator::SegmentBackend> backend;
    nifDesc_t session = 0;
    TestLink link;
    FieldbusDevice device;
};

TEST_F(OperationStateOnSegmentTest, APositionerGoesOutOfServiceToManualToNormalAndBack) {
    Open("FV-101");
    ASSERT_EQ(State(), kNormalState);

    ui.Answer(IDYES, "The device is about to change to the Out of Service state");
    const uint64_t before = backend->GetSegment().clock.NowMs();
    ASSERT_EQ(device.SetOperationState(kOutOfService, kWarnStateChange, true, false), 0);
    // AO and TB were each waited for until they settled.
    EXPECT_GE(backend->GetSegment().clock.NowMs() - before, 240u);
    EXPECT_EQ(State(), kOutOfService);
    EXPECT_EQ(Actual(BlockKind::AO), kModeOos);
    EXPECT_EQ(Actual(BlockKind::TB), kModeOos);
    uint8_t pidTarget = 0;
    ASSERT_EQ(device.ReadTargetMode(device.BlockOf(BlockKind::PID), pidTarget), 0);
    EXPECT_EQ(pidTarget, kModeOos);

    ui.Answer(IDYES, "The device is about to change to the MANUAL operation state");
    ASSERT_EQ(device.SetOperationState(kManualState, kWarnStateChange, true, false), 0);
    EXPECT_EQ(State(), kManualState);

    ui.Answer(IDYES, "The device is about to change to the NORMAL operation state");
    ASSERT_EQ(device.SetOperationState(kNormalState, kWarnStateChange, true, true), 0);
    EXPECT_EQ(State(), kNormalState);
    uint8_t aoTarget = 0;
    ASSERT_EQ(device.ReadTargetMode(device.BlockOf(BlockKind::AO), aoTarget), 0);
    EXPECT_EQ(aoTarget, kModeCasAuto);

    // A prepared write takes the device out of service after the configuration question.
    ui.Answer(IDYES, "Some requested parameters change will take effect only after");
    ASSERT_EQ(device.WriteTbServoGain(100.0f), 0);
    EXPECT_EQ(State(), kOutOfService);
    ASSERT_EQ(device.NormalStateTransfer(false), 0);
    EXPECT_EQ(State(), kNormalState);

    EXPECT_TRUE(Errors().empty()) << Errors().front();
    EXPECT_TRUE(MessageLog::Instance().Peek().empty());
}

TEST_F(OperationStateOnSegmentTest, ALinkMasterCapablePositionerBecomesLinkMasterAndBasicAgain) {
    // Flags of devices that are not open, as the device tree asks for them.
    LinkMasterFlags flags;
    Bind("FV-101");
    ASSERT_EQ(device.QueryLinkMasterFlags(flags), 0);
    EXPECT_FALSE(flags.linkMasterType);
    Bind("FV-102");
    ASSERT_EQ(device.QueryLinkMasterFlags(flags), 0);
    EXPECT_TRUE(flags.linkMasterCapable);
    EXPECT_TRUE(flags.configuredAsLinkMaster);
    Bind("KV-201");
    ASSERT_EQ(device.QueryLinkMasterFlags(flags), 0);
    EXPECT_TRUE(flags.linkMasterCapable);
    EXPECT_FALSE(flags.configuredAsLinkMaster);

    Open("KV-201");
    EXPECT_TRUE(device.GetLinkMasterFlags().linkMasterCapable);
    EXPECT_FALSE(device.IsActiveScheduler());

    ui.Answer(IDYES, "You have selected to set device as Link Master.");
    ASSERT_EQ(device.SetLinkMaster(true, false), 0);
    ASSERT_EQ(device.WaitRestart(), 0);
    uint8_t dlmeClass = 0;
    ASSERT_EQ(device.ReadDlmeClass(dlmeClass), 0);
    EXPECT_EQ(dlmeClass & 0x03, 2);
    device.CloseDevice();
    ASSERT_EQ(device.QueryLinkMasterFlags(flags), 0);
    EXPECT_TRUE(flags.configuredAsLinkMaster);

    Open("KV-201");
    EXPECT_TRUE(device.GetLinkMasterFlags().configuredAsLinkMaster);
    EXPECT_FALSE(device.IsActiveScheduler());
    ASSERT_EQ(device.SetLinkMaster(false, true), 0);
    ASSERT_EQ(device.WaitRestart(), 0);
    ASSERT_EQ(device.QueryLinkMasterFlags(flags), 0);
    EXPECT_FALSE(flags.configuredAsLinkMaster);
    EXPECT_TRUE(flags.linkMasterCapable);
    EXPECT_TRUE(ui.Messages().size() <= 1u);
}

// A block that is not waited for on a mode change still has to be out of service before its
// tag can change.
TEST_F(OperationStateOnSegmentTest, ABlockTagIsSetOnceTheBlockHasSettledOutOfService) {
    Open("FV-101");
    const int di = device.BlockOf(BlockKind::DI1);
    ui.Answer(IDYES, "Some requested parameters change will take effect only after");
    ASSERT_EQ(device.SetBlockTag(di, "LIMIT_LOW"), 0) << (ui.Texts().empty() ? "" : ui.Texts().back());
    EXPECT_EQ(device.GetBlockTag(di), "LIMIT_LOW");
    EXPECT_EQ(Actual(BlockKind::DI1), kModeOos);
}

}  // namespace
}  // namespace fieldbus::testing
