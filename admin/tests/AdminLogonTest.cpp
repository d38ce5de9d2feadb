#include "admin/AdminLogon.h"

#include <gtest/gtest.h>

#include "logon/tests/LogonTestSupport.h"

namespace admin {
namespace {

using logon::testing::kLM;

class AdminLogonTest : public ::testing::Test, public logon::testing::LogonFixture {};

TEST_F(AdminLogonTest, OnlyLevelNineIsAdmitted) {
    PutUser("boss", 9, "secret");
    PutUser("bob", 5, "secret");
    logon::LogonDatabase database = MakeDatabase();
    AdminLogon logon(database);
    EXPECT_EQ(logon.Open(), "Admin");
    EXPECT_NE(logon.Logon("training", "training"), 0);
    EXPECT_EQ(ui.Last().text, "Administration privilege unauthorized.");
    EXPECT_NE(logon.Logon("bob", "secret"), 0);
    EXPECT_EQ(ui.Last().text, "Administration privilege unauthorized.");
    EXPECT_NE(logon.Logon("Boss", "secret"), 0);
    EXPECT_EQ(ui.Last().text, "Invalid user Name .");
    EXPECT_NE(logon.Logon("boss", "Secret"), 0);
    EXPECT_EQ(ui.Last().text, "Invalid Password .");
    EXPECT_EQ(database.ReadLastUser(), "");  // nothing stored while refused
    EXPECT_EQ(logon.Logon("boss", "secret"), 0);
    EXPECT_EQ(database.ReadLastUser(), "boss");
    EXPECT_EQ(logon.Logon("Admin", "admin"), 0);
}

TEST_F(AdminLogonTest, PrefillOffersOnlyALastUserOfLevelNine) {
    PutUser("boss", 9, "secret");
    logon::LogonDatabase database = MakeDatabase();
    AdminLogon logon(database);
    logon.Open();
    database.StoreLastUser("training");
    EXPECT_EQ(logon.Open(), "Admin");
    database.StoreLastUser("boss");
    EXPECT_EQ(logon.Open(), "boss");
    database.StoreLastUser("ghost");
    EXPECT_EQ(logon.Open(), "Admin");
}

TEST_F(AdminLogonTest, NoNameOfferedWithoutAdmin) {
    logon::LogonDatabase database = MakeDatabase();
    AdminLogon(database).Open();
    Corrupt();
    EXPECT_EQ(AdminLogon(database).Open(), "");
}

}  // namespace
}  // namespace admin
