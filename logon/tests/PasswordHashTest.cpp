#include "logon/PasswordHash.h"

#include <gtest/gtest.h>

#include "logon/tests/LogonTestSupport.h"

namespace logon {
namespace {

TEST(PasswordHashTest, MatchesHandComputedValues) {
    EXPECT_EQ(PasswordHash(""), 0u);
    EXPECT_EQ(PasswordHash("a"), 97u);
    EXPECT_EQ(PasswordHash("ab"), 97u * 33u + 98u);  // 3299
    EXPECT_EQ(PasswordHash("abc"), 108966u);         // 3299 * 33 + 99
    EXPECT_EQ(PasswordHash("admin"), testing::kHashAdmin);
    EXPECT_EQ(PasswordHash("training"), testing::kHashTraining);  // wraps past 2^32
    EXPECT_EQ(PasswordHash("holmgard"), testing::kHashHolmgard);
    EXPECT_EQ(PasswordHash("Tessaro-Admin 2024!"), 37921216u);
}

TEST(PasswordHashTest, BytesFrom0x80CountAsNegative) {
    EXPECT_EQ(PasswordHash("\x80"), 0xFFFFFF80u);           // -128
    EXPECT_EQ(PasswordHash("a\xff"), 97u * 33u - 1u);       // 3200
    EXPECT_EQ(PasswordHash("\xc3\xa9t\xc3\xa9"), 4219623820u);  // "été" in UTF-8
}

TEST(PasswordHashTest, CheckValuePrintsKey1AsSignedDecimal) {
    // Text "9118750313Admin".
    EXPECT_EQ(LogonCheckValue(9, testing::kHashAdmin, "Admin"), 903541199u);
    // Key1 0xFFFFFFFF is written as -1: text "9-1Admin".
    EXPECT_EQ(LogonCheckValue(9, 0xFFFFFFFFu, "Admin"), 2579679008u);
    // Key1 4219623820 is -75343476: text "3-75343476bob".
    EXPECT_EQ(LogonCheckValue(3, 4219623820u, "bob"), 3978557274u);
    EXPECT_EQ(LogonCheckValue(5, testing::kHashSecret, "carol"), 2829544481u);
}

}  // namespace
}  // namespace logon
