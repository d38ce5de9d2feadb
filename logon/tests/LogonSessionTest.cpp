#include "logon/LogonSession.h"

#include <gtest/gtest.h>

#include "logon/BuiltInUsers.h"
#include "logon/CurrentUser.h"
#include "logon/tests/LogonTestSupport.h"

namespace logon {
namespace {

using testing::kHashAdmin;
using testing::kHashSecret;

class LogonSessionTest : public ::testing::Test, public testing::LogonFixture {
protected:
    void SetUp() override { CurrentUser::Reset(); }
    void TearDown() override { CurrentUser::Reset(); }

    // A prompt that answers with `password` and counts its calls.
    ChangePasswordPrompt Prompt(const std::string& password, bool confirm = true) {
        return [this, password, confirm](const std::string& name, std::string& newPassword) {
            promptedFor.push_back(name);
            newPassword = password;
            return confirm;
        };
    }
    std::vector<std::string> promptedFor;
};

TEST_F(LogonSessionTest, DefaultPasswordsLogOn) {
    LogonDatabase database = MakeDatabase();
    LogonSession session(database);
    EXPECT_EQ(session.Open(), "Admin");
    EXPECT_EQ(session.Logon("Admin", kDefaultAdminPassword, false, {}), 0);
    EXPECT_EQ(CurrentUser::Name(), "Admin");
    EXPECT_EQ(CurrentUser::Level(), 9u);
    EXPECT_EQ(session.Logon("training", kDefaultTrainingPassword, false, {}), 0);
    EXPECT_EQ(CurrentUser::Level(), 8u);
    EXPECT_EQ(session.Logon("holmgard", kDefaultHolmgardPassword, false, {}), 0);
    EXPECT_EQ(CurrentUser::Name(), "holmgard");
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(LogonSessionTest, WrongNameOrPasswordKeepsDialogOpen) {
    LogonDatabase database = MakeDatabase();
    LogonSession session(database);
    session.Open();
    EXPECT_NE(session.Logon("admin", "admin", false, {}), 0);  // names are case-sensitive
    EXPECT_EQ(ui.Last().text, "Invalid user Name .");
    EXPECT_NE(session.Logon("Admin", "Admin", false, {}), 0);
    EXPECT_EQ(ui.Last().text, "Invalid Password .");
    EXPECT_NE(session.Logon("Admin", "", false, {}), 0);
    EXPECT_EQ(CurrentUser::Name(), "");
    EXPECT_EQ(CurrentUser::Level(), 0u);
    EXPECT_EQ(database.ReadLastUser(), "");
}

TEST_F(LogonSessionTest, PrefillsTheLastUserWhileListed) {
    {
        LogonDatabase database = MakeDatabase();
        LogonSession session(database);
        session.Open();
        ASSERT_EQ(database.CreateUser("bob", 2, kHashSecret), 0);
        ASSERT_EQ(session.Logon("bob", "secret", false, {}), 0);
        EXPECT_EQ(CurrentUser::Level(), 2u);
    }
    LogonDatabase database = MakeDatabase();
    LogonSession session(database);
    EXPECT_EQ(session.Open(), "bob");
    registry.DeleteKey(testing::kLM, UserKey("bob"));
    EXPECT_EQ(session.Open(), "Admin");
}

TEST_F(LogonSessionTest, PermanentUserCannotChangePasswordButLogsOn) {
    LogonDatabase database = MakeDatabase();
    LogonSession session(database);
    session.Open();
    EXPECT_EQ(session.Logon("training", "training", true, Prompt("new")), 0);
    EXPECT_EQ(ui.Last().text, "changing password for permanent user is not allowed.");
    EXPECT_TRUE(promptedFor.empty());
    EXPECT_EQ(CurrentUser::Level(), 8u);
    EXPECT_EQ(session.Logon("holmgard", "holmgard", true, Prompt("new")), 0);
    EXPECT_TRUE(promptedFor.empty());
    EXPECT_EQ(Dword("training", "Key1"), testing::kHashTraining);
}

TEST_F(LogonSessionTest, PartnerEditionHolmgardMayChangePassword) {
    PutUser("holmgard", 4, "holmgard");
    LogonDatabase database = MakeDatabase(Edition::Partner);
    LogonSession session(database);
    session.Open();
    EXPECT_EQ(session.Logon("holmgard", "holmgard", true, Prompt("secret")), 0);
    EXPECT_EQ(promptedFor, (std::vector<std::string>{"holmgard"}));
    EXPECT_EQ(Dword("holmgard", "Key1"), kHashSecret);
}

TEST_F(LogonSessionTest, AdminPasswordChangeSurvivesTheNextLogon) {
    {
        LogonDatabase database = MakeDatabase();
        LogonSession session(database);
        session.Open();
        ASSERT_EQ(session.Logon("Admin", "admin", true, Prompt("secret")), 0);
        EXPECT_EQ(promptedFor, (std::vector<std::string>{"Admin"}));
        EXPECT_EQ(Dword("Admin", "Key1"), kHashSecret);
        EXPECT_EQ(Dword("Admin", "Key2"), LogonCheckValue(9, kHashSecret, "Admin"));
        EXPECT_EQ(FileText(BackupPath()), FormatAdminBackup(kHashSecret, 9));
    }
    LogonDatabase database = MakeDatabase();
    LogonSession session(database);
    session.Open();
    EXPECT_NE(session.Logon("Admin", "admin", false, {}), 0);
    EXPECT_EQ(session.Logon("Admin", "secret", false, {}), 0);
}

TEST_F(LogonSessionTest, CancelledOrSamePasswordWritesNothing) {
    LogonDatabase database = MakeDatabase();
    LogonSession session(database);
    session.Open();
    ASSERT_EQ(session.Logon("Admin", "admin", false, {}), 0);  // stores the last user
    const std::string before = FileText(registry.FilePath());
    EXPECT_EQ(session.Logon("Admin", "admin", true, Prompt("secret", false)), 0);
    EXPECT_EQ(session.Logon("Admin", "admin", true, Prompt("admin")), 0);
    EXPECT_EQ(promptedFor.size(), 2u);
    EXPECT_EQ(FileText(registry.FilePath()), before);
    EXPECT_EQ(Dword("Admin", "Key1"), kHashAdmin);
}

TEST_F(LogonSessionTest, CorruptRegistryAdmitsNobodyAndWritesNothing) {
    Corrupt();
    const std::string damaged = FileText(registry.FilePath());
    LogonDatabase database = MakeDatabase();
    LogonSession session(database);
    EXPECT_EQ(session.Open(), "Admin");
    EXPECT_NE(session.Logon("Admin", "admin", false, {}), 0);
    EXPECT_EQ(ui.Last().text, "Invalid user Name .");
    EXPECT_EQ(FileText(registry.FilePath()), damaged);
}

TEST(CheckPasswordsMatchTest, MismatchShowsMessage) {
    platform::testing::ScriptedUi ui;
    EXPECT_TRUE(CheckPasswordsMatch("a", "a"));
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_FALSE(CheckPasswordsMatch("a", "A"));
    EXPECT_EQ(ui.Last().text, "Passwords in two input boxes do not match each other. \nPlease re-type the password info.");
}

}  // namespace
}  // namespace logon
