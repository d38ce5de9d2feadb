#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>

#include "platform/AtomicFile.h"
#include "platform/Registry.h"
#include "platform/RegistryEdit.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"

using namespace platform;
using platform::testing::ScriptedUi;
using platform::testing::TempDir;

namespace {
const RegRoot HKLM = RegRoot::LocalMachine;
const char* kLogon = "SOFTWARE\\BRKKTE\\Tessaro\\Logon";
}  // namespace

TEST(Registry, ValuesSurviveAReloadWithTypesCaseAndOrder) {
    TempDir dir;
    {
        Registry reg(dir.File("reg.dat"));
        ASSERT_EQ(REG_OK, reg.SetDword(HKLM, std::string(kLogon) + "\\Admin", "Level", 9));
        ASSERT_EQ(REG_OK, reg.SetString(HKLM, std::string(kLogon) + "\\Admin", "Note", "a=b%c\r\nline two"));
        ASSERT_EQ(REG_OK, reg.SetDword(HKLM, std::string(kLogon) + "\\training", "Level", 1));
        ASSERT_EQ(REG_OK, reg.SetString(HKLM, "SOFTWARE\\National Instruments\\NI-FBUS\\CurrentVersion", "", "dflt"));
    }
    Registry reg(dir.File("reg.dat"));
    uint32_t level = 0;
    EXPECT_EQ(REG_OK, reg.GetDword(HKLM, "software\\brkkte\\TESSARO\\logon\\admin", "LEVEL", level));
    EXPECT_EQ(9u, level);
    std::string note;
    EXPECT_EQ(REG_OK, reg.GetString(HKLM, std::string(kLogon) + "\\Admin", "Note", note));
    EXPECT_EQ("a=b%c\r\nline two", note);
    EXPECT_EQ(REG_INVALID_DATA, reg.GetString(HKLM, std::string(kLogon) + "\\Admin", "Level", note));
    EXPECT_EQ(REG_NOT_FOUND, reg.GetString(HKLM, std::string(kLogon) + "\\Nobody", "Level", note));
    std::string dflt;
    EXPECT_EQ(REG_OK, reg.GetString(HKLM, "SOFTWARE\\National Instruments\\NI-FBUS\\CurrentVersion", "", dflt));
    EXPECT_EQ("dflt", dflt);

    std::vector<std::string> users;
    ASSERT_EQ(REG_OK, reg.EnumSubKeys(HKLM, kLogon, users));
    EXPECT_EQ((std::vector<std::string>{"Admin", "training"}), users);

    // Setting an existing value keeps its stored spelling and position.
    ASSERT_EQ(REG_OK, reg.SetDword(HKLM, std::string(kLogon) + "\\ADMIN", "level", 5));
    std::vector<RegValue> values;
    ASSERT_EQ(REG_OK, reg.EnumValues(HKLM, std::string(kLogon) + "\\Admin", values));
    ASSERT_EQ(2u, values.size());
    EXPECT_EQ("Level", values[0].name);
    EXPECT_EQ(5u, values[0].number);
}

TEST(Registry, DeletionOfValuesAndWholeKeys) {
    TempDir dir;
    Registry reg(dir.File("reg.dat"));
    reg.SetDword(HKLM, "A\\B\\C", "x", 1);
    reg.SetDword(HKLM, "A\\B", "y", 2);
    EXPECT_EQ(REG_OK, reg.DeleteValue(HKLM, "A\\B", "Y"));
    EXPECT_EQ(REG_NOT_FOUND, reg.DeleteValue(HKLM, "A\\B", "y"));
    EXPECT_EQ(REG_OK, reg.DeleteKey(HKLM, "a\\b"));
    EXPECT_FALSE(reg.KeyExists(HKLM, "A\\B\\C"));
    EXPECT_TRUE(reg.KeyExists(HKLM, "A"));
    EXPECT_EQ(REG_NOT_FOUND, reg.DeleteKey(HKLM, "A\\B"));
}

