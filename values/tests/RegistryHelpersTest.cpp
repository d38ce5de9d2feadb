#include <gtest/gtest.h>

#include <fstream>

#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"
#include "values/RegistryHelpers.h"

using platform::RegRoot;
using namespace values;

namespace {
const char* kKey = "SOFTWARE\\BRKKTE\\Tessaro\\Logon";
}

TEST(RegistryHelpers, WritesAndReadsBack) {
    platform::testing::ScriptedUi ui;
    platform::testing::TempDir dir;
    platform::Registry registry(dir.File("registry.dat"));
    EXPECT_EQ(0, WriteRegistryString(registry, RegRoot::CurrentUser, kKey, "", "Admin"));
    EXPECT_EQ(0, WriteRegistryDword(registry, RegRoot::CurrentUser, kKey + std::string("\\Admin"), "Level", 9));
    EXPECT_EQ("Admin", ReadRegistryString(registry, RegRoot::CurrentUser, kKey, ""));
    uint32_t level = 0;
    EXPECT_EQ(0, registry.GetDword(RegRoot::CurrentUser, kKey + std::string("\\Admin"), "Level", level));
    EXPECT_EQ(9u, level);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST(RegistryHelpers, OnlyStringValuesAreRead) {
    platform::testing::ScriptedUi ui;
    platform::testing::TempDir dir;
    platform::Registry registry(dir.File("registry.dat"));
    ASSERT_EQ(0, WriteRegistryDword(registry, RegRoot::LocalMachine, "SOFTWARE\\Bus", "Port", 7));
    EXPECT_EQ("", ReadRegistryString(registry, RegRoot::LocalMachine, "SOFTWARE\\Bus", "Port"));
    EXPECT_EQ("", ReadRegistryString(registry, RegRoot::LocalMachine, "SOFTWARE\\Bus", "Missing"));
    EXPECT_EQ("", ReadRegistryString(registry, RegRoot::LocalMachine, "SOFTWARE\\Nothing", "Path"));
    EXPECT_TRUE(ui.Messages().empty());  // failures stay silent without the diagnostic switch
}

TEST(RegistryHelpers, FailuresAreShownWhileShiftIsHeld) {
    platform::testing::ScriptedUi ui;
    ui.SetKeyDown(platform::Key::Shift, true);
    platform::testing::TempDir dir;
    platform::Registry good(dir.File("registry.dat"));
    ASSERT_EQ(0, WriteRegistryDword(good, RegRoot::LocalMachine, "SOFTWARE\\Bus", "Port", 7));
    EXPECT_EQ("", ReadRegistryString(good, RegRoot::LocalMachine, "SOFTWARE\\Bus", "Port"));
    ASSERT_EQ(1u, ui.Messages().size());
    EXPECT_EQ("Error quering Port under subkey SOFTWARE\\Bus with handle -2147483646", ui.Last().text);

    // A registry whose file cannot be created: its folder is a plain file.
    std::ofstream(dir.File("plain")) << "x";
    platform::Registry broken(dir.File("plain") + "/registry.dat");
    EXPECT_NE(0, WriteRegistryDword(broken, RegRoot::CurrentUser, "K", "Level", 9));
    EXPECT_NE(0, WriteRegistryString(broken, RegRoot::CurrentUser, "K", "Name", "Admin"));
    ASSERT_EQ(3u, ui.Messages().size());
    EXPECT_EQ("Error setting 9 for Level under subkey K with handle -2147483647", ui.Messages()[1].text);
    EXPECT_EQ("Error setting Admin for Name under subkey K with handle -2147483647", ui.Messages()[2].text);
}
