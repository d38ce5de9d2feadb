// The link and the devices against the real `nifb` server process serving the shipped
// default segment.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "fieldbus/BlockKind.h"
#include "fieldbus/DeviceThreadTable.h"
#include "fieldbus/FieldbusLink.h"
#include "fieldbus/FieldbusMessages.h"
#include "fieldbus/MessageLog.h"
#include "nifb/Backend.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"
#include "simulator/InProcessSegment.h"
#include "simulator/tests/ServerProcess.h"

using namespace fieldbus;

namespace {

class ServerEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        nifUseServer();
        MessageLog::Instance().Clear();
    }
    void TearDown() override {
        link.CloseLink();
        unsetenv("NIFB_SOCKET");
        MessageLog::Instance().Clear();
    }
    void WaitHealthy() {
        for (int i = 0; i < 500 && !link.IsLinkHealthy(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_TRUE(link.IsLinkHealthy());
    }
    platform::testing::TempDir dir;
    simulator::testing::ServerProcess server{NIFB_SERVER_BINARY, dir.File("nifb.sock"), NIFB_DEFAULT_SEGMENT_FILE,
                                             dir.File("server.log")};
    platform::testing::FakeClock clock;
    FieldbusLink link;
};

// Tries every typed read of the blocks the device has; returns the names that failed.
std::vector<std::string> ReadEverything(FieldbusDevice& device) {
    std::vector<std::string> failed;
#define TRY_READ(fn, kind, name, type, wire)                            \
    if (device.BlockOf(BlockKind::kind) >= 0) {                                \
        type value{};                                                   \
        if (device.fn(value) != 0) failed.push_back(#fn);               \
    }
#define TRY_TEXT(fn, kind, name, type, wire)                            \
    if (device.BlockOf(BlockKind::kind) >= 0) {                                \
        type value{};                                                   \
        std::string text;                                               \
        if (device.fn(value, text) != 0) failed.push_back(#fn);         \
    }
    FIELDBUS_READ_ACCESSORS(TRY_READ)
    FIELDBUS_TEXT_ACCESSORS(TRY_TEXT)
#undef TRY_READ
#undef TRY_TEXT
    return failed;
}

}  // namespace

TEST_F(ServerEndToEndTest, EveryPositionerOfTheDefaultSegmentOpensAndAnswersEveryTypedRead) {
    ASSERT_TRUE(server.Answering());
    ASSERT_TRUE(FieldbusLink::IsServerAvailable());
    platform::testing::ScriptedUi ui;
    ASSERT_EQ(0, link.ScanLink());
    ASSERT_EQ(0, link.StartLivePoll(0));  // parameter access needs the poll's healthy link
    WaitHealthy();
    int positioners = 0;
    for (int item = 1; item < link.DisplayItemCount(); ++item) {
        const int slot = link.ItemDevIndexMap(item);
        if (!link.IsPositioner(slot)) continue;
        ++positioners;
        ASSERT_EQ(0, link.OpenDevice(slot)) << link.GetTag(slot);
        std::vector<std::string> failed = ReadEverything(link.Device(slot));
        std::string names;
        for (auto& f : failed) names += f + " ";
        EXPECT_TRUE(failed.empty()) << link.GetTag(slot) << ": " << names;
        link.Device(slot).CloseDevice();
    }
    EXPECT_EQ(4, positioners);
    for (const auto& text : ui.Texts()) ADD_FAILURE() << text;
    EXPECT_TRUE(MessageLog::Instance().Peek().empty());
}

TEST_F(ServerEndToEndTest, InjectedFaultsGiveTheExactLogLines) {
    platform::testing::ScriptedUi ui;
    ASSERT_EQ(0, link.ScanLink());
    struct Target : platform::MessageTarget {
        std::vector<unsigned> got;
        void OnMessage(unsigned msg, uintptr_t, intptr_t) override { got.push_back(msg); }
    } target;
    auto handle = platform::MessageDispatcher::Instance().Register(&target);
    link.SetPollPeriodMs(20);
    ASSERT_EQ(0, link.StartLivePoll(handle));
    WaitHealthy();
    const int slot = link.ItemDevIndexMap(1);
    ASSERT_EQ("FV-101", link.GetTag(slot));
    ASSERT_EQ(0, link.OpenDevice(slot));

    // Every call to the device fails with a communication error: one quiet device line.
    nifDesc_t session = 0;
    ASSERT_EQ(E_OK, nifOpenSession(nullptr, &session));
    std::string answer;
    ASSERT_EQ(0, nifb::SendControl(session, R"({"command":"commErrors","device":"FV-101","rate":1})", answer));
    nifClose(session);
    float gain = 0;
    EXPECT_NE(0, link.Device(slot).ReadTbServoGain(gain));
    auto lines = MessageLog::Instance().Drain();
    ASSERT_EQ(1u, lines.size());
    const std::string prefix = "Device FV-101 Comm Error (-11): E_COMM_ERROR @ ";
    EXPECT_EQ(0u, lines[0].find(prefix)) << lines[0];
    EXPECT_EQ(prefix.size() + 8 + 2, lines[0].size());  // "hh:mm:ss\r\n"
    EXPECT_EQ("\r\n", lines[0].substr(lines[0].size() - 2));

    // The server goes away: the live-list poll logs the lost connection and ends.
    server.Kill();
    for (int i = 0; i < 500 && link.IsPollRunning(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(link.IsPollRunning());
    platform::MessageDispatcher::Instance().DeliverPending();
    platform::MessageDispatcher::Instance().Unregister(handle);
    EXPECT_NE(target.got.end(), std::find(target.got.begin(), target.got.end(), WM_SERVER_CONNECTION_LOST));
    lines = MessageLog::Instance().Drain();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(0u, lines.back().find("Link Comm Error (-45): E_SERVER_CONNECTION_LOST @ ")) << lines.back();
    // Every later call fails the same way.
    EXPECT_NE(0, link.Device(slot).ReadTbServoGain(gain));
}

// A server stopped in the middle of the readers' and the poll's calls: closing the device and
// closing the link both end within their limits, and all is well again once it goes on.
TEST_F(ServerEndToEndTest, AStoppedServerHoldsUpNeitherClosingADeviceNorClosingTheLink) {
    platform::testing::ScriptedUi ui;
    ASSERT_EQ(0, link.ScanLink());
    link.SetPollPeriodMs(20);
    ASSERT_EQ(0, link.StartLivePoll(0));
    WaitHealthy();
    const int slot = link.ItemDevIndexMap(1);
    ASSERT_EQ(0, link.OpenDevice(slot));
    FieldbusDevice& device = link.Device(slot);
    for (int i = 0; i < kDeviceThreadCount; ++i) device.SetThreadPeriod(static_cast<DeviceThread>(i), 5);
    device.SetThreadStopLimit(500);
    device.StartTbView3(0);
    device.StartAoView1(0);
    device.StartRbView1(0);
    device.StartPidView3(0);
    device.StartDi1View1(0);
    device.StartDi2View1(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));

    struct Stopped {
        pid_t pid;
        ~Stopped() { kill(pid, SIGCONT); }
    } stopped{server.Pid()};
    ASSERT_EQ(0, kill(server.Pid(), SIGSTOP));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the calls in flight now wait

    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    device.StopViewReaders();
    device.CloseDevice();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(device.IsOpen());
    start = Clock::now();
    link.CloseLink();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(link.IsLinkOpen());
}
