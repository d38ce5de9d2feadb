// Link-master flags, the active scheduler, boot class, restart and its wait, and the main
// view's link-master and reboot commands, on a positioner double.
#include <gtest/gtest.h>

#include "fieldbus/BlockKind.h"
#include "fieldbus/DeviceCommands.h"
#include "fieldbus/DeviceManagement.h"
#include "fieldbus/LinkMasterFlags.h"
#include "fieldbus/tests/support/PositionerDouble.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"

namespace fieldbus::testing {
namespace {

using platform::IDNO;
using platform::IDYES;
using B = PositionerDouble;

TEST(LinkMasterFlagsTest, CapabilityNeedsTheTypeAndOptionBitZero) {
    // DEV_TYPE 1 with DEV_REV 2 is no link-master type even with option bit 0 and class 2.
    LinkMasterFlags flags = DeriveLinkMasterFlags(1, 2, true, 0x1, true, 0x02);
    EXPECT_TRUE(flags.optionBit0);
    EXPECT_FALSE(flags.linkMasterType);
    EXPECT_FALSE(flags.linkMasterCapable);
    EXPECT_FALSE(flags.configuredAsLinkMaster);

    flags = DeriveLinkMasterFlags(1, 3, true, 0x2, true, 0x01);
    EXPECT_TRUE(flags.linkMasterType);
    EXPECT_FALSE(flags.newerRevision);  // type 1 from revision 4, type 7 from revision 2
    EXPECT_TRUE(flags.optionBit1);
    EXPECT_FALSE(flags.linkMasterCapable);
    EXPECT_TRUE(DeriveLinkMasterFlags(1, 4, true, 0x1, true, 0x01).newerRevision);
    EXPECT_FALSE(DeriveLinkMasterFlags(7, 1, true, 0x1, true, 0x01).newerRevision);

    flags = DeriveLinkMasterFlags(7, 2, true, 0x3, true, 0xF2);  // only the two low bits count
    EXPECT_TRUE(flags.linkMasterCapable);
    EXPECT_TRUE(flags.newerRevision);
    EXPECT_TRUE(flags.configuredAsLinkMaster);

    // Options that could not be read count as not set.
    flags = DeriveLinkMasterFlags(7, 2, false, 0x3, false, 0x02);
    EXPECT_FALSE(flags.linkMasterCapable);
    EXPECT_FALSE(flags.configuredAsLinkMaster);
}

class DeviceManagementTest : public ::testing::Test {
protected:
    void TearDown() override { ResetBlockIds(); }
    size_t ReadsOf(const std::string& name) const {
        size_t count = 0;
        for (const auto& call : device.Calls())
            if (call.op == "ReadParameter" && call.name == name) ++count;
        return count;
    }
    std::vector<uint8_t> BootClass() const { return device.Bytes(B::kMibStore, kBootOperatFunctionalClass); }

    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;
    PositionerDouble device{&clock};
    DeviceManagement management{device};
};

TEST_F(DeviceManagementTest, FlagsAreReadFromTheBlocksAndTheDataLinkClass) {
    LinkMasterFlags flags;
    ASSERT_EQ(management.ReadLinkMasterFlags(flags), 0);
    EXPECT_TRUE(flags.linkMasterCapable);
    EXPECT_FALSE(flags.configuredAsLinkMaster);

    device.SetManagementObject(kDlmeBasicCharacteristics, {0x01, 0x04, 0x02, 0x10, 0x00, 0x20, 0x03});
    ASSERT_EQ(management.ReadLinkMasterFlags(flags), 0);
    EXPECT_TRUE(flags.configuredAsLinkMaster);

    // Not of link-master type: the class is not even read and counts as basic.
    device.SetU16(B::kRb, "DEV_TYPE", 1);
    device.ClearCalls();
    ASSERT_EQ(management.ReadLinkMasterFlags(flags), 0);
    EXPECT_FALSE(flags.linkMasterCapable);
    EXPECT_FALSE(flags.configuredAsLinkMaster);
    EXPECT_EQ(ReadsOf(kDlmeBasicCharacteristics), 0u);
}

TEST_F(DeviceManagementTest, FailedReadsLeaveTheFlagsCleared) {
    LinkMasterFlags flags;
    device.FailOn("ReadParameter", "DEV_OPTIONS");
    EXPECT_NE(management.ReadLinkMasterFlags(flags), 0);
    EXPECT_TRUE(flags.linkMasterType);
    EXPECT_FALSE(flags.linkMasterCapable);
    device.ClearFailures();
    device.FailOn("ReadParameter", "DEV_TYPE");
    EXPECT_NE(management.ReadLinkMasterFlags(flags), 0);
    EXPECT_FALSE(flags.linkMasterType);
}

TEST_F(DeviceManagementTest, OnlyADeviceConfiguredAsLinkMasterCanBeTheActiveScheduler) {
    device.SetManagementObject(kPrimaryLinkMasterFlag, {0xFF});
    EXPECT_FALSE(management.IsActiveScheduler(false));
    EXPECT_EQ(ReadsOf(kPrimaryLinkMasterFlag), 0u);
    EXPECT_TRUE(management.IsActiveScheduler(true));
    device.SetManagementObject(kPrimaryLinkMasterFlag, {0x00});
    EXPECT_FALSE(management.IsActiveScheduler(true));
    device.FailOn("ReadParameter", kPrimaryLinkMasterFlag);
    EXPECT_FALSE(management.IsActiveScheduler(true));
}

TEST_F(DeviceManagementTest, SetLinkMasterAsksThenWritesTheBootClassAndRestarts) {
    const std::string question =
        "\nYou have selected to set device as Link Master.\n\n"
        "To take affect, the  device has to be restarted.\n"
        "If restarts, the device will cease operation and the connection will be closed.\n\n"
        "Proceed to restart now?";
    ui.Answer(IDNO, question);
    EXPECT_EQ(management.SetLinkMaster(true, false), 1);
    EXPECT_EQ(BootClass(), std::vector<uint8_t>{1});
    EXPECT_TRUE(device.Writes().empty());
    EXPECT_EQ(ui.Last().text, question);
    EXPECT_EQ(ui.Last().defaultButton, platform::MB_DEFBUTTON2);

    ui.Answer(IDYES, question);
    EXPECT_EQ(management.SetLinkMaster(true, false), 0);
    EXPECT_EQ(BootClass(), std::vector<uint8_t>{2});
    EXPECT_EQ(device.Bytes(B::kRb, "RESTART"), std::vector<uint8_t>{4});

    // Back to basic without a question.
    ui.Clear();
    EXPECT_EQ(management.SetLinkMaster(false, true), 0);
    EXPECT_EQ(BootClass(), std::vector<uint8_t>{1});
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(DeviceManagement::LinkMasterQuestion(false),
              "\nYou have selected to set device as Basic. \n\n" + question.substr(question.find("To take")));
}

TEST_F(DeviceManagementTest, AFailedBootClassWriteDoesNotRestart) {
    device.FailOn("WriteParameter", kBootOperatFunctionalClass);
    ui.Answer(IDYES);
    EXPECT_EQ(management.SetLinkMaster(true, false), 1);
    EXPECT_EQ(ui.Last().text, "Write MIB parameter failed");
    EXPECT_TRUE(device.Writes().empty());
    ui.Clear();
    EXPECT_EQ(management.SetLinkMaster(true, true), 1);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(DeviceManagementTest, WaitRestartPollsEveryTenthOfASecondThroughFailedReadsUntilTheLimit) {
    device.SetRestartReads(5);
    ASSERT_EQ(management.RestartDevice(), 0);
    uint64_t start = clock.NowMs();
    ASSERT_EQ(management.WaitRestart(), 0);
    EXPECT_EQ(ReadsOf("RESTART"), 6u);
    EXPECT_EQ(clock.NowMs() - start, 600u);

    // Off the bus while it restarts: failed reads do not end the wait, the limit does.
    device.SetRestartReads(1000);
    ASSERT_EQ(management.RestartDevice(), 0);
    device.FailOn("ReadParameter", "RESTART");
    start = clock.NowMs();
    EXPECT_EQ(management.WaitRestart(), 1);
    EXPECT_EQ(clock.NowMs() - start, DeviceManagement::kRestartLimitMs);
}

TEST_F(DeviceManagementTest, TheActiveSchedulerIsNeitherSwitchedNorRebooted) {
    LinkMasterFlags flags;
    flags.linkMasterType = flags.linkMasterCapable = flags.configuredAsLinkMaster = true;
    device.SetLinkMasterFlags(flags);
    device.SetManagementObject(kPrimaryLinkMasterFlag, {0x01});
    EXPECT_EQ(RequestLinkMasterChange(&device), 1);
    EXPECT_EQ(ui.Last().text, "The device is running as LAS.");
    EXPECT_EQ(RequestReboot(&device), 1);
    EXPECT_EQ(ui.Last().text, "The current selected device is running as LAS.\n");
    EXPECT_TRUE(device.Writes().empty());
    EXPECT_EQ(device.CallCount("WriteParameter"), 0u);

    EXPECT_EQ(RequestLinkMasterChange(nullptr), 1);
    EXPECT_EQ(ui.Last().text, "The current selected device is invalid.");
}

TEST_F(DeviceManagementTest, ALinkMasterThatIsNotTheSchedulerIsSetBackToBasicAndWaitedFor) {
    LinkMasterFlags flags;
    flags.linkMasterType = flags.linkMasterCapable = flags.configuredAsLinkMaster = true;
    device.SetLinkMasterFlags(flags);
    device.SetRestartReads(3);
    ui.Answer(IDYES, "You have selected to set device as Basic.");
    ASSERT_EQ(RequestLinkMasterChange(&device), 0);
    EXPECT_EQ(BootClass(), std::vector<uint8_t>{1});
    EXPECT_EQ(device.Bytes(B::kRb, "RESTART"), std::vector<uint8_t>{1});
    EXPECT_EQ(ui.WaitCursorDepth(), 0);

    ui.Answer(IDNO, "Reboot device will cease operation and the connection will be closed.\n\nProceed to reboot it now?");
    EXPECT_EQ(RequestReboot(&device), 2);
    ui.Answer(IDYES);
    device.ClearCalls();
    EXPECT_EQ(RequestReboot(&device), 0);
    EXPECT_EQ(ReadsOf("RESTART"), 4u);
}

}  // namespace
}  // namespace fieldbus::testing
