// The `nifb` server as a separate process on a temporary socket, reached by the library and
// by the test client.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "nifb/Backend.h"
#include "nifb/FrameIo.h"
#include "nifb/NifbRequest.h"
#include "nifb/SocketPath.h"
#include "nifb/nifb.h"
#include "platform/testing/TempDir.h"
#include "simulator/InProcessSegment.h"
#include "simulator/tests/TestSegments.h"

// Under a sanitizer its own bookkeeping (per thread, shadow memory) outweighs the server's memory.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
#define SANITIZED_BUILD 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer) || __has_feature(address_sanitizer)
#define SANITIZED_BUILD 1
#endif
#endif
#ifndef SANITIZED_BUILD
#define SANITIZED_BUILD 0
#endif

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

    int RawConnection() {
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socket_.c_str());
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }

    // A child process that runs `work` and then waits to be killed (TearDown kills it).
    pid_t Child(const std::function<void()>& work) {
        pid_t pid = ::fork();
        if (pid == 0) {
            work();
            for (;;) ::pause();
        }
        children_.push_back(pid);
        return pid;
    }

    static long ProcStatus(pid_t pid, const char* field) {
        std::ifstream in("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
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
    nifb::SetCallLimitMs(300);
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
    EXPECT_GE(took, 250ms);
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

// Hostile local clients: connections that announce 16 MiB frames and send a few bytes of
// them, garbage, attempts to take over or close another client's session, and one process
// that opens more connections than a client may hold. The server keeps its memory, keeps
// serving a normal client promptly, and that client's session survives.
TEST_F(ServerProcessTest, HostileConnectionsNeitherExhaustNorStallTheServer) {
    pid_t server = StartServer();
    ASSERT_TRUE(WaitAnswering());
    nifDesc_t session = 0, link = 0;
    ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
    ASSERT_EQ(nifOpenLink(session, 0, "Interface0-0", 0, &link), E_OK);

    auto announceAndStall = [this] {
        for (int i = 0; i < 50; ++i) {
            int fd = RawConnection();
            const uint8_t partial[8] = {0xFF, 0xFF, 0xFF, 0x00, 1, 2, 3, 4};  // 16 MiB announced
            if (fd >= 0 && ::send(fd, partial, sizeof partial, MSG_NOSIGNAL) < 0) ::close(fd);
        }
    };
    for (int p = 0; p < 4; ++p) Child(announceAndStall);
    Child([this] {
        // Guessed sessions and descriptors of others, then garbage.
        for (uint32_t guess = 1; guess < 50; ++guess) {
            int fd = RawConnection();
            nifb::Request r;
            r.op = guess % 2 ? nifb::Op::AttachSession : nifb::Op::Close;
            r.desc = guess;
            nifb::SendFrame(fd, nifb::EncodeRequest(r), nifb::kNoDeadline);
            r.op = nifb::Op::Close;  // were the attach let through, this would close it
            nifb::SendFrame(fd, nifb::EncodeRequest(r), nifb::kNoDeadline);
            const uint8_t garbage[12] = {8, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
            ::send(fd, garbage, sizeof garbage, MSG_NOSIGNAL);
        }
    });
    int counts[2];
    ASSERT_EQ(::pipe(counts), 0);
    Child([this, &counts] {
        std::vector<int> fds;
        for (int i = 0; i < 100; ++i) fds.push_back(RawConnection());
        std::this_thread::sleep_for(300ms);
        int refused = 0;
        for (int fd : fds) {
            char c;
            refused += fd < 0 || ::recv(fd, &c, 1, MSG_DONTWAIT) == 0;
        }
        ::write(counts[1], &refused, sizeof refused);
    });
    int refused = 0;
    pollfd ready{counts[0], POLLIN, 0};
    ASSERT_EQ(::poll(&ready, 1, 10000), 1);
    ASSERT_EQ(::read(counts[0], &refused, sizeof refused), static_cast<ssize_t>(sizeof refused));
    ::close(counts[0]);
    ::close(counts[1]);
    EXPECT_GE(refused, 100 - static_cast<int>(64));  // a client holds 64 connections at most

    // Every stalled connection is in by now (one thread each).
    auto giveUp = std::chrono::steady_clock::now() + 5s;
    while (ProcStatus(server, "Threads:") < 200 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(20ms);
    EXPECT_GE(ProcStatus(server, "Threads:"), 200);
#if !SANITIZED_BUILD
    EXPECT_LT(ProcStatus(server, "VmRSS:"), 100 * 1024);  // kB
#endif

    std::vector<std::chrono::steady_clock::duration> times;
    for (int i = 0; i < 5; ++i) {
        auto start = std::chrono::steady_clock::now();
        nifDesc_t s2 = 0, l2 = 0;
        ASSERT_EQ(nifOpenSession(nullptr, &s2), E_OK);
        ASSERT_EQ(nifOpenLink(s2, 0, "Interface0-0", 0, &l2), E_OK);
        nifLiveListEntry live[32];
        uint16_t n = 32;
        ASSERT_EQ(nifGetDeviceList(l2, live, &n, nullptr), E_OK);
        times.push_back(std::chrono::steady_clock::now() - start);
        nifClose(s2);
    }
    std::sort(times.begin(), times.end());
    EXPECT_LT(times[2], 100ms);
    nifLiveListEntry live[32];
    uint16_t n = 32;
    EXPECT_EQ(nifGetDeviceList(link, live, &n, nullptr), E_OK);  // the first client's session lives on
    nifClose(session);
}

// The library talks only to a server of its own user, and a server serves only its own user:
// a socket answered by someone else is refused on either side.
TEST_F(ServerProcessTest, ASocketOfAnotherUserIsRefused) {
    StartServer();
    ASSERT_TRUE(WaitAnswering());
    nifDesc_t session = 0;
    nifb::SetTrustedServerUid(::getuid() + 1);
    EXPECT_EQ(nifOpenSession(nullptr, &session), E_CONFIG_ERROR);
    nifb::SetTrustedServerUid(static_cast<uid_t>(-1));
    ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
    nifClose(session);
}

TEST_F(ServerProcessTest, ABadCommandLineOrSegmentEndsWithAMessage) {
    EXPECT_EQ(WaitExit(StartServer({"--speed", "fast"})), 2);
    EXPECT_EQ(WaitExit(StartServer({"--segment", dir_.File("missing.json")})), 1);
}

}  // namespace
