#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/testing/TempDir.h"

using namespace platform;

TEST(Paths, JoinHandlesDesignStyleBackslashes) {
    EXPECT_EQ("/home/a/Config Files/RPXDEF.dmp", JoinPath(JoinPath("/home/a/", "\\Config Files"), "RPXDEF.dmp"));
    EXPECT_EQ("/x/Tessaro.ini", JoinPath("/x", "\\Tessaro.ini"));
}

TEST(Paths, ProgramDirectoryIsSeededOnceWithoutOverwriting) {
    platform::testing::TempDir seed, home;
    std::filesystem::create_directories(seed.File("Config Files"));
    ASSERT_TRUE(WriteFileAtomically(seed.File("Config Files/RPXDEF.dmp"), "shipped"));
    ASSERT_TRUE(WriteFileAtomically(seed.File("Tessaro.ini"), "shipped"));
    ASSERT_TRUE(WriteFileAtomically(home.File("Tessaro.ini"), "user's own"));
    setenv("TESSARO_HOME", home.Path().c_str(), 1);
    setenv("TESSARO_SEED_DIR", seed.Path().c_str(), 1);
    ResetPathCache();
    EXPECT_EQ(home.Path(), ProgramDirectory());
    std::string text;
    ASSERT_TRUE(ReadWholeFile(home.File("Config Files/RPXDEF.dmp"), text));
    EXPECT_EQ("shipped", text);
    ASSERT_TRUE(ReadWholeFile(home.File("Tessaro.ini"), text));
    EXPECT_EQ("user's own", text);
    unsetenv("TESSARO_HOME");
    unsetenv("TESSARO_SEED_DIR");
    ResetPathCache();
}

TEST(AtomicFile, FailedWriteLeavesTheOldFile) {
    platform::testing::TempDir dir;
    ASSERT_TRUE(WriteFileAtomically(dir.File("f"), "old"));
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(dir.File("missing/f"), "new", &error));
    EXPECT_FALSE(error.empty());
    std::string text;
    ASSERT_TRUE(ReadWholeFile(dir.File("f"), text));
    EXPECT_EQ("old", text);
}
