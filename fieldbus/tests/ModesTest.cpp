// Mode changes and operation states on a positioner double: the waits and their limit, the
// TB-before-AO rule, the cascade, the state sequences with their questions, the bumpless
// transfer, the fail-safe release check and the main view's state request.
#include <gtest/gtest.h>

#include "fieldbus/BlockKind.h"
#include "fieldbus/DeviceCommands.h"
#include "fieldbus/ModeControl.h"
#include "fieldbus/OperationState.h"
#include "fieldbus/tests/support/PositionerDouble.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"

namespace fieldbus::testing {
namespace {

using platform::IDNO;
using platform::IDYES;
using B = PositionerDouble;
using Writes = std::vector<std::pair<int, uint8_t>>;

const char* const kTimeout = "Error: Changing block mode time out.";

class ModesTest : public ::testing::Test {
protected:
    void TearDown() override { ResetBlockIds(); }
    // Puts RB, TB and AO into the actual modes of a state (targets alike).
    void Modes(uint8_t tb, uint8_t ao) {
        device.SetModes(B::kTb, tb, tb);
        device.SetModes(B::kAo, ao == kModeAuto ? kModeCasAuto : ao, ao);
    }
    bool Shown(const std::string& text) const {
        for (const auto& message : ui.Messages())
            if (message.text == text) return true;
        return false;
    }

    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;
    PositionerDouble device{&clock};
    ModeControl modes{device};
};

// ---- SetBlockMode ------------------------------------------------------------------------

TEST_F(ModesTest, SetBlockModeReadsTheActualModeAgainUntilItFollows) {
    device.SetSettleReads(4);
    ASSERT_EQ(modes.SetBlockMode(B::kAo, kModeMan), 0);
    EXPECT_EQ(device.Actual(B::kAo), kModeMan);
    EXPECT_EQ(device.CallCount("ReadParameter"), 4u);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ModesTest, AnAoTargetOfCasAndAutoIsSatisfiedByAutoAsWellAsByCas) {
    device.SetModes(B::kAo, kModeMan, kModeMan);
    ASSERT_EQ(modes.SetBlockMode(B::kAo, kModeCasAuto), 0);
    EXPECT_EQ(device.Actual(B::kAo), kModeAuto);
    device.SetModes(B::kAo, kModeMan, kModeMan);
    device.SetCascadeFed(true);
    ASSERT_EQ(modes.SetBlockMode(B::kAo, kModeCasAuto), 0);
    EXPECT_EQ(device.Actual(B::kAo), kModeCas);
    // Any other block must reach exactly its target.
    device.SetModes(B::kTb, kModeAuto, kModeAuto);
    device.SetStuck(B::kTb);
    device.SetReadCostMs(1000);
    EXPECT_EQ(modes.SetBlockMode(B::kTb, kModeMan), 1);
    EXPECT_TRUE(Shown(kTimeout));
}

TEST_F(ModesTest, TakingTbOutOfServiceTakesAoOutOfServiceFirst) {
    ASSERT_EQ(modes.SetBlockMode(B::kTb, kModeOos), 0);
    EXPECT_EQ(device.TargetWrites(), (Writes{{B::kAo, kModeOos}, {B::kTb, kModeOos}}));
    EXPECT_EQ(device.Actual(B::kAo), kModeOos);
    EXPECT_EQ(device.Actual(B::kTb), kModeOos);

    device.ClearCalls();
    device.SetModes(B::kTb, kModeAuto, kModeAuto);
    ASSERT_EQ(modes.SetBlockMode(B::kTb, kModeOos), 0);
    EXPECT_EQ(device.TargetWrites(), (Writes{{B::kTb, kModeOos}}));
}

TEST_F(ModesTest, AWaitGivesUpAfterOneHundredSecondsWithOneMessage) {
    device.SetStuck(B::kAo);
    device.SetReadCostMs(250);
    const uint64_t start = clock.NowMs();
    EXPECT_EQ(modes.SetBlockMode(B::kAo, kModeMan), 1);
    EXPECT_GT(clock.NowMs() - start, 100000u);
    EXPECT_LE(clock.NowMs() - start, 100250u);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Last().text, kTimeout);
}

TEST_F(ModesTest, PidDiAndSplitterTargetsAreWrittenWithoutWaiting) {
    for (int block : {B::kPid, B::kDi1, B::kDi2, B::kSplt}) {
        device.SetStuck(block);
        EXPECT_EQ(modes.SetBlockMode(block, kModeOos), 0);
    }
    EXPECT_EQ(device.CallCount("ReadParameter"), 0u);
    EXPECT_EQ(device.TargetWrites().size(), 4u);
}

TEST_F(ModesTest, AFailedModeReadOrWriteFailsWithoutWaiting) {
    device.FailOn("ReadParameter", "MODE_BLK.ACTUAL");
    EXPECT_EQ(modes.SetBlockMode(B::kAo, kModeMan), 1);
    EXPECT_EQ(modes.SetBlockMode(B::kTb, kModeOos), 1);  // the AO read comes first
    EXPECT_EQ(device.TargetWrites(), (Writes{{B::kAo, kModeMan}}));
    device.ClearFailures();
    device.FailOn("WriteParameter", "MODE_BLK.TARGET");
    EXPECT_EQ(modes.SetBlockMode(B::kAo, kModeOos), 1);
    EXPECT_TRUE(ui.Messages().empty());
}

// ---- SetPidMode and SetAoCascade ---------------------------------------------------------

TEST_F(ModesTest, SetPidModeReadsOnceASecondUntilTheExpectedModeAndGivesUpAfterTheLimit) {
    device.SetSettleReads(3);
    const uint64_t start = clock.NowMs();
    ASSERT_EQ(modes.SetPidMode(kModeMan, kModeMan), 0);
    EXPECT_EQ(clock.NowMs() - start, 3000u);

    device.SetStuck(B::kPid);
    EXPECT_EQ(modes.SetPidMode(kModeAuto, kModeAuto), 1);
    EXPECT_EQ(ui.Last().text, kTimeout);
}

TEST_F(ModesTest, SetAoCascadeRefusesWhileAoIsManualOrOutOfServiceOrTbIsOutOfService) {
    const std::string refusal =
        "Changing AO block into CAS mode is prohibited while either AO is in OOS or MAN or TB is in OOS.";
    Modes(kModeAuto, kModeMan);
    EXPECT_EQ(modes.SetAoCascade(), 1);
    Modes(kModeOos, kModeAuto);
    EXPECT_EQ(modes.SetAoCascade(), 1);
    ASSERT_EQ(ui.Messages().size(), 2u);
    EXPECT_EQ(ui.Messages()[0].text, refusal);
    EXPECT_TRUE(device.TargetWrites().empty());
}

TEST_F(ModesTest, SetAoCascadePutsAnIdlePidIntoManualAndWaitsForCas) {
    device.SetModes(B::kPid, kModeOos, kModeOos);
    device.SetModes(B::kAo, kModeAuto, kModeAuto);
    device.SetCascadeFed(true);
    ASSERT_EQ(modes.SetAoCascade(), 0);
    EXPECT_EQ(device.TargetWrites(), (Writes{{B::kPid, kModeMan}, {B::kAo, kModeCasAuto}}));
    EXPECT_EQ(device.Actual(B::kAo), kModeCas);

    // Already in cascade with TB in AUTO: nothing to write.
    device.ClearCalls();
    ASSERT_EQ(modes.SetAoCascade(), 0);
    EXPECT_TRUE(device.TargetWrites().empty());
}

// ---- SetOperationState -------------------------------------------------------------------

TEST_F(ModesTest, OutOfServiceAsksOnceThenTakesAoTbAndPidOutOfService) {
    ui.Answer(IDYES, "The device is about to change to the Out of Service state");
    ASSERT_EQ(modes.SetOperationState(kOutOfService, kWarnStateChange, true, false), 0);
    ASSERT_EQ(ui.Messages().size(), 1u);
    const auto& question = ui.Messages()[0];
    EXPECT_EQ(question.text, OperationStateWarning(kOutOfService, kWarnStateChange));
    EXPECT_EQ(question.buttons, platform::MB_YESNO);
    EXPECT_EQ(question.defaultButton, platform::MB_DEFBUTTON2);
    EXPECT_EQ(question.icon, platform::MB_ICONWARNING);
    EXPECT_EQ(device.TargetWrites(), (Writes{{B::kAo, kModeOos}, {B::kTb, kModeOos}, {B::kPid, kModeOos}}));
}

TEST_F(ModesTest, OutOfServiceDeclinedWritesNothing) {
    ui.Answer(IDNO, "Some requested parameters change will take effect only after");
    EXPECT_EQ(modes.SetOperationState(kOutOfService, kWarnConfigurationChange, true, true), 2);
    EXPECT_TRUE(device.TargetWrites().empty());
}

TEST_F(ModesTest, OutOfServiceAsksNothingWhenAoIsAlreadyOutOfService) {
    Modes(kModeAuto, kModeOos);
    ASSERT_EQ(modes.SetOperationState(kOutOfService, kWarnStateChange, true, false), 0);
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(device.TargetWrites(), (Writes{{B::kTb, kModeOos}, {B::kPid, kModeOos}}));

    // AO actually out of service (its resource block is) but targeted elsewhere: set quietly.
    device.ClearCalls();
    device.SetModes(B::kAo, kModeCasAuto, kModeOos);
    device.SetModes(B::kTb, kModeAuto, kModeAuto);
    ASSERT_EQ(modes.SetOperationState(kOutOfService, kWarnStateChange, true, false), 0);
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(device.TargetWrites(), (Writes{{B::kAo, kModeOos}, {B::kTb, kModeOos}}));
}

TEST_F(ModesTest, OutOfServiceWorksOnADeviceWithoutPidBlock) {
    SetBlockId(BlockKind::PID, -1);
    ASSERT_EQ(modes.SetOperationState(kOutOfService, kWarnStateChange, false, false), 0);
    EXPECT_EQ(device.TargetWrites(), (Writes{{B::kAo, kModeOos}, {B::kTb, kModeOos}}));
}

TEST_F(ModesTest, ManualStateAsksForAoAndBringsRbAndTbToAuto) {
    device.SetModes(B::kRb, kModeOos, kModeOos);
    Modes(kModeOos, kModeOos);
    ui.Answer(IDYES, "The device is about to change to the MANUAL operation state");
    ASSERT_EQ(modes.SetOperationState(kManualState, kWarnStateChange, true, false), 0);
    EXPECT_EQ(device.TargetWrites(), (Writes{{B::kRb, kModeAuto}, {B::kAo, kModeMan}, {B::kTb, kModeAuto}}));
    int state = -1;
    ASSERT_EQ(modes.ReadOperationState(state), 0);
    EXPECT_EQ(state, kManualState);

    // Already manual: no question, nothing written.
    device.ClearCalls();
    ASSERT_EQ(modes.SetOperationState(kManualState, kWarnStateChange, true, false), 0);
    EXPECT_TRUE(device.TargetWrites().empty());
}

TEST_F(ModesTest, NormalStateAsksUnlessAoIsInAutoAndGoesThroughManualIntoCascade) {
    Modes(kModeAuto, kModeMan);
    ui.Answer(IDNO, "The device is about to change to the NORMAL operation state");
    EXPECT_EQ(modes.SetOperationState(kNormalState, kWarnStateChange, true, false), 2);
    EXPECT_TRUE(device.TargetWrites().empty());

    ui.Answer(IDYES);
    ASSERT_EQ(modes.SetOperationState(kNormalState, kWarnStateChange, true, false), 0);
    EXPECT_EQ(device.TargetWrites(), (Writes{{B::kAo, kModeCasAuto}}));

    // AO in AUTO: no question; the transfer still passes through MAN.
    device.ClearCalls();
    ASSERT_EQ(modes.SetOperationState(kNormalState, kWarnStateChange, true, false), 0);
    EXPECT_EQ(device.TargetWrites(), (Writes{{B::kAo, kModeMan}, {B::kAo, kModeCasAuto}}));
    EXPECT_EQ(ui.Messages().size(), 2u);
}

TEST_F(ModesTest, NormalStateTransferFailsWhenABlockDoesNotArrive) {
    Modes(kModeOos, kModeOos);
    device.SetModes(B::kAo, kModeMan, kModeOos);  // target MAN, but stays out of service
    device.SetStuck(B::kAo);
    device.SetReadCostMs(1000);
    EXPECT_EQ(modes.NormalStateTransfer(false), 1);
    EXPECT_EQ(ui.Last().text, kTimeout);
}

// ---- Bumpless transfer -------------------------------------------------------------------

TEST_F(ModesTest, BumplessCopiesAReadbackFivePercentAboveTheScaleButNotFifteen) {
    Modes(kModeAuto, kModeMan);
    device.SetAoValue("READBACK", 105.0f);
    ASSERT_EQ(modes.NormalStateTransfer(true), 0);
    EXPECT_FLOAT_EQ(device.FloatAt(B::kAo, "OUT.VALUE"), 105.0f);
    EXPECT_TRUE(ui.Messages().empty());

    Modes(kModeAuto, kModeMan);
    device.SetFloat(B::kAo, "OUT.VALUE", 50.0f);
    device.SetAoValue("READBACK", 115.0f);
    ASSERT_EQ(modes.NormalStateTransfer(true), 0);
    EXPECT_FLOAT_EQ(device.FloatAt(B::kAo, "OUT.VALUE"), 50.0f);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Last().text,
              "Bumpless transfer will not copy AO Readback to AO Out \nsince AO Readback value is not within AO Out "
              "valid range.");
    EXPECT_EQ(device.Actual(B::kAo), kModeAuto);  // the transfer goes on
}

