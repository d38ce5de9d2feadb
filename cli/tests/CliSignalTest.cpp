// tessaro-cli ended the ways scripts end a command (timeout, a closed terminal, `| head`,
// Ctrl+C), and the exit statuses scripts tell failures by.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "CliOnServer.h"
#include "CliRunner.h"
#include "app/ServerCheck.h"
#include "platform/Registry.h"
#include "platform/AtomicFile.h"
#include "platform/ProfileFile.h"
#include "trend/TrendFile.h"

namespace clitest {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// The training simulation changes the PID block (PV_FTIME, the input it computes on); any
// ending signal puts it back as Ctrl+C does, and the exit status says the command was ended.
TEST_F(CliOnServer, EveryEndingSignalPutsThePidBackAsCtrlCDoes) {
    const std::string filterTime = Value("FV-101", "PID.PV_FTIME");
    for (const int signal : {SIGTERM, SIGHUP, SIGPIPE}) {
        SCOPED_TRACE(signal);
        CliEnding ending;
        ending.signalOn = "FV-101: SIM.";
        ending.signal = signal;
        const CliResult r = Cli({"pid", "FV-101", "--mode", "sim", "--seconds", "60", "--yes"}, ending);
        EXPECT_EQ(128 + signal, r.exitCode) << r.err;
        EXPECT_THAT(r.err, HasSubstr("Do you want to change the PID block to MAN mode ?\n-> Yes (--yes)"));
        EXPECT_EQ(filterTime, Value("FV-101", "PID.PV_FTIME"));
        EXPECT_THAT(Cli({"pid", "FV-101"}).out, HasSubstr("FV-101: MAN "));
        ASSERT_EQ(0, Cli({"pid", "FV-101", "--mode", "auto"}).exitCode);
    }
}

// A recording ended by any signal is saved; its file and options are checked before it starts,
// and channels the device does not have are not recorded as zeros.
TEST_F(CliOnServer, TrendChecksItsFileFirstAndSavesWhatItRecordedWhenEnded) {
    const std::string file = dir_.File("fv.tre");
    CliEnding ending;
    ending.signalOn = "Recording FV-101";
    ending.signalDelayMs = 1000;
    ending.signal = SIGTERM;
    CliResult r = Cli({"trend", "FV-101", "--seconds", "60", "--interval", "100", "--out", file}, ending);
    EXPECT_EQ(128 + SIGTERM, r.exitCode) << r.err;
    EXPECT_THAT(r.out, HasSubstr("into " + file));
    std::string bytes;
    ASSERT_TRUE(platform::ReadWholeFile(file, bytes));
    trend::TrendFileContents contents;
    ASSERT_EQ(trend::TrendParseResult::Ok, trend::ParseTrendFile(bytes, contents));
    EXPECT_GE(contents.channels[trend::kActualPosition].size(), 2u);

    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"--out", dir_.File("nowhere/kv.tre")}, {"--out", dir_.File("kv.txt")},
          {"--out", dir_.File("kv.tre"), "--seconds", "2x"}, {"--out", dir_.File("kv.tre"), "--interval", "100ms"}}) {
        std::vector<std::string> arguments = {"trend", "KV-201"};
        arguments.insert(arguments.end(), wrong.begin(), wrong.end());
        r = Cli(arguments);
        EXPECT_EQ(64, r.exitCode) << wrong[1];
        EXPECT_THAT(r.err, Not(HasSubstr("Recording"))) << wrong[1];
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.File("kv.tre")));

    // The process value and set point chosen in the profile, as the trend window's selection stores them.
    const std::string profile = dir_.File("home") + "/Tessaro.ini";
    ASSERT_TRUE(platform::WritePrivateProfileString("Trend", "PVTrendEnable", "1", profile));
    ASSERT_TRUE(platform::WritePrivateProfileString("Trend", "SPTrendEnable", "1", profile));
    r = Cli({"trend", "KV-202", "--seconds", "1", "--interval", "100", "--out", dir_.File("kv.tre")});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_THAT(r.err, HasSubstr("Note: KV-202 has no PID block: its process value and set point are not recorded."));
    ASSERT_TRUE(platform::ReadWholeFile(dir_.File("kv.tre"), bytes));
    ASSERT_EQ(trend::TrendParseResult::Ok, trend::ParseTrendFile(bytes, contents));
    EXPECT_GE(contents.channels[trend::kActualPosition].size(), 2u);
    EXPECT_EQ(0u, contents.channels[trend::kProcessPv].size());
    EXPECT_EQ(0u, contents.channels[trend::kProcessSp].size());

    r = Cli({"trend", "PT-301", "--seconds", "1", "--out", dir_.File("pt.tre")});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("PT-301 is not a positioner"));
    EXPECT_FALSE(std::filesystem::exists(dir_.File("pt.tre")));
}

// A server that is there but stopped (SIGSTOP) is said to be so within one call's limit, and
// no second server is started.
TEST_F(CliOnServer, AServerThatDoesNotAnswerIsSaidToBeSoWithinTheCallLimit) {
    // An installed server that would leave a mark if it were started beside the stopped one.
    std::filesystem::create_directories(dir_.File("server/Binaries"));
    const std::string mark = dir_.File("second-server-started");
    ASSERT_TRUE(platform::WriteFileAtomically(dir_.File("server/Binaries/nifb"), "#!/bin/sh\ntouch '" + mark + "'\n",
                                              nullptr, 0755u));
    platform::Registry registry(dir_.File("registry.dat"));
    ASSERT_EQ(0, registry.SetString(platform::RegRoot::LocalMachine, app::kServerKey, "Version", "3.0"));
    ASSERT_EQ(0, registry.SetString(platform::RegRoot::LocalMachine, app::kServerKey, "Path", dir_.File("server")));
    setenv("NIFB_CALL_LIMIT_MS", "2000", 1);
    ASSERT_EQ(0, kill(server_->Pid(), SIGSTOP));
    const auto start = std::chrono::steady_clock::now();
    const CliResult r = RunCli({"scan", "--user", "Admin", "--password", "admin"}, 30000);
    const auto took = std::chrono::steady_clock::now() - start;
    kill(server_->Pid(), SIGCONT);
    unsetenv("NIFB_CALL_LIMIT_MS");
    EXPECT_EQ(1, r.exitCode);
    // Over HSE the stopped server is a silent linking device: named by its address instead.
    if (overHse_)
        EXPECT_THAT(r.err, HasSubstr("No answer from the linking device at 127.0.0.1:" + HsePort() + " within 2000 ms"));
    else
        EXPECT_THAT(r.err, HasSubstr("is running but does not answer (no answer within 2 s)"));
    EXPECT_THAT(r.err, Not(HasSubstr("Starting the Fieldbus server")));
    EXPECT_LT(took, std::chrono::seconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(std::filesystem::exists(mark)) << "a second server was started";
}

}  // namespace
}  // namespace clitest
