#pragma once
// The end-to-end tests' bed: a `nifb` server of its own serving the shipped default segment
// (simulated time 20 times as fast), a registry, home and system folder of their own, and
// tessaro-cli run against it as the Admin user. With TESSARO_TEST_HSE=1 in the environment
// (or overHse_ set by a test), the server also plays a linking device and tessaro-cli
// reaches the segment over HSE; simulator control commands still take the socket.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "nifb/Backend.h"
#include "nifb/nifb.h"
#include "platform/testing/TempDir.h"
#include "simulator/tests/ServerProcess.h"

namespace clitest {

class CliOnServer : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TESSARO_REGISTRY", dir_.File("registry.dat").c_str(), 1);
        setenv("TESSARO_HOME", dir_.File("home").c_str(), 1);
        setenv("TESSARO_SYSTEM_DIR", dir_.File("sys").c_str(), 1);
        unsetenv("TESSARO_USER");
        unsetenv("TESSARO_PASSWORD");
        // Simulated time runs faster, so the blocks take their new modes at once.
        std::vector<std::string> args{"--speed", "20"};
        if (const char* hse = std::getenv("TESSARO_TEST_HSE"); hse && std::string(hse) == "1") overHse_ = true;
        if (overHse_) args.insert(args.end(), {"--hse", "127.0.0.1:0"});
        server_ = std::make_unique<simulator::testing::ServerProcess>(
            NIFB_SERVER_BINARY, dir_.File("nifb.sock"), NIFB_DEFAULT_SEGMENT_FILE, dir_.File("server.log"), args);
        if (overHse_) {
            const std::string port = HsePort();
            ASSERT_FALSE(port.empty()) << "the server did not say where it serves HSE";
            setenv("NIFB_SERVER", ("hse://127.0.0.1:" + port).c_str(), 1);
        }
    }
    // The UDP port the server serves HSE on, from its log.
    std::string HsePort() {
        const std::string marker = "serving HSE on udp 127.0.0.1:";
        std::ifstream in(dir_.File("server.log"));
        std::string line;
        while (std::getline(in, line))
            if (const size_t at = line.find(marker); at != std::string::npos) return line.substr(at + marker.size());
        return {};
    }
    // A simulator control command (speed, valve faults).
    void Control(const std::string& json) {
        const char* hse = std::getenv("NIFB_SERVER");
        const std::string server = hse ? hse : "";
        unsetenv("NIFB_SERVER");
        nifDesc_t session = 0;
        ASSERT_EQ(E_OK, nifOpenSession(nullptr, &session));
        std::string answer;
        EXPECT_EQ(0, nifb::SendControl(session, json, answer)) << answer;
        nifClose(session);
        if (!server.empty()) setenv("NIFB_SERVER", server.c_str(), 1);
    }
    void TearDown() override {
        server_.reset();
        for (const char* name : {"TESSARO_REGISTRY", "TESSARO_HOME", "TESSARO_SYSTEM_DIR", "NIFB_SOCKET", "NIFB_SERVER",
                                 "NIFB_PCAP"})
            unsetenv(name);
    }
    // As the Admin user.
    CliResult Cli(std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), {"--user", "Admin", "--password", "admin"});
        return RunCli(arguments);
    }
    CliResult Cli(std::vector<std::string> arguments, const CliEnding& ending) {
        arguments.insert(arguments.end(), {"--user", "Admin", "--password", "admin"});
        return RunCli(arguments, ending);
    }
    std::string Value(const std::string& tag, const std::string& parameter) {
        CliResult r = Cli({"get", tag, parameter});
        EXPECT_EQ(0, r.exitCode) << r.err;
        while (!r.out.empty() && r.out.back() == '\n') r.out.pop_back();
        return r.out;
    }

    platform::testing::TempDir dir_;
    std::unique_ptr<simulator::testing::ServerProcess> server_;
    bool overHse_ = false;
};

}  // namespace clitest
