// The `nifb` server as a separate process on a temporary socket, reached by the library and
// by the test client.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "nifb/Backend.h"
#include "nifb/nifb.h"
#include "platform/testing/TempDir.h"
#include "simulator/InProcessSegment.h"
#include "simulator/tests/TestSegments.h"

namespace {

using namespace std::chrono_literals;

class ServerProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        nifUseServer();
        socket_ = dir_.File("nifb.sock");
        setenv("NIFB_SOCKET", socket_.c_str(), 1);
        setenv("NIFB_SEGMENT", NIFB_DEFAULT_SEGMENT, 1);
    }
    void TearDown() override {
        for (pid_t p : children_) {
            ::kill(p, SIGKILL);
            ::waitpid(p, nullptr, 0);
        }
        unsetenv("NIFB_SOCKET");
        unsetenv("NIFB_SEGMENT");
    }

    pid_t Spawn(const std::string& program, const std::vector<std::string>& args, const std::string& logName) {
        pid_t pid = ::fork();
        if (pid == 0) {
            int fd = ::open(dir_.File(logName).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd >= 0) {
                ::dup2(fd, 1);
                ::dup2(fd, 2);
            }
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(program.c_str()));
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        return pid;
    }

    pid_t StartServer(const std::vector<std::string>& args = {}) {
        pid_t pid = Spawn(NIFB_SERVER_PATH, args, "server" + std::to_string(children_.size()) + ".log");
        children_.push_back(pid);
        return pid;
    }

    bool Answering() {
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socket_.c_str());
        bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        ::close(fd);
        return ok;
    }

    bool WaitAnswering() {
        for (int i = 0; i < 100; ++i) {
            if (Answering()) return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    // Exit code of a child, or -1 when it did not end within the time.
    int WaitExit(pid_t pid, std::chrono::milliseconds limit = 5000ms) {
        auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                children_.erase(std::remove(children_.begin(), children_.end(), pid), children_.end());
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(20ms);
        }
        return -1;
    }

    int RunClient(const std::vector<std::string>& args) {
        pid_t pid = Spawn(NIFB_CLIENT_PATH, args, "client.log");
        children_.push_back(pid);
        return WaitExit(pid, 30000ms);
    }

    platform::testing::TempDir dir_;
    std::string socket_;
    std::vector<pid_t> children_;
};

TEST_F(ServerProcessTest, StartsWithoutArgumentsAndStopsCleanlyOnSigterm) {
    pid_t server = StartServer();
    ASSERT_TRUE(WaitAnswering());
    EXPECT_EQ(RunClient({"list"}), 0);
    ::kill(server, SIGTERM);
    EXPECT_EQ(WaitExit(server), 0);
    EXPECT_NE(::access(socket_.c_str(), F_OK), 0);  // the socket is gone
}

TEST_F(ServerProcessTest, TheTestClientRunsItsWholeScenarioAgainstTheServer) {
    pid_t server = StartServer({"--speed", "20", "--verbose", "2"});
    ASSERT_TRUE(WaitAnswering());
    EXPECT_EQ(RunClient({"demo"}), 0);
    ::kill(server, SIGINT);
    EXPECT_EQ(WaitExit(server), 0);
}

TEST_F(ServerProcessTest, ASecondServerOnTheSameSocketIsRefused) {
    StartServer();
    ASSERT_TRUE(WaitAnswering());
    pid_t second = StartServer();
    EXPECT_EQ(WaitExit(second), 1);
    EXPECT_TRUE(Answering());
}

TEST_F(ServerProcessTest, AKilledServerLosesTheSessionAndANewOneTakesOverItsSocket) {
    pid_t server = StartServer();
    ASSERT_TRUE(WaitAnswering());
    nifDesc_t session = 0, link = 0;
    ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
    ASSERT_EQ(nifOpenLink(session, 0, "Interface0-0", 0, &link), E_OK);
    ::kill(server, SIGKILL);
    WaitExit(server);
    nifLiveListEntry live[32];
    uint16_t n = 32;
    EXPECT_EQ(nifGetDeviceList(link, live, &n, nullptr), E_SERVER_CONNECTION_LOST);
    nifDesc_t none = 0;
    EXPECT_EQ(nifOpenSession(nullptr, &none), E_SERVER_NOT_RESPONDING);  // stale socket, nobody home
    StartServer();
    ASSERT_TRUE(WaitAnswering());
    ASSERT_EQ(nifOpenSession(nullptr, &none), E_OK);
    nifClose(none);
    nifClose(session);
}

TEST_F(ServerProcessTest, TheServerDiesOnRequest) {
    pid_t server = StartServer();
    ASSERT_TRUE(WaitAnswering());
    nifDesc_t session = 0;
    ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
    std::string answer;
    EXPECT_EQ(nifb::SendControl(session, R"({"command":"die"})", answer), E_SERVER_CONNECTION_LOST);
    EXPECT_EQ(WaitExit(server), 3);
    nifClose(session);
}

