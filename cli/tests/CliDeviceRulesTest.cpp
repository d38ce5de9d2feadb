// What tessaro-cli refuses before it changes a device, how it leaves a device after a write
// that failed, and how it names files and modes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <nlohmann/json.hpp>

#include "CliOnServer.h"
#include "CliRunner.h"
#include "platform/AtomicFile.h"
#include "simulator/FirmwareImage.h"

namespace clitest {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(CliOnServer, ModesAreShownAndWrittenAsTheProgramNamesThem) {
    EXPECT_EQ("CAS AUTO (0x30)", Value("FV-101", "AO.MODE_BLK.TARGET"));
    EXPECT_EQ("AUTO (0x10)", Value("FV-101", "PID.MODE_BLK.ACTUAL"));
    // Answers are not const: a key or element an answer lacks then reads as null and fails the
    // comparison; const operator[] on a missing key is undefined (it crashed the test program).
    nlohmann::json modes = nlohmann::json::parse(Cli({"get", "FV-101", "PID.MODE_BLK", "--json"}).out);
    EXPECT_EQ(16, modes["values"][0]["value"]["TARGET"]["value"]);
    EXPECT_EQ("AUTO", modes["values"][0]["value"]["TARGET"]["modes"][0]);

    CliResult r = Cli({"set", "FV-101", "PID.MODE_BLK.TARGET", "man", "--yes"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("PID.MODE_BLK.TARGET: AUTO (0x10) -> MAN (0x08)\n", r.out);
    // The actual mode follows the target after the device's settle time.
    std::string info;
    for (int i = 0; i < 50 && info.find("FV101_PID  function block    MAN       MAN") == std::string::npos; ++i) {
        if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        info = Cli({"info", "FV-101"}).out;
    }
    EXPECT_THAT(info, HasSubstr("PID    FV101_PID  function block    MAN       MAN"));
}

// A value the device would refuse is refused first; a configuration write the device refuses
// puts the blocks' modes back; the PID's scale is written out of service as the rest of the
// configuration is.
TEST_F(CliOnServer, SetLeavesTheDeviceAsItFoundItWhenTheWriteCannotBeDone) {
    CliResult r = Cli({"set", "FV-101", "TB.ACT_FAIL_ACTION", "7", "--yes"});
    EXPECT_EQ(64, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("Error: \"7\" is none of the choices"));
    EXPECT_THAT(r.err, Not(HasSubstr("Out of Service")));

    r = Cli({"set", "FV-101", "TB.SERVO_GAIN", "100000", "--yes"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("E_EXCEED_LIMIT"));
    EXPECT_THAT(r.err, HasSubstr("The block modes of FV-101 were put back as they were before."));
    EXPECT_EQ("FV-101: NORMAL STATE\n", Cli({"state", "FV-101"}).out);
    EXPECT_EQ("AUTO (0x10)", Value("FV-101", "PID.MODE_BLK.TARGET"));

    r = Cli({"set", "FV-101", "PID.PV_SCALE.EU_100", "90", "--yes"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("PID.PV_SCALE.EU_100: 100 -> 90\n", r.out);
}

// What a PID state would refuse is refused before the state changes; CAS without a link
// feeding CAS_IN is refused at once instead of waiting for the change's limit.
TEST_F(CliOnServer, PidRefusesWhatTheRequestedStateCannotTakeBeforeChangingIt) {
    CliResult r = Cli({"pid", "FV-101", "--mode", "rcas", "--sp", "60"});
    EXPECT_EQ(64, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("Error: The set point is entered only in MAN, AUTO or SIM.; --mode rcas"));
    EXPECT_EQ("AUTO (0x10)", Value("FV-101", "PID.MODE_BLK.TARGET"));

    r = RunCli({"pid", "FV-101", "--mode", "cas", "--user", "Admin", "--password", "admin"}, 15000);
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("Error: The PID block of FV-101 cannot be CAS: no link object feeds its CAS_IN."));
    EXPECT_EQ("AUTO (0x10)", Value("FV-101", "PID.MODE_BLK.TARGET"));
}

TEST_F(CliOnServer, FirmwareVerifyAndDownloadAgreeOnWhichDevicesTakeFirmware) {
    // A file made for FV-101's own type and revision: it matches, but type 1 takes no firmware.
    simulator::FirmwareHeader header = simulator::PositionerFirmwareHeader(0x42524B, 1, 2, 1);
    const std::vector<uint8_t> bytes = simulator::BuildFirmwareFile(header, 4096);
    const std::string file = dir_.File("42524B0001_0001_SW2.10.00.ffd");
    ASSERT_TRUE(platform::WriteFileAtomically(file, std::string(bytes.begin(), bytes.end())));
    const CliResult r = Cli({"firmware", "verify", "FV-101", file});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("only into positioners of device type 7"));
    EXPECT_THAT(r.out, HasSubstr("does not fit FV-101 (it runs firmware"));
}

// The firmware a device runs is in its identity, and read back after a download and activation.
TEST_F(CliOnServer, TheRunningFirmwareRevisionIsShownAndReadBackAfterActivation) {
    EXPECT_THAT(Cli({"info", "FV-102"}).out, HasSubstr("ID 42524B0007J0000021  Firmware 2.00.00\n"));
    const std::string firmware = TESSARO_SOURCE_DIR "/simulator/firmware/42524B0007_0007_SW2.10.00.ffd";
    CliResult r = Cli({"firmware", "verify", "FV-102", firmware});
    EXPECT_THAT(r.out, HasSubstr("fits FV-102 (it runs firmware 2.00.00)."));
    r = Cli({"firmware", "download", "FV-102", firmware, "--yes", "--activate", "--quiet"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_THAT(r.out, HasSubstr("FV-102 runs firmware 2.10.00 (before: 2.00.00).\n"));
    nlohmann::json info = nlohmann::json::parse(Cli({"info", "FV-102", "--json"}).out);
    EXPECT_EQ("2.10.00", info["firmwareRevision"]);
}

// A device that drops off the bus while it activates its new firmware: the activation's end
// is not seen, and the command says so with the firmware the device runs once it is back.
TEST_F(CliOnServer, AnActivationWhoseEndIsNotSeenSaysWhichFirmwareRunsNow) {
    Control(R"({"command":"restartTime","device":"FV-102","ms":9000})");
    const std::string firmware = TESSARO_SOURCE_DIR "/simulator/firmware/42524B0007_0007_SW2.10.00.ffd";
    const CliResult r = Cli({"firmware", "download", "FV-102", firmware, "--yes", "--activate", "--quiet"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("Error: The activation on FV-102 was not confirmed. It ran firmware 2.00.00 before; "
                                 "the firmware it runs now is 2.10.00."));
    EXPECT_THAT(r.out, HasSubstr("FV-102 runs firmware 2.10.00 (before: 2.00.00).\n"));
}

// A path that names no file is said to be a missing file, not an unknown tag, before any work.
TEST_F(CliOnServer, AMissingConfigurationFileIsAUsageError) {
    CliResult r = Cli({"diff", dir_.File("backups/FV-101.dmp"), "FV-101"});
    EXPECT_EQ(64, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("Error: No configuration file " + dir_.File("backups/FV-101.dmp") + "."));
    EXPECT_THAT(r.err, Not(HasSubstr("No device with the tag")));
    r = Cli({"report", "FV-101.dmp"});
    EXPECT_EQ(64, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("Error: No configuration file FV-101.dmp."));
    r = Cli({"report", "FV-101", "--out", dir_.File("nowhere/fv.htm")});
    EXPECT_EQ(64, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("does not exist"));
}

}  // namespace
}  // namespace clitest