TEST_F(ModesTest, BumplessCopiesPvIntoSpWithinThePvScale) {
    Modes(kModeAuto, kModeMan);
    device.SetAoScale("PV_SCALE", 200.0f, 20.0f);
    device.SetAoValue("PV", 19.0f);
    ASSERT_EQ(modes.NormalStateTransfer(true), 0);
    EXPECT_FLOAT_EQ(device.FloatAt(B::kAo, "SP.VALUE"), 19.0f);

    Modes(kModeAuto, kModeMan);
    device.SetAoValue("PV", 17.0f);
    ASSERT_EQ(modes.NormalStateTransfer(true), 0);
    EXPECT_EQ(ui.Last().text,
              "Bumpless transfer will not copy AO PV to AO SP \nsince AO PV value is not within AO SP valid range.");

    // Without bumpless nothing is copied.
    Modes(kModeAuto, kModeMan);
    device.ClearCalls();
    ASSERT_EQ(modes.NormalStateTransfer(false), 0);
    for (const auto& write : device.Writes()) EXPECT_EQ(write.second, "MODE_BLK.TARGET");
}

TEST_F(ModesTest, CheckBumplessMismatchComparesReadbackWithOutAndPvWithSp) {
    bool mismatch = true;
    ASSERT_EQ(modes.CheckBumplessMismatch(mismatch), 0);
    EXPECT_FALSE(mismatch);
    device.SetAoValue("PV", 51.0f);
    ASSERT_EQ(modes.CheckBumplessMismatch(mismatch), 0);
    EXPECT_TRUE(mismatch);
    device.SetAoValue("PV", 50.0f);
    device.SetAoValue("READBACK", 49.0f);
    ASSERT_EQ(modes.CheckBumplessMismatch(mismatch), 0);
    EXPECT_TRUE(mismatch);
}

