#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/FileFinder.h"
#include "app/ServerCheck.h"
#include "platform/AtomicFile.h"
#include "platform/Registry.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"

using namespace platform;
using platform::testing::FakeClock;
using platform::testing::ScriptedUi;
using platform::testing::TempDir;

namespace {

// A registry and an installation folder of the server for one test.
class ServerCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TESSARO_REGISTRY", dir.File("registry.dat").c_str(), 1);
        std::filesystem::create_directories(dir.File("nifb/Binaries"));
        WriteFileAtomically(dir.File("nifb/Binaries/nifb"), "#!/bin/sh\n");
        server = dir.File("nifb/Binaries/nifb");
    }
    void TearDown() override { unsetenv("TESSARO_REGISTRY"); }
    Registry Reg() { return Registry(dir.File("registry.dat")); }
    void Install(const std::string& version) {
        Registry reg = Reg();
        reg.SetString(RegRoot::LocalMachine, app::kServerKey, "Version", version);
        reg.SetString(RegRoot::LocalMachine, app::kServerKey, "Path", dir.File("nifb"));
    }
    int Check() {
        app::ServerCheckHooks hooks;
        hooks.isServerAvailable = [this] { return running; };
        hooks.launch = [this](const std::string& path) {
            launched = path;
            return canLaunch;
        };
        return app::ServerCheck("Tessaro", hooks);
    }

    TempDir dir;
    std::string server;
    bool running = false;
    bool canLaunch = true;
    std::string launched;
};

}  // namespace

TEST_F(ServerCheckTest, CurrentVersionRunningGoesOnSilently) {
    ScriptedUi ui;
    Install("3.0");
    running = true;
    EXPECT_EQ(0, Check());
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ServerCheckTest, NotRunningAsksTwiceAndEachAnswerDecides) {
    Install("3.0");
    {
        ScriptedUi ui;
        ui.Answer(IDCANCEL, "is found but is not currently running");
        EXPECT_EQ(1, Check());
        EXPECT_EQ("The installed interface component " + server +
                      " is found but is not currently running. \n\nDo you want to launch it ?",
                  ui.Last().text);
        EXPECT_EQ(MB_YESNOCANCEL, ui.Last().buttons);
        EXPECT_EQ(MB_ICONINFORMATION, ui.Last().icon);
    }
    {
        ScriptedUi ui;
        ui.Answer(IDNO);
        EXPECT_EQ(0, Check());  // go on without a server
    }
    {
        ScriptedUi ui;
        ui.Answer(IDYES).Answer(IDNO, "Link Master");
        EXPECT_EQ(0, Check());
        EXPECT_TRUE(launched.empty());
    }
    {
        ScriptedUi ui;
        ui.Answer(IDYES).Answer(IDCANCEL, "Proceed to launch NIFB server?");
        EXPECT_EQ(1, Check());
    }
}

TEST_F(ServerCheckTest, LaunchWaitsUntilTheServerAnswersThenSettles) {
    Install("3.0");
    ScriptedUi ui;
    FakeClock clock;
    const uint64_t start = clock.NowMs();
    uint64_t answeredAt = 0;
    clock.OnSleep([&](uint64_t now) {
        if (!running && now - start >= 40000) {
            running = true;
            answeredAt = now;
        }
    });
    ui.Answer(IDYES).Answer(IDYES);
    EXPECT_EQ(0, Check());
    EXPECT_EQ(server, launched);
    EXPECT_EQ(answeredAt + 5000, clock.NowMs());
    EXPECT_EQ(2u, ui.Messages().size());
    // A window says what is happening meanwhile, and goes when start-up goes on.
    ASSERT_EQ(1u, ui.Progress().size());
    EXPECT_EQ("Starting the Fieldbus server", ui.Progress()[0]->caption);
    EXPECT_NE(std::string::npos, ui.Progress()[0]->text.find("it is getting ready"));
    EXPECT_TRUE(ui.Progress()[0]->closed);
}

TEST_F(ServerCheckTest, LaunchTimesOutAfterNinetySeconds) {
    Install("3.0");
    ScriptedUi ui;
    FakeClock clock;
    const uint64_t start = clock.NowMs();
    ui.Answer(IDYES).Answer(IDYES);
    EXPECT_EQ(1, Check());
    EXPECT_EQ("Time out on waiting for NIFB initialization completion. \nThe program will exit.", ui.Last().text);
    EXPECT_GT(clock.NowMs() - start, 90000u);
    EXPECT_LE(clock.NowMs() - start, 92000u);
}

