// The pure rules of modes and operation states: mode names, state names, the shown state,
// the warning texts and the bumpless range.
#include <gtest/gtest.h>

#include "fieldbus/OperationState.h"

namespace fieldbus {
namespace {

TEST(OperationStateTest, AModeByteHasANameOnlyWhenExactlyOneBitIsSet) {
    EXPECT_EQ(ModeName(0x01), "OOS");
    EXPECT_EQ(ModeName(0x02), "IMAN");
    EXPECT_EQ(ModeName(0x04), "LO");
    EXPECT_EQ(ModeName(0x08), "MAN");
    EXPECT_EQ(ModeName(0x10), "AUTO");
    EXPECT_EQ(ModeName(0x20), "CAS");
    EXPECT_EQ(ModeName(0x40), "RCAS");
    EXPECT_EQ(ModeName(0x80), "ROUT");
    EXPECT_EQ(ModeName(0x18), "");
    EXPECT_EQ(ModeName(kModeCasAuto), "");
    EXPECT_EQ(ModeName(0x00), "");
}

TEST(OperationStateTest, TheShownStateFollowsTheActualModesOfRbTbAndAo) {
    EXPECT_EQ(ShownOperationState(false, kModeAuto, kModeAuto, kModeAuto), kOffline);
    EXPECT_EQ(ShownOperationState(true, kModeAuto, kModeAuto, kModeAuto), kNormalState);
    EXPECT_EQ(ShownOperationState(true, kModeAuto, kModeAuto, kModeCas), kNormalState);
    EXPECT_EQ(ShownOperationState(true, kModeAuto, kModeAuto, kModeMan), kManualState);
    // Any of the three out of service wins, the resource block included.
    EXPECT_EQ(ShownOperationState(true, kModeOos, kModeAuto, kModeMan), kOutOfService);
    EXPECT_EQ(ShownOperationState(true, kModeAuto, kModeOos, kModeAuto), kOutOfService);
    EXPECT_EQ(ShownOperationState(true, kModeAuto, kModeAuto, kModeOos), kOutOfService);
    EXPECT_EQ(ShownOperationState(true, kModeAuto, kModeMan, kModeAuto), kUnnamedState);
    EXPECT_EQ(ShownOperationState(true, kModeAuto, kModeMan, kModeMan), kUnnamedState);
    EXPECT_EQ(OperationStateName(kUnnamedState), "UNDEFINED STATE");
}

TEST(OperationStateTest, WarningsNameTheRequestedStateAndEndWithTheQuestion) {
    const std::string banner = "************ WARNING ************\n\n";
    const std::string question = "\nAre you sure you want to proceed ?";
    EXPECT_EQ(OperationStateWarning(kNormalState, kWarnStateChange),
              banner +
                  "The device is about to change to the NORMAL operation state,\n"
                  "that may cause the controller result in BUMP trasfer !\n" +
                  question);
    EXPECT_EQ(OperationStateWarning(kManualState, kWarnConfigurationChange),
              banner +
                  "The device is about to change to the MANUAL operation state,\n"
                  "that will cause the controller to cease responding to control signal !\n" +
                  question);
    EXPECT_EQ(OperationStateWarning(kOutOfService, kWarnConfigurationChange),
              banner +
                  "Some requested parameters change will take effect only after the device be put into the Out "
                  "of Service state,\nthat will cause the controller to cease functioning !\n" +
                  question);
    EXPECT_EQ(OperationStateWarning(kOutOfService, 7),
              banner +
                  "The device is about to change to the Out of Service state,\n"
                  "that will cause the controller to cease functioning !\n" +
                  question);
}

TEST(OperationStateTest, BumplessRangeReachesTenPercentBeyondTheScaleEnds) {
    EXPECT_TRUE(IsWithinBumplessRange(105.0f, 0.0f, 100.0f));
    EXPECT_TRUE(IsWithinBumplessRange(110.0f, 0.0f, 100.0f));
    EXPECT_FALSE(IsWithinBumplessRange(115.0f, 0.0f, 100.0f));
    EXPECT_TRUE(IsWithinBumplessRange(0.0f, 0.0f, 100.0f));
    EXPECT_FALSE(IsWithinBumplessRange(-0.5f, 0.0f, 100.0f));
    EXPECT_TRUE(IsWithinBumplessRange(18.0f, 20.0f, 100.0f));
    EXPECT_FALSE(IsWithinBumplessRange(17.9f, 20.0f, 100.0f));
}

}  // namespace
}  // namespace fieldbus