TEST(Registry, FileIsOwnerOnly) {
    TempDir dir;
    Registry reg(dir.File("sub/reg.dat"));
    ASSERT_EQ(REG_OK, reg.SetDword(HKLM, "K", "v", 1));
    struct stat st {};
    ASSERT_EQ(0, ::stat(dir.File("sub/reg.dat").c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
}

TEST(Registry, DamagedFileIsReportedAndNeverReplaced) {
    TempDir dir;
    const std::string path = dir.File("reg.dat");
    {
        Registry reg(path);
        reg.SetDword(HKLM, kLogon + std::string("\\Admin"), "Level", 9);
        reg.SetDword(HKLM, kLogon + std::string("\\Bob"), "Level", 3);
    }
    std::string intact;
    ASSERT_TRUE(ReadWholeFile(path, intact));

    // Every truncation and a flipped byte are refused; writes change nothing.
    std::vector<std::string> damaged;
    for (size_t cut = 0; cut < intact.size(); cut += 7) damaged.push_back(intact.substr(0, cut));
    std::string flipped = intact;
    flipped[intact.find("Bob")] = 'X';
    damaged.push_back(flipped);
    for (const auto& bad : damaged) {
        ASSERT_TRUE(WriteFileAtomically(path, bad));
        ScriptedUi ui;
        Registry reg(path);
        uint32_t level = 0;
        EXPECT_EQ(REG_CORRUPT, reg.GetDword(HKLM, kLogon + std::string("\\Admin"), "Level", level));
        EXPECT_EQ(REG_CORRUPT, reg.SetDword(HKLM, kLogon + std::string("\\Admin"), "Level", 1));
        EXPECT_NE(std::string::npos, reg.LastError().find("damaged"));
        std::string after;
        ASSERT_TRUE(ReadWholeFile(path, after));
        EXPECT_EQ(bad, after);
    }
}

TEST(Registry, TwoProcessesWritingAtOnceLoseNothing) {
    TempDir dir;
    const std::string path = dir.File("reg.dat");
    const int perProcess = 40;
    pid_t children[2];
    for (int p = 0; p < 2; ++p) {
        children[p] = ::fork();
        ASSERT_GE(children[p], 0);
        if (children[p] == 0) {
            std::string n = std::to_string(perProcess), who = std::to_string(p);
            ::execl(REGISTRY_WRITER, REGISTRY_WRITER, path.c_str(), who.c_str(), n.c_str(), (char*)nullptr);
            ::_exit(127);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(0, WEXITSTATUS(status));
    }
    Registry reg(path);
    for (int p = 0; p < 2; ++p) {
        std::vector<RegValue> values;
        ASSERT_EQ(REG_OK, reg.EnumValues(HKLM, "Writers\\P" + std::to_string(p), values));
        EXPECT_EQ(static_cast<size_t>(perProcess), values.size());
    }
}

TEST(Registry, UpdateStoresAllItsChangesOrNone) {
    TempDir dir;
    const std::string path = dir.File("reg.dat");
    Registry reg(path);
    ASSERT_EQ(REG_OK, reg.SetDword(HKLM, "U", "Level", 1));
    auto update = [&](int result) {
        return reg.Update([&](RegistryEdit& edit) {
            edit.SetDword(HKLM, "U", "Level", 5);
            edit.SetDword(HKLM, "U", "Key1", 6);
            edit.DeleteKey(HKLM, "Gone");
            uint32_t seen = 0;
            EXPECT_EQ(REG_OK, edit.GetDword(HKLM, "U", "Level", seen));  // the edit sees its own changes
            EXPECT_EQ(5u, seen);
            // The registry itself is refused from inside, instead of waiting for its own lock.
            EXPECT_EQ(REG_ACCESS_DENIED, reg.GetDword(HKLM, "U", "Level", seen));
            return result;
        });
    };
    EXPECT_EQ(7, update(7));
    uint32_t level = 0;
    ASSERT_EQ(REG_OK, reg.GetDword(HKLM, "U", "Level", level));
    EXPECT_EQ(1u, level);
    std::vector<RegValue> values;
    reg.EnumValues(HKLM, "U", values);
    EXPECT_EQ(1u, values.size());

    EXPECT_EQ(REG_OK, update(REG_OK));
    reg.EnumValues(HKLM, "U", values);
    ASSERT_EQ(2u, values.size());
    EXPECT_EQ(5u, values[0].number);
    EXPECT_EQ(6u, values[1].number);
}

TEST(Registry, SaveRemovesTemporariesThatKilledSavesLeft) {
    TempDir dir;
    const std::string path = dir.File("reg.dat");
    ASSERT_TRUE(WriteFileAtomically(path + ".tmpK1lled", "half a file"));
    ASSERT_TRUE(WriteFileAtomically(dir.File("notes.tmpK1lled"), "someone else's"));
    Registry reg(path);
    uint32_t v = 0;
    reg.GetDword(HKLM, "K", "v", v);  // reading leaves them
    EXPECT_TRUE(std::ifstream(path + ".tmpK1lled").good());
    ASSERT_EQ(REG_OK, reg.SetDword(HKLM, "K", "v", 1));
    EXPECT_FALSE(std::ifstream(path + ".tmpK1lled").good());
    EXPECT_TRUE(std::ifstream(dir.File("notes.tmpK1lled")).good());
}
