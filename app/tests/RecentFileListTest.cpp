#include <gtest/gtest.h>

#include "app/RecentFileList.h"
#include "platform/testing/TempDir.h"

using app::RecentFileList;

TEST(RecentFileList, KeepsFourFilesMostRecentFirstAcrossRuns) {
    platform::testing::TempDir dir;
    platform::Registry registry(dir.File("registry.dat"));
    {
        RecentFileList list(registry);
        list.Load();
        EXPECT_TRUE(list.Items().empty());
        for (const char* path : {"/a.dmp", "/b.dmp", "/c.dmp", "/d.dmp", "/e.dmp"}) list.Add(path);
        list.Add("/c.dmp");  // reopened: moves to the front, not listed twice
        EXPECT_EQ((std::vector<std::string>{"/c.dmp", "/e.dmp", "/d.dmp", "/b.dmp"}), list.Items());
    }
    RecentFileList again(registry);
    again.Load();
    EXPECT_EQ((std::vector<std::string>{"/c.dmp", "/e.dmp", "/d.dmp", "/b.dmp"}), again.Items());
    again.Remove("/e.dmp");
    RecentFileList third(registry);
    third.Load();
    EXPECT_EQ((std::vector<std::string>{"/c.dmp", "/d.dmp", "/b.dmp"}), third.Items());
}