// A server that stops (SIGSTOP) must not hang its clients: every call gives up after the
// call limit, and closing a descriptor or the session returns at once and releases the
// calls waiting on it. Once the server runs again, so does the library.
TEST_F(ServerProcessTest, AHungServerMakesCallsGiveUpAndNeverBlocksAClose) {
    pid_t server = StartServer();
    ASSERT_TRUE(WaitAnswering());
    nifb::SetCallLimitMs(600);
    nifDesc_t session = 0, link = 0, dev = 0, vfd = 0;
    ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
    ASSERT_EQ(nifOpenLink(session, 0, "Interface0-0", 0, &link), E_OK);
    ASSERT_EQ(nifOpenPhysicalDevice(link, NIF_BY_TAG, "FV-101", &dev), E_OK);
    ASSERT_EQ(nifOpenVfd(dev, makeIndex(0), &vfd), E_OK);
    auto read = [&] {
        uint8_t v[5];
        uint16_t s = 5;
        return nifReadObject(vfd, "FV101_TB.FINAL_VALUE", v, &s);
    };
    ASSERT_EQ(read(), E_OK);
    ASSERT_EQ(::kill(server, SIGSTOP), 0);
    int stopped = 0;
    ASSERT_EQ(::waitpid(server, &stopped, WUNTRACED), server);  // really stopped, not just signalled
    ASSERT_TRUE(WIFSTOPPED(stopped));

    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(read(), E_SERVER_NOT_RESPONDING);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 550ms);
    EXPECT_LT(took, 3s);
    nifDesc_t other = 0;
    EXPECT_EQ(nifOpenSession(nullptr, &other), E_SERVER_NOT_RESPONDING);

    auto waiting = std::async(std::launch::async, read);
    std::this_thread::sleep_for(100ms);
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(nifClose(dev), E_OK);  // the VFD goes along
    ASSERT_EQ(waiting.wait_for(200ms), std::future_status::ready);
    EXPECT_EQ(waiting.get(), E_INVALID_DESCRIPTOR);
    EXPECT_EQ(nifClose(session), E_OK);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);

    ASSERT_EQ(::kill(server, SIGCONT), 0);
    ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
    ASSERT_EQ(nifOpenLink(session, 0, "Interface0-0", 0, &link), E_OK);
    nifLiveListEntry live[32];
    uint16_t n = 32;
    EXPECT_EQ(nifGetDeviceList(link, live, &n, nullptr), E_OK);
    nifClose(session);
    nifb::SetCallLimitMs(0);
}

// What a device insists on, seen through the server: an address change only from a default
// address, a restart as long as the control command set it, and a silent device kept in the
// live list as not present when its segment asks for that.
TEST_F(ServerProcessTest, AddressesRestartTimeAndNotPresentDevicesFollowTheDevice) {
    const std::string segment = dir_.File("segment.json");
    std::ofstream(segment) << simulator::testing::SmallSegmentJson(0, R"(,"listedWhenSilent":true)");
    StartServer({"--segment", segment, "--speed", "10"});
    ASSERT_TRUE(WaitAnswering());
    nifDesc_t session = 0, link = 0, dev = 0, vfd = 0;
    ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
    ASSERT_EQ(nifOpenLink(session, 0, "Interface0-0", 0, &link), E_OK);
    auto fv101 = [&]() -> nifLiveListEntry {
        nifLiveListEntry live[32];
        uint16_t n = 32;
        EXPECT_EQ(nifGetDeviceList(link, live, &n, nullptr), E_OK);
        for (uint16_t i = 0; i < n; ++i)
            if (std::strcmp(live[i].deviceId, "42524B0001J0000010") == 0) return live[i];
        return nifLiveListEntry{};
    };
    auto simTime = [&] {
        std::string answer;
        EXPECT_EQ(nifb::SendControl(session, R"({"command":"status"})", answer), E_OK);
        size_t at = answer.find("\"timeMs\":");
        return at == std::string::npos ? 0.0 : std::stod(answer.substr(at + 9));
    };

    ASSERT_EQ(nifOpenPhysicalDevice(link, NIF_BY_TAG, "FV-101", &dev), E_OK);
    EXPECT_EQ(nifSetAddress(dev, 30), E_DEVICE_NOT_CLEARED);  // from 20: not without a stop at 248
    ASSERT_EQ(nifSetAddress(dev, 248), E_OK);
    ASSERT_EQ(nifSetAddress(dev, 30), E_OK);
    EXPECT_EQ(fv101().nodeAddress, 30);

    std::string answer;
    EXPECT_EQ(nifb::SendControl(session, R"({"command":"restartTime","device":"FV-101","ms":-1})", answer),
              E_BAD_ARGUMENT);
    ASSERT_EQ(nifb::SendControl(session, R"({"command":"restartTime","device":"FV-101","ms":9000})", answer), E_OK);
    ASSERT_EQ(nifOpenVfd(dev, makeIndex(0), &vfd), E_OK);
    const double restartAt = simTime();
    uint8_t restart = 2;
    ASSERT_EQ(nifWriteObject(vfd, "FV101_RES.RESTART", &restart, 1), E_OK);
    EXPECT_EQ(fv101().classFlags, NIF_CLASS_NOT_PRESENT);
    auto giveUp = std::chrono::steady_clock::now() + 5s;
    while (fv101().classFlags == NIF_CLASS_NOT_PRESENT && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(20ms);
    const double back = simTime();
    EXPECT_EQ(fv101().classFlags, NIF_CLASS_BASIC);
    EXPECT_GE(back - restartAt, 9000.0);
    EXPECT_LT(back - restartAt, 12000.0);
    nifClose(session);
}

TEST_F(ServerProcessTest, ABadCommandLineOrSegmentEndsWithAMessage) {
    EXPECT_EQ(WaitExit(StartServer({"--speed", "fast"})), 2);
    EXPECT_EQ(WaitExit(StartServer({"--segment", dir_.File("missing.json")})), 1);
}

}  // namespace
