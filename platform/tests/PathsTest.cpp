#include <gtest/gtest.h>

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

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

TEST(AtomicFile, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirMode) {
    platform::testing::TempDir dir;
    auto mode = [&](const std::string& name) {
        struct stat st {};
        ::stat(dir.File(name).c_str(), &st);
        return st.st_mode & 0777;
    };
    const mode_t saved = ::umask(027);
    EXPECT_TRUE(WriteFileAtomically(dir.File("new.ini"), "a"));
    EXPECT_EQ(0640u, mode("new.ini"));
    ::umask(0);
    ASSERT_EQ(0, ::chmod(dir.File("new.ini").c_str(), 0600));
    EXPECT_TRUE(WriteFileAtomically(dir.File("new.ini"), "b"));
    EXPECT_EQ(0600u, mode("new.ini"));
    ASSERT_EQ(0, ::chmod(dir.File("new.ini").c_str(), 0664));
    EXPECT_TRUE(WriteFileAtomically(dir.File("new.ini"), "c", nullptr, 0600));  // a private file stays private
    EXPECT_EQ(0600u, mode("new.ini"));
    ::umask(saved);
}

TEST(AtomicFile, OnlyTemporariesOfTheSavedFileAreRemoved) {
    platform::testing::TempDir dir;
    const std::vector<std::string> stale{"reg.dat.tmpAb3XyZ", "reg.dat.tmp000000"};
    const std::vector<std::string> kept{"reg.dat", "reg.dat.tmpAb3Xy", "reg.dat.tmpAb3XyZ1", "reg.dat.tmpAb-XyZ",
                                        "other.dat.tmpAb3XyZ", "reg.dat.lock"};
    for (const auto& name : stale) ASSERT_TRUE(WriteFileAtomically(dir.File(name), "x"));
    for (const auto& name : kept) ASSERT_TRUE(WriteFileAtomically(dir.File(name), "x"));
    RemoveStaleTemporaries(dir.File("reg.dat"));
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    std::vector<std::string> expected = kept;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, left);
}
