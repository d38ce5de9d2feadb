// Configuration files downloaded onto other devices, reading verbs that must not write, and
// downloads that end early, run as scripts run tessaro-cli.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "CliOnServer.h"
#include "CliRunner.h"

namespace clitest {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::string OnlyFile(const std::string& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) return entry.path().string();
    return {};
}

TEST_F(CliOnServer, OneFileConfiguresADeviceOfAnotherTypeOnlyAfterTheQuestionAndWritesWhatItHas) {
    ASSERT_EQ(0, Cli({"backup", "FV-102", "--dir", dir_.File("fv102")}).exitCode);
    const std::string fv102 = OnlyFile(dir_.File("fv102"));
    ASSERT_EQ(0, Cli({"backup", "KV-201", "--dir", dir_.File("kv201")}).exitCode);
    const std::string kv201 = OnlyFile(dir_.File("kv201"));
    const std::string description = Value("FV-101", "RB.TAG_DESC");

    // Another family: refused without --yes, nothing written.
    CliResult r = Cli({"restore", kv201, "FV-101", "--keep-identity"});
    EXPECT_EQ(2, r.exitCode) << r.err;
    EXPECT_THAT(r.err, HasSubstr("The file was read from KPX110 positioner (type 0001); FV-101 is of another family: "
                                 "RPX110 positioner (type 0001)."));
    EXPECT_EQ(description, Value("FV-101", "RB.TAG_DESC"));

    // The same family, another type with extended servo parameters: the device takes what it has.
    ASSERT_EQ(0, Cli({"set", "FV-102", "TB.SERVO_GAIN", "141", "--yes"}).exitCode);
    ASSERT_EQ(0, Cli({"backup", "FV-102", "--dir", dir_.File("fv102b")}).exitCode);
    r = Cli({"restore", OnlyFile(dir_.File("fv102b")), "FV-101", "--keep-identity", "--yes"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_THAT(r.err, HasSubstr("FV-101 is RPX110 positioner (type 0001)"));
    EXPECT_THAT(r.out, HasSubstr("read back: the device holds the file's configuration."));
    EXPECT_THAT(Value("FV-101", "TB.SERVO_GAIN"), HasSubstr("141"));
    // --yes also gave the blocks their former modes back.
    EXPECT_THAT(r.err, HasSubstr("back into the modes they had before the download (RB AUTO, TB AUTO"));
    EXPECT_THAT(r.err, Not(HasSubstr("Out of service:")));
    EXPECT_FALSE(fv102.empty());
}

TEST_F(CliOnServer, ReadingVerbsLeaveAnUnsupportedIoOptionInTheDevice) {
    // Out of service the AO block would take the correction a window's read makes.
    ASSERT_EQ(0, Cli({"state", "KV-202", "oos", "--yes"}).exitCode);
    ASSERT_THAT(Value("KV-202", "AO.IO_OPTS"), HasSubstr("Invert"));
    CliResult r = Cli({"backup", "KV-202", "--dir", dir_.File("b")});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_THAT(r.err, Not(HasSubstr("will be removed")));
    EXPECT_THAT(Value("KV-202", "AO.IO_OPTS"), HasSubstr("Invert"));
    EXPECT_THAT(Cli({"diff", OnlyFile(dir_.File("b")), "KV-202"}).out, HasSubstr("No differences."));
    EXPECT_THAT(Value("KV-202", "AO.IO_OPTS"), HasSubstr("Invert"));
}

TEST_F(CliOnServer, CtrlCDuringADownloadIsACancelThatNamesTheGroupsWritten) {
    ASSERT_EQ(0, Cli({"backup", "FV-101", "--dir", dir_.File("b")}).exitCode);
    const std::string file = OnlyFile(dir_.File("b"));
    CliResult r = RunCli({"restore", file, "FV-101", "--yes", "--user", "Admin", "--password", "admin"}, 60000, -1,
                         "Downloading " + file);
    EXPECT_EQ(130, r.exitCode) << r.err;
    EXPECT_THAT(r.err, HasSubstr("Downloading " + file + " to FV-101 cancelled.\nWritten: Position Data"));
    EXPECT_THAT(r.err, HasSubstr("General Data."));
    EXPECT_THAT(r.err, Not(HasSubstr("failed")));
}

}  // namespace
}  // namespace clitest

namespace clitest {
namespace {

TEST_F(CliOnServer, PcControlledSignaturesBelongToTheMakerEdition) {
    setenv("TESSARO_EDITION", "partner", 1);
    CliResult r = Cli({"signature", "KV-201", "--pc-controlled", "--kinds", "standard", "--yes", "--out",
                       dir_.File("pc.sig")});
    unsetenv("TESSARO_EDITION");
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("--pc-controlled signatures belong to the maker edition"));
    EXPECT_FALSE(std::filesystem::exists(dir_.File("pc.sig")));
}

TEST_F(CliOnServer, CtrlCDuringARunOfAllKeepsAndSavesTheKindsMeasuredBefore) {
    const std::string file = dir_.File("all.sig");
    CliResult r = RunCli({"signature", "FV-101", "--kinds", "all", "--yes", "--out", file, "--user", "Admin",
                          "--password", "admin"},
                         120000, -1, "Step Response Test:");
    EXPECT_EQ(130, r.exitCode) << r.err;
    EXPECT_THAT(r.err, HasSubstr("Error: The signature test of FV-101 was cancelled."));
    EXPECT_THAT(r.err, HasSubstr("The 2 signatures measured before the run ended are kept and saved into " + file));
    EXPECT_THAT(r.err, Not(HasSubstr("No signature")));
    EXPECT_TRUE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace clitest
