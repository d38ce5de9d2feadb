// Start-up launching the real server program from the registry entries, as on a fresh
// installation, and waiting until it answers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/ServerCheck.h"
#include "fieldbus/FieldbusLink.h"
#include "nifb/Backend.h"
#include "platform/Registry.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"
#include "simulator/InProcessSegment.h"

using namespace platform;

TEST(ServerLaunch, TheInstalledServerIsStartedAndAnswersBeforeStartUpGoesOn) {
    nifUseServer();
    platform::testing::TempDir dir;
    setenv("TESSARO_REGISTRY", dir.File("registry.dat").c_str(), 1);
    setenv("NIFB_SOCKET", dir.File("nifb.sock").c_str(), 1);
    setenv("TMPDIR", dir.Path().c_str(), 1);  // the server's log goes there
    // "<Path>/Binaries/nifb": the folder above the server program.
    std::string server = NIFB_SERVER_BINARY;
    std::string path = server.substr(0, server.rfind("/Binaries/"));
    Registry reg(dir.File("registry.dat"));
    reg.SetString(RegRoot::LocalMachine, app::kServerKey, "Version", "3.0");
    reg.SetString(RegRoot::LocalMachine, app::kServerKey, "Path", path);
    reg.SetString(RegRoot::LocalMachine, app::kServerKey, "Segment", NIFB_DEFAULT_SEGMENT_FILE);

    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;
    // Simulated seconds pass quickly, but the server needs a little real time to come up.
    clock.OnSleep([](uint64_t) { std::this_thread::sleep_for(std::chrono::milliseconds(10)); });
    ui.Answer(IDYES, "is found but is not currently running").Answer(IDYES, "Proceed to launch NIFB server?");
    app::ServerCheckHooks hooks;
    hooks.isServerAvailable = [] { return fieldbus::FieldbusLink::IsServerAvailable(); };
    hooks.launch = app::LaunchDetached;
    EXPECT_EQ(0, app::ServerCheck("Tessaro", hooks));
    EXPECT_TRUE(fieldbus::FieldbusLink::IsServerAvailable());

    // The server keeps running on its own; end it.
    nifDesc_t session = 0;
    ASSERT_EQ(E_OK, nifOpenSession(nullptr, &session));
    std::string answer;
    nifb::SendControl(session, R"({"command":"die"})", answer);
    nifClose(session);
    for (int i = 0; i < 200 && fieldbus::FieldbusLink::IsServerAvailable(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(fieldbus::FieldbusLink::IsServerAvailable());
    unsetenv("TESSARO_REGISTRY");
    unsetenv("NIFB_SOCKET");
    unsetenv("TMPDIR");
}