// ---- Fail-safe release -------------------------------------------------------------------

TEST_F(ModesTest, ReleasingFailSafeNeedsClearLatchedAndTbOutOfService) {
    EXPECT_EQ(modes.CanReleaseFailsafe(), 1);
    EXPECT_EQ(ui.Last().text,
              "Error: Write TB RELEASE_FAILSAFE is only allowed when the current status is \"Clear (Latched)\".");

    device.SetBytes(B::kTb, "RELEASE_FAILSAFE", {3});
    const std::string question =
        "Error: Write TB RELEASE_FAILSAFE is only allowed in OOS mode.\n\nDo you want to switch the device into Out "
        "of Service Operation State?";
    ui.Answer(IDNO, question);
    EXPECT_EQ(modes.CanReleaseFailsafe(), 2);
    EXPECT_TRUE(device.TargetWrites().empty());

    ui.Answer(IDYES, question);
    EXPECT_EQ(modes.CanReleaseFailsafe(), 0);
    EXPECT_EQ(device.Actual(B::kTb), kModeOos);
    EXPECT_EQ(device.Actual(B::kAo), kModeOos);
    // Now out of service: permitted without a question.
    EXPECT_EQ(modes.CanReleaseFailsafe(), 0);
}

// ---- The main view's request -------------------------------------------------------------