TEST_F(ServerCheckTest, ProcessThatCannotStartEndsWithoutMessage) {
    Install("3.0");
    ScriptedUi ui;
    canLaunch = false;
    ui.Answer(IDYES).Answer(IDYES);
    EXPECT_EQ(1, Check());
    EXPECT_EQ(2u, ui.Messages().size());
}

TEST_F(ServerCheckTest, OldVersionsEndTheProgramWithOneOfTwoTexts) {
    for (const char* version : {"2.5", ".9", "3"}) {
        Install(version);
        {
            ScriptedUi ui;
            running = true;
            EXPECT_EQ(1, Check()) << version;
            EXPECT_EQ(std::string("The version of current running NIFB is ") + version +
                          ". The Tessaro\nrequires NIFB 3.0 or later version to work with. Please upgrade\n"
                          "NIFB and then relaunch the application. \n",
                      ui.Last().text);
        }
        {
            ScriptedUi ui;
            running = false;
            EXPECT_EQ(1, Check());
            EXPECT_EQ("The version of NIFB installed on the computer is old. To run Tessaro, \n"
                      "NIFB 3.0 or later version is needed. Please upgrade NIFB sever first.\n",
                      ui.Last().text);
        }
    }
}

TEST_F(ServerCheckTest, AppPathsOnlyCountsAsTooOld) {
    Reg().SetString(RegRoot::LocalMachine, app::kAppPathsKey, "Path", dir.Path());  // found by the tree search
    ScriptedUi ui;
    running = true;
    EXPECT_EQ(1, Check());
    EXPECT_EQ("The version of current running NIFB is old. The Tessaro\n"
              "requires NIFB 3.0 or later version to work with. Please upgrade\n"
              "NIFB and then relaunch the application. \n",
              ui.Last().text);
}

TEST_F(ServerCheckTest, NothingInstalledGoesOnSilently) {
    ScriptedUi ui;
    EXPECT_EQ(0, Check());
    EXPECT_TRUE(ui.Messages().empty());
    // A version without a server program at the path is not an installation either.
    Reg().SetString(RegRoot::LocalMachine, app::kServerKey, "Version", "3.0");
    Reg().SetString(RegRoot::LocalMachine, app::kServerKey, "Path", dir.File("elsewhere"));
    EXPECT_EQ(0, Check());
    EXPECT_TRUE(ui.Messages().empty());
}

TEST(FileFinder, MatchesNamesWithoutCaseAndSearchesDepthFirst) {
    TempDir dir;
    std::filesystem::create_directories(dir.File("a/b"));
    WriteFileAtomically(dir.File("a/b/NIFB"), "");
    EXPECT_EQ(dir.File("a/b/NIFB"), app::FindFileAt(dir.File("a/b/NIFB"), "nifb"));
    EXPECT_EQ("", app::FindFileAt(dir.File("a/b/NIFB"), "other"));
    EXPECT_EQ("", app::FindFileAt(dir.File("a/b"), "b"));  // a folder is not the program
    EXPECT_EQ(dir.File("a/b/NIFB"), app::FindFileInTree(dir.Path(), "nifb"));
    EXPECT_EQ("", app::FindFileInTree(dir.Path(), "missing"));
}

TEST_F(ServerCheckTest, ALinkingDeviceIsReachedNeverLaunched) {
    Install("3.0");
    setenv("NIFB_SERVER", "hse://192.0.2.7:1090", 1);
    {
        ScriptedUi ui;
        running = true;
        EXPECT_EQ(0, Check());
        EXPECT_TRUE(ui.Messages().empty());
    }
    {
        // Not answering: said once, naming the linking device; no local server is started.
        ScriptedUi ui;
        running = false;
        EXPECT_EQ(1, Check());
        ASSERT_EQ(ui.Messages().size(), 1u);
        EXPECT_NE(ui.Messages()[0].text.find("linking device at 192.0.2.7:1090"), std::string::npos)
            << ui.Messages()[0].text;
        EXPECT_TRUE(launched.empty());
    }
    {
        ScriptedUi ui;
        setenv("NIFB_SERVER", "hse://nowhere", 1);
        EXPECT_EQ(1, Check());
        ASSERT_EQ(ui.Messages().size(), 1u);
        EXPECT_NE(ui.Messages()[0].text.find("not usable"), std::string::npos) << ui.Messages()[0].text;
    }
    unsetenv("NIFB_SERVER");
}
