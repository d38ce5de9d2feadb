#include "logon/AdminBackup.h"

#include <gtest/gtest.h>

#include "logon/tests/LogonTestSupport.h"

namespace logon {
namespace {

TEST(AdminBackupTest, FormatIsThreeNumbersEachOnItsOwnLine) {
    EXPECT_EQ(FormatAdminBackup(testing::kHashAdmin, 9), "118750313\n903541199\n9\n");
    EXPECT_EQ(FormatAdminBackup(0xFFFFFFFFu, 9), "4294967295\n2579679008\n9\n");
}

TEST(AdminBackupTest, ParsesValidFiles) {
    AdminBackup backup;
    ASSERT_TRUE(ParseAdminBackup("118750313\n903541199\n9\n", backup));
    EXPECT_EQ(backup.key1, testing::kHashAdmin);
    EXPECT_EQ(backup.check, 903541199u);
    EXPECT_EQ(backup.level, 9u);
    // Other white space and trailing text do not matter.
    EXPECT_TRUE(ParseAdminBackup("  118750313 903541199\r\n9", backup));
    EXPECT_TRUE(ParseAdminBackup("118750313\n903541199\n9\nrest of file", backup));
}

TEST(AdminBackupTest, RejectsDamagedFiles) {
    AdminBackup backup;
    backup.key1 = 42;
    EXPECT_FALSE(ParseAdminBackup("", backup));
    EXPECT_FALSE(ParseAdminBackup("118750313\n903541199\n", backup));        // truncated
    EXPECT_FALSE(ParseAdminBackup("118750313\n903541198\n9\n", backup));     // check value
    EXPECT_FALSE(ParseAdminBackup("118750313\n903541199\n8\n", backup));     // level changed
    EXPECT_FALSE(ParseAdminBackup("-1\n2579679008\n9\n", backup));           // sign
    EXPECT_FALSE(ParseAdminBackup("4294967296\n2579679008\n9\n", backup));   // beyond 32 bits
    EXPECT_FALSE(ParseAdminBackup("x118750313\n903541199\n9\n", backup));
    const uint32_t key1 = 5;
    const std::string level10 = std::to_string(key1) + "\n" +
                                std::to_string(LogonCheckValue(10, key1, "Admin")) + "\n10\n";
    EXPECT_FALSE(ParseAdminBackup(level10, backup));
    EXPECT_EQ(backup.key1, 42u);  // untouched on failure
}

}  // namespace
}  // namespace logon