TEST_F(ModesTest, ANormalRequestWithBumplessAsksAboutAMismatchFirst) {
    Modes(kModeAuto, kModeMan);
    device.SetAoValue("READBACK", 60.0f);
    ui.Answer(IDNO, "Bumpless transfer has been configured.");
    EXPECT_EQ(RequestOperationState(device, kNormalState, true, kManualState), 2);
    EXPECT_TRUE(device.TargetWrites().empty());
    EXPECT_EQ(ui.Last().text, BumplessMismatchQuestion());

    // Yes: no second question, READBACK copied to OUT on the way.
    ui.Answer(IDYES);
    EXPECT_EQ(RequestOperationState(device, kNormalState, true, kManualState), 0);
    EXPECT_FLOAT_EQ(device.FloatAt(B::kAo, "OUT.VALUE"), 60.0f);
    EXPECT_EQ(device.Actual(B::kAo), kModeAuto);
}

TEST_F(ModesTest, ManualAndOutOfServiceRequestsAskUnlessAlreadyOutOfService) {
    Modes(kModeOos, kModeOos);
    ASSERT_EQ(RequestOperationState(device, kManualState, false, kOutOfService), 0);
    EXPECT_TRUE(ui.Messages().empty());
    ui.Answer(IDYES, "Out of Service state");
    ASSERT_EQ(RequestOperationState(device, kOutOfService, false, kManualState), 0);

    device.FailOn("WriteParameter", "MODE_BLK.TARGET");
    Modes(kModeAuto, kModeMan);
    EXPECT_EQ(RequestOperationState(device, kOutOfService, false, kOutOfService), 1);
    EXPECT_EQ(ui.Last().text, "Error: Failed to change the device operation state.");
}

}  // namespace
}  // namespace fieldbus::testing
