#include "logon/LogonDatabase.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "logon/BuiltInUsers.h"
#include "logon/tests/LogonTestSupport.h"

namespace logon {
namespace {

using testing::kHashAdmin;
using testing::kHashSecret;
using testing::kLM;

class LogonDatabaseTest : public ::testing::Test, public testing::LogonFixture {};

std::vector<std::string> Names(const LogonDatabase& database) {
    std::vector<std::string> names;
    for (const LogonInfo& user : database.Users()) names.push_back(user.name);
    return names;
}

TEST_F(LogonDatabaseTest, FreshInstallationCreatesBuiltInUsersAndBackup) {
    LogonDatabase database = MakeDatabase();
    EXPECT_EQ(database.Load(), 0);
    EXPECT_TRUE(database.Users().empty());
    EXPECT_EQ(database.Reconcile(), 0);
    EXPECT_EQ(Names(database), (std::vector<std::string>{"Admin", "training", "holmgard"}));
    EXPECT_EQ(Keys(), (std::vector<std::string>{"Admin", "training", "holmgard"}));
    EXPECT_EQ(Dword("Admin", "Level"), 9u);
    EXPECT_EQ(Dword("Admin", "Key1"), kHashAdmin);
    EXPECT_EQ(Dword("Admin", "Key2"), 903541199u);
    EXPECT_EQ(Dword("training", "Level"), 8u);
    EXPECT_EQ(Dword("training", "Key1"), testing::kHashTraining);
    EXPECT_EQ(Dword("holmgard", "Key1"), testing::kHashHolmgard);
    // A new user's values are written Level, Key1, Key2.
    EXPECT_EQ(ValueNames("training"), (std::vector<std::string>{"Level", "Key1", "Key2"}));
    EXPECT_EQ(FileText(BackupPath()), "118750313\n903541199\n9\n");
    EXPECT_TRUE(ui.Messages().empty());

    // A second opening changes nothing.
    const std::string before = FileText(registry.FilePath());
    Opened();
    EXPECT_EQ(FileText(registry.FilePath()), before);
}

TEST_F(LogonDatabaseTest, PartnerEditionHasNoHolmgard) {
    LogonDatabase database = Opened(Edition::Partner);
    EXPECT_EQ(Names(database), (std::vector<std::string>{"Admin", "training"}));
    EXPECT_FALSE(database.IsPermanent("holmgard"));
    EXPECT_TRUE(database.IsPermanent("training"));
    EXPECT_TRUE(MakeDatabase(Edition::Maker).IsPermanent("holmgard"));
}

TEST_F(LogonDatabaseTest, TamperedEntriesAreDroppedButStayInTheRegistry) {
    PutUser("bob", 3, "secret");
    PutUser("carol", 5, "secret");
    PutUser("dave", 6, "secret");
    PutRaw("eve", 10, kHashSecret, LogonCheckValue(10, kHashSecret, "eve"));  // level 10, consistent
    registry.SetDword(kLM, UserKey("carol"), "Level", 9);                      // raised by hand
    registry.SetDword(kLM, UserKey("dave"), "Key1", kHashAdmin);               // Key1 by hand
    LogonDatabase database = MakeDatabase();
    ASSERT_EQ(database.Load(), 0);
    EXPECT_EQ(Names(database), (std::vector<std::string>{"bob"}));
    EXPECT_EQ(database.Find("bob")->level, 3u);
    EXPECT_EQ(Keys(), (std::vector<std::string>{"bob", "carol", "dave", "eve"}));
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(LogonDatabaseTest, ReadsOnlyCompleteDwordRecords) {
    PutUser("bob", 3, "secret");
    // Value names compare without regard to case.
    const uint32_t key1 = kHashSecret;
    registry.SetDword(kLM, UserKey("carol"), "LEVEL", 4);
    registry.SetDword(kLM, UserKey("carol"), "key1", key1);
    registry.SetDword(kLM, UserKey("carol"), "KeY2", LogonCheckValue(4, key1, "carol"));
    // Missing Key2.
    registry.SetDword(kLM, UserKey("dave"), "Level", 4);
    registry.SetDword(kLM, UserKey("dave"), "Key1", key1);
    // Level held as a string.
    registry.SetString(kLM, UserKey("eve"), "Level", "4");
    registry.SetDword(kLM, UserKey("eve"), "Key1", key1);
    registry.SetDword(kLM, UserKey("eve"), "Key2", LogonCheckValue(4, key1, "eve"));
    LogonDatabase database = MakeDatabase();
    ASSERT_EQ(database.Load(), 0);
    EXPECT_EQ(Names(database), (std::vector<std::string>{"bob", "carol"}));
    // Names are exact.
    EXPECT_EQ(database.Find("Bob"), nullptr);
}

TEST_F(LogonDatabaseTest, DeletedAdminComesBackFromBackupWithItsPassword) {
    {
        LogonDatabase database = Opened();
        ASSERT_EQ(database.SetPassword("Admin", kHashSecret), 0);
    }
    EXPECT_EQ(FileText(BackupPath()), FormatAdminBackup(kHashSecret, 9));
    registry.DeleteKey(kLM, UserKey("Admin"));
    LogonDatabase database = Opened();
    ASSERT_NE(database.Find("Admin"), nullptr);
    EXPECT_EQ(database.Find("Admin")->key1, kHashSecret);
    EXPECT_EQ(database.Find("Admin")->level, 9u);
    EXPECT_EQ(Dword("Admin", "Key1"), kHashSecret);
    EXPECT_EQ(Dword("Admin", "Key2"), LogonCheckValue(9, kHashSecret, "Admin"));
}

TEST_F(LogonDatabaseTest, AdminKey1EditedConsistentlyResetsToDefault) {
    { Opened(); }
    // Someone who knows the check value edits Admin's Key1 and Key2 together.
    PutRaw("Admin", 9, kHashSecret, LogonCheckValue(9, kHashSecret, "Admin"));
    LogonDatabase database = Opened();
    EXPECT_EQ(database.Find("Admin")->key1, kHashAdmin);
    EXPECT_EQ(Dword("Admin", "Key1"), kHashAdmin);
    EXPECT_EQ(FileText(BackupPath()), FormatAdminBackup(kHashAdmin, 9));
}

TEST_F(LogonDatabaseTest, AdminKey1EditedAloneRestoresFromBackup) {
    {
        LogonDatabase database = Opened();
        database.SetPassword("Admin", kHashSecret);
    }
    // Key2 no longer matches: Admin is dropped and the backup brings the old record back.
    registry.SetDword(kLM, UserKey("Admin"), "Key1", kHashAdmin);
    LogonDatabase database = Opened();
    EXPECT_EQ(database.Find("Admin")->key1, kHashSecret);
    EXPECT_EQ(Dword("Admin", "Key1"), kHashSecret);
}

TEST_F(LogonDatabaseTest, InterruptedAdminSaveIsFinishedOrDropped) {
    { Opened(); }
    const std::string pending = PendingAdminBackupPath(BackupPath());
    struct stat st {};
    // Killed after the registry was stored: the pending backup agrees with it and completes.
    PutUser("Admin", 9, "secret");
    platform::WriteFileAtomically(pending, FormatAdminBackup(kHashSecret, 9));
    {
        LogonDatabase database = Opened();
        EXPECT_EQ(database.Find("Admin")->key1, kHashSecret);
        EXPECT_EQ(FileText(BackupPath()), FormatAdminBackup(kHashSecret, 9));
        EXPECT_NE(::stat(pending.c_str(), &st), 0);
    }
    // Killed before: the pending backup never reached the registry and is dropped.
    platform::WriteFileAtomically(pending, FormatAdminBackup(kHashAdmin, 9));
    LogonDatabase database = Opened();
    EXPECT_EQ(database.Find("Admin")->key1, kHashSecret);
    EXPECT_EQ(FileText(BackupPath()), FormatAdminBackup(kHashSecret, 9));
    EXPECT_NE(::stat(pending.c_str(), &st), 0);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(LogonDatabaseTest, MissingBackupIsWrittenFromRegistry) {
    PutUser("Admin", 9, "secret");
    LogonDatabase database = Opened();
    EXPECT_EQ(database.Find("Admin")->key1, kHashSecret);
    EXPECT_EQ(FileText(BackupPath()), FormatAdminBackup(kHashSecret, 9));
}

TEST_F(LogonDatabaseTest, InvalidBackupAndNoAdminRecreateDefaults) {
    for (const std::string damaged : {"garbage", "118750313\n903541198\n9\n", "118750313\n"}) {
        SCOPED_TRACE(damaged);
        registry.DeleteKey(kLM, UserKey("Admin"));
        platform::WriteFileAtomically(BackupPath(), damaged);
        LogonDatabase database = Opened();
        EXPECT_EQ(database.Find("Admin")->key1, kHashAdmin);
        EXPECT_EQ(FileText(BackupPath()), FormatAdminBackup(kHashAdmin, 9));
    }
}

TEST_F(LogonDatabaseTest, BackupWithLowerLevelRestoresThatLevel) {
    platform::WriteFileAtomically(BackupPath(), FormatAdminBackup(kHashSecret, 7));
    LogonDatabase database = Opened();
    EXPECT_EQ(database.Find("Admin")->level, 7u);
    EXPECT_EQ(database.Find("Admin")->key1, kHashSecret);
}

TEST_F(LogonDatabaseTest, CorruptRegistryIsReportedAndLeftUntouched) {
    { Opened(); }
    Corrupt();
    const std::string damaged = FileText(registry.FilePath());
    ::remove(BackupPath().c_str());
    LogonDatabase database = MakeDatabase();
    EXPECT_EQ(database.Load(), platform::REG_CORRUPT);
    EXPECT_FALSE(database.IsReadable());
    EXPECT_NE(database.Reconcile(), 0);
    EXPECT_NE(database.CreateUser("bob", 3, kHashSecret), 0);
    EXPECT_NE(database.StoreLastUser("Admin"), 0);
    EXPECT_TRUE(database.Users().empty());
    EXPECT_EQ(FileText(registry.FilePath()), damaged);
    struct stat st {};
    EXPECT_NE(::stat(BackupPath().c_str(), &st), 0);  // no backup written either
    ASSERT_FALSE(ui.Messages().empty());
    EXPECT_NE(ui.Messages().front().text.find("damaged"), std::string::npos);
}

TEST_F(LogonDatabaseTest, CreateUserRefusesDuplicates) {
    LogonDatabase database = Opened();
    EXPECT_EQ(database.CreateUser("bob", 3, kHashSecret), 0);
    EXPECT_NE(database.CreateUser("bob", 4, kHashAdmin), 0);
    EXPECT_EQ(ui.Last().text, "Duplicate logon name encountered. Please try a different one.");
    EXPECT_EQ(Dword("bob", "Level"), 3u);
}

TEST_F(LogonDatabaseTest, FailedPasswordWriteKeepsOldPassword) {
    LogonDatabase database = Opened();
    ASSERT_EQ(database.CreateUser("bob", 3, kHashAdmin), 0);
    Corrupt();
    EXPECT_NE(database.SetPassword("bob", kHashSecret), 0);
    EXPECT_EQ(ui.Last().text, "Error: Failed to create logon info.");
    EXPECT_EQ(database.Find("bob")->key1, kHashAdmin);
}

TEST_F(LogonDatabaseTest, FailedBackupWriteKeepsAdminPasswordInForce) {
    LogonDatabase database = Opened();
    // A folder where the backup file should be makes every write of the file fail.
    ::remove(BackupPath().c_str());
    ASSERT_EQ(::mkdir(BackupPath().c_str(), 0700), 0);
    EXPECT_NE(database.SetPassword("Admin", kHashSecret), 0);
    EXPECT_EQ(ui.Last().text, "Error: Failed to create logon info.");
    EXPECT_EQ(database.Find("Admin")->key1, kHashAdmin);
    EXPECT_EQ(Dword("Admin", "Key1"), kHashAdmin);
    EXPECT_EQ(Dword("Admin", "Key2"), 903541199u);
    ::rmdir(BackupPath().c_str());
}

TEST_F(LogonDatabaseTest, KeySpelledInOtherCaseDoesNotHideBuiltInUser) {
    // Registry key names ignore case; a valid record under "ADMIN" would otherwise swallow
    // every attempt to recreate "Admin".
    PutUser("ADMIN", 9, "secret");
    LogonDatabase database = Opened();
    ASSERT_NE(database.Find("Admin"), nullptr);
    LogonDatabase again = MakeDatabase();
    again.Load();
    EXPECT_NE(again.Find("Admin"), nullptr);
    EXPECT_EQ(again.Find("ADMIN"), nullptr);
}

TEST_F(LogonDatabaseTest, LastUserIsTheAdminKeysDefaultValue) {
    LogonDatabase database = Opened();
    EXPECT_EQ(database.ReadLastUser(), "");
    EXPECT_EQ(database.StoreLastUser("training"), 0);
    std::string stored;
    registry.GetString(kLM, UserKey("Admin"), "", stored);
    EXPECT_EQ(stored, "training");
    EXPECT_EQ(database.ReadLastUser(), "training");
}

}  // namespace
}  // namespace logon

namespace logon {
namespace {

TEST(EditionTest, PartnerEditionOnlyWhenNamed) {
    EXPECT_EQ(EditionFromSetting(""), Edition::Maker);
    EXPECT_EQ(EditionFromSetting("Tessaro"), Edition::Maker);
    EXPECT_EQ(EditionFromSetting("something else"), Edition::Maker);
    EXPECT_EQ(EditionFromSetting("Meridane"), Edition::Partner);
    EXPECT_EQ(EditionFromSetting("MERIDANE"), Edition::Partner);
    EXPECT_EQ(EditionFromSetting("partner"), Edition::Partner);
}

}  // namespace
}  // namespace logon
