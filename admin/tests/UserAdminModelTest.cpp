#include "admin/UserAdminModel.h"

#include <gtest/gtest.h>

#include "logon/BuiltInUsers.h"
#include "logon/tests/LogonTestSupport.h"

namespace admin {
namespace {

using logon::LogonCheckValue;
using logon::testing::kHashAdmin;
using logon::testing::kHashSecret;
using logon::testing::kLM;
using platform::IDNO;
using platform::IDYES;

class UserAdminModelTest : public ::testing::Test, public logon::testing::LogonFixture {
protected:
    std::vector<std::string> Names(const UserAdminModel& model) {
        std::vector<std::string> names;
        for (const auto& entry : model.Entries()) names.push_back(entry.name);
        return names;
    }
    int RowOf(const UserAdminModel& model, const std::string& name) {
        for (int row = 0; row < model.Count(); ++row)
            if (model.Entries()[row].name == name) return row;
        return -1;
    }
    void Select(UserAdminModel& model, const std::string& name) { model.Click(RowOf(model, name)); }
    // The database as the next program run sees it.
    logon::LogonDatabase Reloaded(logon::Edition edition = logon::Edition::Maker) {
        logon::LogonDatabase database = MakeDatabase(edition);
        database.Load();
        return database;
    }
};

TEST_F(UserAdminModelTest, WorkingCopyPutsAdminFirst) {
    PutUser("bob", 3, "secret");
    logon::LogonDatabase database = Opened();  // bob, Admin, training, holmgard
    ASSERT_EQ(database.Users().front().name, "bob");
    UserAdminModel model(database.Users(), logon::Edition::Maker);
    EXPECT_EQ(Names(model), (std::vector<std::string>{"Admin", "bob", "training", "holmgard"}));
}

TEST_F(UserAdminModelTest, ButtonStatesFollowTheSelectedRow) {
    PutUser("bob", 3, "secret");
    logon::LogonDatabase database = Opened();
    for (logon::Edition edition : {logon::Edition::Maker, logon::Edition::Partner}) {
        UserAdminModel model(database.Users(), edition);
        auto states = [&](int row) {
            model.Click(row);
            const AdminButtonStates s = model.ButtonStates();
            return std::vector<bool>{s.addUser, s.changePassword, s.changePrivilege, s.removeUser};
        };
        EXPECT_EQ(states(-1), (std::vector<bool>{true, false, false, false}));
        EXPECT_EQ(model.RememberedUser(), "");
        EXPECT_EQ(states(0), (std::vector<bool>{true, true, false, false}));
        EXPECT_EQ(model.RememberedUser(), "Admin");
        EXPECT_EQ(states(RowOf(model, "training")), (std::vector<bool>{true, false, true, false}));
        EXPECT_EQ(states(RowOf(model, "bob")), (std::vector<bool>{true, true, true, true}));
        const auto holmgard = states(RowOf(model, "holmgard"));
        if (edition == logon::Edition::Maker)
            EXPECT_EQ(holmgard, (std::vector<bool>{true, false, true, false}));
        else
            EXPECT_EQ(holmgard, (std::vector<bool>{true, true, true, true}));
        EXPECT_EQ(states(99), (std::vector<bool>{true, false, false, false}));
    }
}

TEST_F(UserAdminModelTest, NewUserChecksInOrder) {
    logon::LogonDatabase database = Opened();
    UserAdminModel model(database.Users(), logon::Edition::Maker);
    uint32_t level = 99;
    auto check = [&](const std::string& name, const std::string& pw, const std::string& confirm,
                     const std::string& privilege) {
        ui.Clear();
        const int rc = model.CheckNewUser(name, pw, confirm, privilege, level);
        return rc == 0 ? std::string("ok") : ui.Last().text;
    };
    const std::string mismatch =
        "Passwords in two input boxes do not match each other. \nPlease re-type the password info.";
    const std::string duplicate = "Duplicate user name encountered. Please try a different one.";
    const std::string range = "Please enter an integer between 0 and 9.";
    EXPECT_EQ(check("", "a", "b", "x"), "Cannot accept empty User Name.");
    EXPECT_EQ(check("training", "a", "b", "x"), duplicate);
    EXPECT_EQ(check("ADMIN", "a", "a", "1"), duplicate);  // one registry key for both
    EXPECT_EQ(check("a\\b", "a", "a", "1"), "User Name cannot contain a backslash.");
    EXPECT_EQ(check("bob", "a", "b", "x"), mismatch);
    EXPECT_EQ(check("bob", "a", "a", "10"), range);
    EXPECT_EQ(check("bob", "a", "a", "-1"), range);
    EXPECT_EQ(check("bob", "a", "a", "4x"), range);
    EXPECT_EQ(check("bob", "a", "a", ""), range);
    EXPECT_EQ(check("bob", "a", "a", "07"), "ok");
    EXPECT_EQ(level, 7u);
    EXPECT_EQ(check("bob", "", "", " 0 "), "ok");
    EXPECT_EQ(level, 0u);
    EXPECT_EQ(ui.Messages().size(), 0u);
}

TEST_F(UserAdminModelTest, CommitCreatesAddedUsers) {
    logon::LogonDatabase database = Opened();
    UserAdminModel model(database.Users(), logon::Edition::Maker);
    model.AddUser("bob", "secret", 5);
    EXPECT_EQ(model.Entries().back(), logon::MakeLogonInfo("bob", 5, kHashSecret));
    EXPECT_EQ(model.Entries().back().key2, LogonCheckValue(5, kHashSecret, "bob"));
    EXPECT_FALSE(registry.KeyExists(kLM, logon::UserKey("bob")));  // only the working copy changed
    ASSERT_EQ(model.Commit(database), 0);
    EXPECT_EQ(ValueNames("bob"), (std::vector<std::string>{"Level", "Key1", "Key2"}));
    const logon::LogonDatabase next = Reloaded();
    const logon::LogonInfo* bob = next.Find("bob");
    ASSERT_NE(bob, nullptr);
    EXPECT_EQ(bob->level, 5u);
    EXPECT_EQ(bob->key1, kHashSecret);
}

TEST_F(UserAdminModelTest, AddedAndRemovedBeforeCommitIsNeverWritten) {
    logon::LogonDatabase database = Opened();
    const std::string before = FileText(registry.FilePath());
    UserAdminModel model(database.Users(), logon::Edition::Maker);
    model.AddUser("bob", "secret", 5);
    Select(model, "bob");
    ui.Answer(IDYES, "remove user bob");
    EXPECT_EQ(model.RemoveSelected(), 0);
    EXPECT_EQ(ui.Last().text, "Are you sure that you want to remove user bob from logon database ?");
    EXPECT_EQ(ui.Last().buttons, platform::MB_YESNO);
    ASSERT_EQ(model.Commit(database), 0);
    EXPECT_EQ(FileText(registry.FilePath()), before);
}

TEST_F(UserAdminModelTest, RemoveThenAddSameNameIsAnUpdate) {
    PutUser("bob", 3, "admin");
    PutUser("carol", 4, "admin");
    logon::LogonDatabase database = Opened();
    UserAdminModel model(database.Users(), logon::Edition::Maker);
    Select(model, "bob");
    ui.Answer(IDYES);
    ASSERT_EQ(model.RemoveSelected(), 0);
    uint32_t level = 0;
    ASSERT_EQ(model.CheckNewUser("bob", "secret", "secret", "6", level), 0);  // free again
    model.AddUser("bob", "secret", level);
    ASSERT_EQ(model.Commit(database), 0);
    // Updated in place: the key keeps its position and its values their order
    // (a deletion and creation would have moved both).
    EXPECT_EQ(Keys(), (std::vector<std::string>{"bob", "carol", "Admin", "training", "holmgard"}));
    EXPECT_EQ(ValueNames("bob"), (std::vector<std::string>{"Level", "Key1", "Key2"}));
    EXPECT_EQ(Dword("bob", "Level"), 6u);
    EXPECT_EQ(Dword("bob", "Key1"), kHashSecret);
    EXPECT_NE(Reloaded().Find("bob"), nullptr);
}

TEST_F(UserAdminModelTest, DeletionsComeBeforeCreations) {
    // "Bob" and "bob" share one registry key: creating "bob" before deleting "Bob" would
    // delete the new user again.
    PutUser("Bob", 3, "admin");
    logon::LogonDatabase database = Opened();
    UserAdminModel model(database.Users(), logon::Edition::Maker);
    Select(model, "Bob");
    ui.Answer(IDYES);
    ASSERT_EQ(model.RemoveSelected(), 0);
    model.AddUser("bob", "secret", 4);
    ASSERT_EQ(model.Commit(database), 0);
    logon::LogonDatabase next = Reloaded();
    EXPECT_EQ(next.Find("Bob"), nullptr);
    ASSERT_NE(next.Find("bob"), nullptr);
    EXPECT_EQ(next.Find("bob")->level, 4u);
}

TEST_F(UserAdminModelTest, CommitDeletesRemovedUsers) {
    PutUser("bob", 3, "admin");
    registry.SetString(kLM, logon::UserKey("bob"), "Note", "kept with the key");
    logon::LogonDatabase database = Opened();
    UserAdminModel model(database.Users(), logon::Edition::Maker);
    Select(model, "bob");
    ui.Answer(IDNO);
    EXPECT_EQ(model.RemoveSelected(), 2);
    EXPECT_EQ(model.Count(), 4);
    ui.Answer(IDYES);
    EXPECT_EQ(model.RemoveSelected(), 0);
    EXPECT_EQ(model.RememberedUser(), "");
    ASSERT_EQ(model.Commit(database), 0);
    EXPECT_FALSE(registry.KeyExists(kLM, logon::UserKey("bob")));
    EXPECT_EQ(database.Find("bob"), nullptr);
}

TEST_F(UserAdminModelTest, BuiltInUsersAreProtected) {
    logon::LogonDatabase database = Opened();
    UserAdminModel model(database.Users(), logon::Edition::Maker);
    Select(model, "Admin");
    EXPECT_NE(model.ChangePrivilege(5), 0);
    EXPECT_NE(model.RemoveSelected(), 0);
    Select(model, "training");
    EXPECT_NE(model.ChangePassword("secret"), 0);
    EXPECT_NE(model.RemoveSelected(), 0);
    EXPECT_EQ(model.ChangePrivilege(3), 0);
    Select(model, "holmgard");
    EXPECT_NE(model.ChangePassword("secret"), 0);
    EXPECT_NE(model.RemoveSelected(), 0);
    EXPECT_TRUE(ui.Messages().empty());  // no question was asked
    ASSERT_EQ(model.Commit(database), 0);
    EXPECT_EQ(Dword("training", "Level"), 3u);
    EXPECT_EQ(Dword("training", "Key1"), logon::testing::kHashTraining);
    EXPECT_EQ(Dword("Admin", "Level"), 9u);
}

TEST_F(UserAdminModelTest, PartnerEditionHolmgardIsOrdinary) {
    PutUser("holmgard", 4, "holmgard");
    logon::LogonDatabase database = Opened(logon::Edition::Partner);
    UserAdminModel model(database.Users(), logon::Edition::Partner);
    Select(model, "holmgard");
    EXPECT_EQ(model.ChangePassword("secret"), 0);
    ASSERT_EQ(model.Commit(database), 0);
    EXPECT_EQ(Dword("holmgard", "Key1"), kHashSecret);
    Select(model, "holmgard");
    ui.Answer(IDYES);
    EXPECT_EQ(model.RemoveSelected(), 0);
}

TEST_F(UserAdminModelTest, UpdatesWriteOnlyChangedUsers) {
    PutUser("bob", 3, "admin");
    logon::LogonDatabase database = Opened();
    UserAdminModel model(database.Users(), logon::Edition::Maker);
    Select(model, "bob");
    EXPECT_NE(model.ChangePassword("admin"), 0);  // same password: no change
    EXPECT_NE(model.ChangePrivilege(3), 0);       // same level: no change
    const std::string before = FileText(registry.FilePath());
    ASSERT_EQ(model.Commit(database), 0);
    EXPECT_EQ(FileText(registry.FilePath()), before);
    EXPECT_EQ(model.ChangePrivilege(7), 0);
    EXPECT_EQ(model.Entries()[RowOf(model, "bob")].key2, LogonCheckValue(7, kHashAdmin, "bob"));
    ASSERT_EQ(model.Commit(database), 0);
    EXPECT_EQ(Reloaded().Find("bob")->level, 7u);
}

TEST_F(UserAdminModelTest, AdminPasswordChangeRewritesBackup) {
    logon::LogonDatabase database = Opened();
    UserAdminModel model(database.Users(), logon::Edition::Maker);
    Select(model, "Admin");
    ASSERT_EQ(model.ChangePassword("secret"), 0);
    ASSERT_EQ(model.Commit(database), 0);
    EXPECT_EQ(FileText(BackupPath()), logon::FormatAdminBackup(kHashSecret, 9));
    // The next opening keeps the new password instead of resetting it.
    logon::LogonDatabase next = Opened();
    EXPECT_EQ(next.Find("Admin")->key1, kHashSecret);
}

TEST_F(UserAdminModelTest, CommitIntoDamagedRegistryReportsAndChangesNothing) {
    PutUser("bob", 3, "admin");
    logon::LogonDatabase database = Opened();
    UserAdminModel model(database.Users(), logon::Edition::Maker);
    Select(model, "bob");
    model.ChangePrivilege(4);
    model.AddUser("carol", "secret", 2);
    Corrupt();
    const std::string damaged = FileText(registry.FilePath());
    EXPECT_NE(model.Commit(database), 0);
    EXPECT_EQ(ui.Last().text, "Error: Failed to create logon info.");
    EXPECT_EQ(FileText(registry.FilePath()), damaged);
}

}  // namespace
}  // namespace admin
