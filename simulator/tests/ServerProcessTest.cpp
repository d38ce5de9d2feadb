// The `nifb` server as a separate process on a temporary socket, reached by the library and
// by the test client.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "nifb/Backend.h"
#include "nifb/nifb.h"
#include "platform/testing/TempDir.h"
#include "simulator/InProcessSegment.h"

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

TEST_F(ServerProcessTest, ABadCommandLineOrSegmentEndsWithAMessage) {
    EXPECT_EQ(WaitExit(StartServer({"--speed", "fast"})), 2);
    EXPECT_EQ(WaitExit(StartServer({"--segment", dir_.File("missing.json")})), 1);
}

}  // namespace
