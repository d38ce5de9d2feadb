#include "logon/HasPrivilege.h"

#include <gtest/gtest.h>

#include "logon/CurrentUser.h"
#include "logon/RunMode.h"
#include "platform/testing/ScriptedUi.h"

namespace logon {
namespace {

// The lowest level each class admits, per run mode (10: never).
uint32_t LowestLevel(int operationClass, int runMode) {
    for (uint32_t level = 0; level <= 9; ++level)
        if (IsPrivileged(operationClass, level, runMode)) return level;
    return 10;
}

TEST(HasPrivilegeTest, LowestLevelPerClass) {
    for (int mode : {kRunModeStandalone, kRunModeQamPlugIn, kRunModeAmsSnapOn}) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(LowestLevel(1, mode), 8u);
        EXPECT_EQ(LowestLevel(2, mode), 5u);
        EXPECT_EQ(LowestLevel(3, mode), 4u);
        EXPECT_EQ(LowestLevel(5, mode), 1u);
        EXPECT_EQ(LowestLevel(6, mode), 9u);
        EXPECT_EQ(LowestLevel(0, mode), 10u);
        EXPECT_EQ(LowestLevel(7, mode), 10u);
    }
}

TEST(HasPrivilegeTest, ClassFourDependsOnRunMode) {
    EXPECT_EQ(LowestLevel(4, kRunModeStandalone), 3u);
    EXPECT_EQ(LowestLevel(4, kRunModeQamPlugIn), 2u);
    EXPECT_EQ(LowestLevel(4, kRunModeAmsSnapOn), 2u);
    EXPECT_EQ(LowestLevel(4, 0), 10u);
    EXPECT_EQ(LowestLevel(4, 4), 10u);
}

TEST(HasPrivilegeTest, UsesCurrentUserAndReportsRefusal) {
    platform::testing::ScriptedUi ui;
    CurrentUser::SetLevel(4);
    EXPECT_TRUE(HasPrivilege(3));
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_FALSE(HasPrivilege(2, false));
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_FALSE(HasPrivilege(2));
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Last().text, "Attempted operation is unauthorized .");

    CurrentUser::SetLevel(2);
    EXPECT_FALSE(HasPrivilege(4, false));  // class 4 needs level 3 in the standalone program
    CurrentUser::Reset();
}

}  // namespace
}  // namespace logon
