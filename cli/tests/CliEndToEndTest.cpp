// tessaro-cli run as a separate process against the `nifb` server serving the shipped default
// segment, the way scripts use it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include <nlohmann/json.hpp>

#include "CliOnServer.h"
#include "CliRunner.h"
#include "config/CConfigData.h"
#include "config/ConfigFile.h"
#include "diagnostics/SignatureFile.h"
#include "logon/LogonDatabase.h"
#include "logon/PasswordHash.h"
#include "nifb/Backend.h"
#include "nifb/nifb.h"
#include "platform/AtomicFile.h"
#include "platform/testing/TempDir.h"
#include "simulator/tests/ServerProcess.h"
#include "trend/TrendFile.h"

namespace clitest {
// Built with a sanitizer (clang says so through __has_feature, g++ through its macros).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CLI_TESTS_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define CLI_TESTS_SANITIZED 1
#endif
#endif
#ifndef CLI_TESTS_SANITIZED
#define CLI_TESTS_SANITIZED 0
#endif

namespace {

constexpr bool kSanitizedBuild = CLI_TESTS_SANITIZED;

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(CliOnServer, ScanListsTheDefaultSegment) {
    const CliResult text = Cli({"scan"});
    ASSERT_EQ(0, text.exitCode) << text.err;
    EXPECT_THAT(text.out, HasSubstr("FV-101  0x14 (20)  42524B0001J0000010  RPX110 positioner (type 0001)"));
    EXPECT_THAT(text.out, HasSubstr("PT-301  0x18 (24)  5A54010A01T0000001  other device"));

    const CliResult json = Cli({"scan", "--json"});
    ASSERT_EQ(0, json.exitCode) << json.err;
    // Answers are not const: a key or element an answer lacks then reads as null and fails the
    // comparison; const operator[] on a missing key is undefined (it crashed the test program).
    nlohmann::json answer = nlohmann::json::parse(json.out);
    std::vector<std::string> tags;
    for (const auto& device : answer["devices"]) tags.push_back(device["tag"]);
    EXPECT_EQ((std::vector<std::string>{"FV-101", "FV-102", "KV-201", "KV-202", "PT-301"}), tags);
    EXPECT_EQ("KPX110", answer["devices"][2]["family"]);
    EXPECT_TRUE(answer["devices"][1]["linkMaster"]);
    EXPECT_FALSE(answer["devices"][4]["positioner"]);
}

TEST_F(CliOnServer, AWrongPasswordOrTooLowALevelIsRefusedWithExitStatusTwo) {
    CliResult r = RunCli({"scan", "--user", "Admin", "--password", "wrong"});
    EXPECT_EQ(2, r.exitCode);
    EXPECT_EQ("Invalid Password .\n", r.err);
    EXPECT_EQ("", r.out);

    platform::Registry registry(dir_.File("registry.dat"));
    logon::LogonDatabase users(registry, dir_.File("sys"), logon::Edition::Maker);
    ASSERT_EQ(0, users.Load());
    ASSERT_EQ(0, users.CreateUser("viewer", 1, logon::PasswordHash("look")));
    const std::vector<std::string> viewer = {"--user", "viewer", "--password", "look"};
    auto asViewer = [&viewer](std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), viewer.begin(), viewer.end());
        return RunCli(arguments);
    };
    EXPECT_EQ("120\n", asViewer({"get", "FV-101", "TB.SERVO_GAIN"}).out);
    // Level 1 may move the valve by hand but not change its configuration.
    r = asViewer({"set", "FV-101", "TB.SERVO_GAIN", "130", "--yes"});
    EXPECT_EQ(2, r.exitCode);
    EXPECT_EQ("Attempted operation is unauthorized .\n", r.err);
    r = asViewer({"set", "FV-101", "AO.OUT.VALUE", "40", "--yes"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("Error: Write AO Out is only allowed in Man mode."));
}

TEST_F(CliOnServer, GetAndSetRoundTripWithTheProgramsRulesAndTheDevicesRefusals) {
    EXPECT_EQ("120", Value("FV-101", "TB.SERVO_GAIN"));
    EXPECT_EQ("Air To Open (1)", Value("FV-101", "TB.ACT_FAIL_ACTION"));

    // In service the device refuses a scale: its own status, and nothing changes.
    CliResult r = Cli({"set", "FV-101", "AO.XD_SCALE.EU_100", "90", "--yes"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("Device FV-101 Error (-39): E_WRONG_MODE_FOR_REQUEST"));
    EXPECT_EQ("100", Value("FV-101", "AO.XD_SCALE.EU_100"));
    // The program's own mode rule refuses AO OUT outside MAN without writing.
    r = Cli({"set", "FV-101", "AO.OUT.VALUE", "-5", "--yes"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("Error: Write AO Out is only allowed in Man mode."));

    // Without --yes and without a terminal the write is declined.
    r = Cli({"set", "FV-101", "TB.SERVO_GAIN", "130"});
    EXPECT_EQ(2, r.exitCode);
    EXPECT_EQ("120", Value("FV-101", "TB.SERVO_GAIN"));

    // A configuration parameter takes the device out of service after the program's warning.
    r = Cli({"set", "FV-101", "TB.SERVO_GAIN", "130", "--yes"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("TB.SERVO_GAIN: 120 -> 130\n", r.out);
    EXPECT_THAT(r.err, HasSubstr("Some requested parameters change will take effect only after the device be put "
                                 "into the Out of Service state"));
    EXPECT_EQ("130", Value("FV-101", "TB.SERVO_GAIN"));
    r = Cli({"set", "FV-101", "TB.ACT_FAIL_ACTION", "air to close", "--yes"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("TB.ACT_FAIL_ACTION: Air To Open (1) -> Air To Close (2)\n", r.out);

    nlohmann::json scale = nlohmann::json::parse(Cli({"get", "FV-101", "AO.XD_SCALE", "--json"}).out);
    EXPECT_EQ(100.0, scale["values"][0]["value"]["EU_100"]);
    EXPECT_EQ("%", scale["values"][0]["value"]["UNITS_INDEX"]["text"]);
}

TEST_F(CliOnServer, StateChangesWithTheProgramsWarnings) {
    CliResult r = Cli({"state", "KV-201", "manual", "--yes"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("KV-201: NORMAL STATE -> MANUAL STATE\n", r.out);
    EXPECT_THAT(r.err, HasSubstr("The device is about to change to the MANUAL operation state"));

    // Declined: exit status 2, the warning on standard error, and the state stays.
    r = Cli({"state", "KV-201", "oos"});
    EXPECT_EQ(2, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("The device is about to change to the Out of Service state"));
    EXPECT_EQ("KV-201: MANUAL STATE\n", Cli({"state", "KV-201"}).out);

    r = Cli({"state", "KV-201", "oos", "--yes"});
    EXPECT_EQ("KV-201: MANUAL STATE -> OUT OF SERVICE\n", r.out);
    r = Cli({"state", "KV-201", "normal", "--yes"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("KV-201: OUT OF SERVICE -> NORMAL STATE\n", r.out);
}

TEST_F(CliOnServer, QueryAnswersACommandOrTheSummary) {
    CliResult r = Cli({"query", "FV-102", "Read Limit Switces"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("Read Limit Switces :\n\nLimit Switch 1 Status=Off .\nLimit Switch 2 Status=Off .\n", r.out);

    r = Cli({"query", "FV-102", "summary", "--json"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    nlohmann::json answer = nlohmann::json::parse(r.out);
    EXPECT_EQ("Device Summary", answer["answers"][0]["command"]);
    EXPECT_THAT(answer["answers"][0]["lines"].get<std::vector<std::string>>(), ::testing::Contains("PID Tag=FV102_PID"));

    r = Cli({"query", "FV-102", "nothing"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("20 Read Raw Data"));
}

TEST_F(CliOnServer, PidChangesStateAndWritesByTheControllersRules) {
    CliResult r = Cli({"pid", "FV-101", "--mode", "man", "--out", "40"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_THAT(r.out, HasSubstr("FV-101: MAN  SP 50.00"));
    EXPECT_THAT(r.out, HasSubstr("OUT 40.00"));

    // The output is entered only in MAN: refused before the state changes; the simulation's
    // warning declined changes nothing.
    r = Cli({"pid", "FV-101", "--mode", "auto", "--out", "45"});
    EXPECT_EQ(64, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("Error: The output is entered only in MAN; --mode auto would not take it."));
    EXPECT_THAT(Cli({"pid", "FV-101"}).out, HasSubstr("FV-101: MAN "));
    ASSERT_EQ(0, Cli({"pid", "FV-101", "--mode", "auto"}).exitCode);
    r = Cli({"pid", "FV-101", "--mode", "sim"});
    EXPECT_EQ(2, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("WARNING: SIM state must NOT be used"));
    EXPECT_THAT(r.out, HasSubstr("FV-101: AUTO "));
}

TEST_F(CliOnServer, BackupDiffAndRestoreShowExactlyTheChange) {
    const std::string folder = dir_.File("x");
    CliResult r = Cli({"backup", "--dir", folder});
    ASSERT_EQ(0, r.exitCode) << r.err;
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(entry.path().string());
    ASSERT_EQ(4u, files.size());
    std::string kv201;
    for (const std::string& f : files)
        if (f.find("/KV-201_") != std::string::npos) kv201 = f;
    ASSERT_FALSE(kv201.empty());
    EXPECT_THAT(r.out, HasSubstr(kv201 + "\n"));
    // The device and its fresh backup agree.
    EXPECT_THAT(Cli({"diff", kv201, "KV-201"}).out, HasSubstr("No differences."));

    ASSERT_EQ(0, Cli({"set", "KV-201", "PID.GAIN", "2.5", "--yes"}).exitCode);
    r = Cli({"diff", kv201, "KV-201"});
    EXPECT_EQ(0, r.exitCode);
    EXPECT_EQ("--- " + kv201 + " (file)\n+++ KV-201 (device)\n[PID Block]\n  PID.GAIN: 1 -> 2.5\n"
              "1 field differs in 1 group: PID Block.\n",
              r.out);

    // A second backup the same day never replaces the first; two files compare alike.
    r = Cli({"backup", "KV-201", "--dir", folder, "--quiet"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    const std::string second = kv201.substr(0, kv201.size() - 4) + "_2.dmp";
    EXPECT_EQ(second + "\n", r.out);
    nlohmann::json diff = nlohmann::json::parse(Cli({"diff", kv201, second, "--json"}).out);
    EXPECT_FALSE(diff["identical"]);
    ASSERT_EQ(1u, diff["groups"].size());
    EXPECT_EQ("PID Block", diff["groups"][0]["group"]);
    EXPECT_EQ("PID.GAIN", diff["groups"][0]["fields"][0]["field"]);

    r = Cli({"restore", kv201, "KV-201", "--yes"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_THAT(r.out, HasSubstr("read back: the device holds the file's configuration."));
    EXPECT_THAT(r.err, HasSubstr("Current Tag/Address before download: KV-201 / 0x16"));
    EXPECT_THAT(Cli({"diff", kv201, "KV-201"}).out, HasSubstr("No differences."));
    // Another device's configuration would take a tag that is in use.
    r = Cli({"restore", kv201, "FV-101", "--yes"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("Error: The new device tag KV-201 is not unique. Download is cancelled."));

    // A file with another tag gives the device that tag after the download (a replaced valve).
    config::CConfigData renamed;
    ASSERT_EQ(0, config::ReadConfigurationFile(renamed, kv201));
    renamed.general.pdTag = "KV-209";
    ASSERT_EQ(0, config::WriteConfigurationFile(renamed, dir_.File("KV-209.dmp")));
    r = Cli({"restore", dir_.File("KV-209.dmp"), "KV-201", "--yes"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_THAT(r.out, HasSubstr("to KV-209; read back: the device holds the file's configuration."));
    EXPECT_THAT(Cli({"scan"}).out, HasSubstr("KV-209  0x16 (22)  4B54450001J0000006"));
}

TEST_F(CliOnServer, DataSetsInTheHostDatabaseSavedListedLoadedIntoAFileAndDeleted) {
    CliResult r = Cli({"dataset", "FV-101", "save", "Tuned  "});
    ASSERT_EQ(0, r.exitCode) << r.err;
    ASSERT_EQ(0, Cli({"dataset", "FV-101", "save", "Spare"}).exitCode);
    ASSERT_EQ(0, Cli({"set", "FV-101", "TB.SERVO_GAIN", "130", "--yes"}).exitCode);
    // An existing name is overwritten only when the user agrees.
    r = Cli({"dataset", "FV-101", "save", "Tuned"});
    EXPECT_EQ(2, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("Data [Tuned] alreay exists in the database.\nDo you want to overwrite it?"));
    nlohmann::json list = nlohmann::json::parse(Cli({"dataset", "FV-101", "list", "--json"}).out);
    ASSERT_EQ(2u, list["dataSets"].size());
    EXPECT_EQ("Tuned", list["dataSets"][0]["name"]);  // saved without its trailing blanks
    EXPECT_EQ("Spare", list["dataSets"][1]["name"]);

    // The data set, not the device's present servo gain, goes into the file.
    r = Cli({"dataset", "FV-101", "load", "Tuned", dir_.File("tuned.dmp")});
    ASSERT_EQ(0, r.exitCode) << r.err;
    config::CConfigData loaded;
    ASSERT_EQ(0, config::ReadConfigurationFile(loaded, dir_.File("tuned.dmp")));
    EXPECT_FLOAT_EQ(120.0f, loaded.position.servoGain);
    EXPECT_EQ("FV-101", loaded.general.pdTag);
    r = Cli({"dataset", "FV-101", "load", "Nope", dir_.File("nope.dmp")});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("The device's configuration database is empty."));
    EXPECT_FALSE(std::filesystem::exists(dir_.File("nope.dmp")));

    // Deleting asks; without an answer nothing goes.
    EXPECT_EQ(2, Cli({"dataset", "FV-101", "delete", "Spare"}).exitCode);
    ASSERT_EQ(0, Cli({"dataset", "FV-101", "delete", "Spare", "--yes"}).exitCode);
    EXPECT_EQ(1, Cli({"dataset", "FV-101", "delete", "Spare", "--yes"}).exitCode);
    r = Cli({"dataset", "FV-101", "list"});
    EXPECT_EQ(0u, r.out.find("Tuned  ("));
    EXPECT_EQ(1, std::count(r.out.begin(), r.out.end(), '\n'));
}

TEST_F(CliOnServer, ABackupOfSeveralDevicesSavesWhatItCanAndSaysWhatNot) {
    const CliResult r = Cli({"backup", "NOPE", "FV-101", "PT-301", "--dir", dir_.File("y")});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("Error: No device with the tag \"NOPE\" is on the link"));
    EXPECT_THAT(r.err, HasSubstr("Error: PT-301 is not a positioner of this program"));
    EXPECT_THAT(r.err, HasSubstr("2 of 3 configurations not saved."));
    EXPECT_THAT(r.out, HasSubstr("/FV-101_"));
}

TEST_F(CliOnServer, TrendFirmwareAndSignatureFilesAsTheWindowsMakeThem) {
    CliResult r = Cli({"trend", "FV-101", "--seconds", "1", "--interval", "100", "--out", dir_.File("fv.tre")});
    ASSERT_EQ(0, r.exitCode) << r.err;
    std::string bytes;
    ASSERT_TRUE(platform::ReadWholeFile(dir_.File("fv.tre"), bytes));
    trend::TrendFileContents contents;
    ASSERT_EQ(trend::TrendParseResult::Ok, trend::ParseTrendFile(bytes, contents));
    EXPECT_EQ("2.1T", contents.header.version);
    EXPECT_GE(contents.channels[0].size(), 3u);
    // An existing file is replaced only when the user agrees.
    r = Cli({"trend", "FV-101", "--seconds", "1", "--out", dir_.File("fv.tre")});
    EXPECT_EQ(2, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("already exists."));

    const std::string firmware = TESSARO_SOURCE_DIR "/simulator/firmware/42524B0007_0007_SW2.10.00.ffd";
    r = Cli({"firmware", "verify", "FV-102", firmware});
    EXPECT_EQ(0, r.exitCode) << r.err;
    r = Cli({"firmware", "verify", "KV-202", firmware});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("Different Manufactire ID: 42524B / 4B5445"));
    r = Cli({"firmware", "download", "KV-201", firmware, "--yes"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("only into positioners of device type 7"));

    r = Cli({"sig-export", TESSARO_SOURCE_DIR "/data/seed/Signature Data/FV-101_commissioning.sig"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(0u, r.out.find("MEASUREMENT 1 of 2\n"));
    EXPECT_THAT(r.out, HasSubstr("MEASUREMENT 2 of 2\n"));
    EXPECT_THAT(r.out, HasSubstr("Spring Range Low"));
    EXPECT_THAT(r.out, Not(HasSubstr("\r")));
}

TEST_F(CliOnServer, SignatureMeasuresUploadsSavesAndCancelsOnCtrlC) {
    const std::string file = dir_.File("fv.sig");
    CliResult r = Cli({"signature", "FV-101", "--yes", "--out", file, "--save", "baseline", "--notes", "cli"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_THAT(r.err, HasSubstr("Standard Actuator Signature: RUNNING"));
    EXPECT_THAT(r.err, HasSubstr("Uploaded Standard Actuator Signature: 18 points"));
    EXPECT_THAT(r.out, HasSubstr("Spring Range Low"));
    EXPECT_THAT(r.out, HasSubstr("The standard actuator signature is kept as baseline in FV-101."));
    diagnostics::SignatureFileContents contents;
    ASSERT_EQ(0, diagnostics::ReadSignatureFile(file, contents));
    ASSERT_EQ(1u, contents.blocks.size());
    ASSERT_EQ(1u, contents.blocks[0].curves.size());
    EXPECT_EQ(18u, contents.blocks[0].curves[0].curve1.size());
    EXPECT_EQ("cli", contents.blocks[0].curves[0].notes);
    EXPECT_EQ("FV-101", contents.blocks[0].curves[0].name);

    // Ctrl+C cancels the measurement: nothing to upload, nothing written.
    r = RunCli({"signature", "FV-101", "--yes", "--out", dir_.File("cancelled.sig"), "--user", "Admin", "--password",
                "admin"},
               60000, -1, "Standard Actuator Signature: RUNNING");  // any step: a busy machine skips some
    EXPECT_EQ(130, r.exitCode);  // ended by Ctrl+C
    EXPECT_THAT(r.err, HasSubstr("Error: The signature test of FV-101 was cancelled."));
    EXPECT_THAT(r.err, HasSubstr("Error: No signature of FV-101 was uploaded."));
    EXPECT_FALSE(std::filesystem::exists(dir_.File("cancelled.sig")));
    EXPECT_EQ("Cancelled (2)", Value("FV-101", "TB.SIGN_MEAS_RESULT"));
    EXPECT_EQ("1 (0x01)", Value("FV-101", "TB.SIGN_MEAS_EXEC"));  // idle again

    // High resolution arrives in chunks while it runs (a sanitizer slows the reading below
    // what the device's ring allows at 20x, so the segment runs slower there); the page's
    // rules refuse what the device does not offer before anything moves.
    if (kSanitizedBuild) Control(R"({"command":"speed","factor":4})");
    r = Cli({"signature", "FV-101", "--yes", "--kinds", "hires", "--out", dir_.File("hires.sig")});
    if (kSanitizedBuild) Control(R"({"command":"speed","factor":20})");
    ASSERT_EQ(0, r.exitCode) << r.err;
    ASSERT_EQ(0, diagnostics::ReadSignatureFile(dir_.File("hires.sig"), contents));
    ASSERT_EQ(1u, contents.blocks.size());
    EXPECT_GT(contents.blocks[0].curves[0].curve1.size(), 100u);
    r = Cli({"signature", "FV-101", "--kinds", "extended,hires"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("exclude each other"));
    r = Cli({"signature", "FV-101", "--pc-controlled"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("FV-101 measures them itself."));
    r = Cli({"signature", "KV-201", "--kinds", "standard"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("--pc-controlled strokes the valve"));
    r = Cli({"signature", "KV-201", "--pc-controlled", "--kinds", "positioner"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("under PC control"));
    // A positioner that stops answering fails the command; nothing is written.
    Control(R"({"command":"silence","device":"KV-201","afterMs":0,"forMs":600000})");
    r = Cli({"signature", "KV-201", "--pc-controlled", "--yes", "--out", dir_.File("silent.sig")});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("silent.sig")));
    EXPECT_THAT(r.err, HasSubstr("No device with the tag \"KV-201\" is on the link"));
}

TEST_F(CliOnServer, SignatureUploadsTheStoredBaselineAndRunsTheStepSeriesOfItsOptions) {
    // Nothing kept yet: said, nothing written.
    CliResult r = Cli({"signature", "FV-101", "--upload", "record", "--out", dir_.File("record.sig")});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("FV-101 keeps no record signature"));
    EXPECT_FALSE(std::filesystem::exists(dir_.File("record.sig")));
    r = Cli({"signature", "FV-101", "--upload", "baseline", "--kinds", "standard"});
    EXPECT_EQ(64, r.exitCode);

    // Commissioning keeps the baseline; later it comes back as the curve measured then.
    r = Cli({"signature", "FV-101", "--yes", "--save", "baseline", "--out", dir_.File("commissioning.sig")});
    ASSERT_EQ(0, r.exitCode) << r.err;
    r = Cli({"signature", "FV-101", "--upload", "baseline", "--out", dir_.File("baseline.sig")});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_THAT(r.out, HasSubstr("Standard Actuator Signature (BASELINE)"));
    EXPECT_THAT(r.out, HasSubstr("Spring Range Low"));
    diagnostics::SignatureFileContents measured, uploaded;
    ASSERT_EQ(0, diagnostics::ReadSignatureFile(dir_.File("commissioning.sig"), measured));
    ASSERT_EQ(0, diagnostics::ReadSignatureFile(dir_.File("baseline.sig"), uploaded));
    ASSERT_EQ(1u, uploaded.blocks.size());
    ASSERT_EQ(1u, uploaded.blocks[0].curves.size());
    const diagnostics::CSignatureData& then = measured.blocks[0].curves[0];
    const diagnostics::CSignatureData& kept = uploaded.blocks[0].curves[0];
    EXPECT_EQ(then.DateText(), kept.DateText());
    ASSERT_EQ(then.curve1.size(), kept.curve1.size());
    for (size_t i = 0; i < kept.curve1.size(); ++i) EXPECT_EQ(then.curve1[i].y, kept.curve1[i].y) << i;

    // The step page's rules, before anything moves.
    r = Cli({"signature", "FV-101", "--kinds", "step", "--dead-band"});
    EXPECT_EQ(64, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("--dead-band needs --cycles."));
    r = Cli({"signature", "FV-101", "--kinds", "step", "--start", "40", "--end", "40.05"});
    EXPECT_EQ(64, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("The diffence between Destination Point and Initial Point must be greater than 0.1"));
    r = Cli({"signature", "FV-101", "--kinds", "step", "--cycles", "2", "--dead-band", "--step-size", "3"});
    EXPECT_EQ(64, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("(Dead Band Test) should be (0.1,2.0)"));
    r = Cli({"signature", "FV-101", "--kinds", "standard", "--step-size", "5"});
    EXPECT_EQ(64, r.exitCode);

    // 20 -> 80 in steps of 20, out and back: six steps, their settings kept with the curve.
    r = Cli({"signature", "FV-101", "--yes", "--kinds", "step", "--start", "20", "--end", "80", "--step-size", "20",
             "--round-trip", "--sampling", "50", "--samples", "40", "--out", dir_.File("steps.sig")});
    ASSERT_EQ(0, r.exitCode) << r.err;
    diagnostics::SignatureFileContents steps;
    ASSERT_EQ(0, diagnostics::ReadSignatureFile(dir_.File("steps.sig"), steps));
    ASSERT_EQ(1u, steps.blocks.size());
    const diagnostics::CSignatureData& series = steps.blocks[0].curves[0];
    EXPECT_EQ(20.0f, series.header[1]);
    EXPECT_EQ(80.0f, series.header[2]);
    EXPECT_EQ(50.0f, series.header[3]);
    EXPECT_EQ(40.0f, series.header[4]);
    EXPECT_EQ(20.0f, series.header[5]);
    EXPECT_EQ(1.0f, series.header[6]);
    EXPECT_EQ(6u * 40u, series.curve1.size());
    ASSERT_EQ(series.curve1.size(), series.curve2.size());
    EXPECT_NEAR(20.0f, series.curve2.front().y, 0.01f);
    EXPECT_NEAR(20.0f, series.curve2.back().y, 0.01f);
    float highest = 0.0f;
    for (const auto& p : series.curve2) highest = std::max(highest, p.y);
    EXPECT_NEAR(80.0f, highest, 0.01f);
}

TEST_F(CliOnServer, CalibrationAndSelfCheckRunTheDeviceProceduresAsTheWindowsDo) {
    // A self check of some 90 simulated seconds takes a fraction of a second. Under a
    // sanitizer the server cannot step the valves a thousand times faster than the wall clock
    // and would fall further behind with each call, so there it runs ten times as fast only.
    Control(kSanitizedBuild ? R"({"command":"speed","factor":10})" : R"({"command":"speed","factor":1000})");
    // Meanwhile on another positioner: Ctrl+C is the progress window's Cancel, the device is
    // told to stop and answers with its label, and the sheet's Cancel restores the servo set.
    // And a third: a device whose self check ends in an error fails the command.
    Control(R"({"command":"valveFault","device":"FV-102","fault":"hangProcedure","on":true})");
    Control(R"({"command":"valveFault","device":"KV-202","fault":"forceResult","code":100,"on":true})");
    CliResult cancelled, failed;
    std::thread elsewhere([&cancelled, &failed] {
        cancelled = RunCli({"calibrate", "FV-102", "autotune", "--yes", "--user", "Admin", "--password", "admin"},
                           60000, -1, "Auto tuning in progress ... (Ctrl+C cancels)");
        failed = RunCli({"selfcheck", "KV-202", "--yes", "--quiet", "--user", "Admin", "--password", "admin"});
    });
    // A failure below that throws still waits for the other commands before the test ends.
    struct Joiner {
        std::thread& thread;
        ~Joiner() {
            if (thread.joinable()) thread.join();
        }
    } joiner{elsewhere};

    CliResult r = Cli({"selfcheck", "KV-201", "--yes", "--historian", "--json"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    nlohmann::json check = nlohmann::json::parse(r.out);
    EXPECT_EQ("Success", check["result"]);
    EXPECT_EQ("Measured Spring Range Upper", check["measured"][6]["label"]);
    EXPECT_NE("", check["measured"][6]["value"]);
    EXPECT_EQ("Total Travel (strokes)", check["historian"][0]["label"]);

    r = Cli({"calibrate", "FV-101", "autotune", "--yes"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_THAT(r.out, HasSubstr("AutoTune Result : Success\n"));
    EXPECT_THAT(r.out, Not(HasSubstr("Gain             120       120")));
    EXPECT_THAT(r.err, HasSubstr("To enter calibration, the device need to be put into O/S"));
    r = Cli({"calibrate", "FV-101", "stops", "--yes"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("Find Range Result : Success\n", r.out);
    EXPECT_EQ("100", Value("FV-101", "TB.OPEN_STOP_ADJ"));
    r = Cli({"calibrate", "FV-101", "travel", "--type", "mid", "--target", "50", "--yes"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("Calibration Result : Success\n", r.out);

    elsewhere.join();
    EXPECT_EQ(130, cancelled.exitCode) << cancelled.err;  // ended by Ctrl+C
    EXPECT_THAT(cancelled.out, HasSubstr("AutoTune Result : Cancelled\n"));
    EXPECT_THAT(cancelled.err, HasSubstr("The servo parameters read before the auto tune were written back."));
    EXPECT_EQ(1, failed.exitCode) << failed.err;
    EXPECT_THAT(failed.out, HasSubstr("Self Check Result : Error: no movement\n"));
}

TEST_F(CliOnServer, ReportsOfAFileAndADeviceAsTheReportCommandWritesThem) {
    const std::string defaults = TESSARO_SOURCE_DIR "/data/seed/Config Files/KPXDEF.dmp";
    CliResult r = Cli({"report", defaults, "--format", "text"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_THAT(r.out, HasSubstr("User\tAdmin\n"));
    EXPECT_THAT(r.out, Not(HasSubstr("TSRO")));

    r = Cli({"report", "KV-201", "--out", dir_.File("kv.htm")});
    ASSERT_EQ(0, r.exitCode) << r.err;
    std::string html;
    ASSERT_TRUE(platform::ReadWholeFile(dir_.File("kv.htm"), html));
    EXPECT_THAT(html, HasSubstr("KV-201"));
    EXPECT_THAT(html, Not(HasSubstr("TSRO")));

    r = Cli({"report", "FV-101", "--format", "pdf", "--out", dir_.File("fv.pdf"), "--json"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("FV-101", nlohmann::json::parse(r.out)["tag"]);
    std::string pdf;
    ASSERT_TRUE(platform::ReadWholeFile(dir_.File("fv.pdf"), pdf));
    EXPECT_EQ(0u, pdf.find("%PDF"));
}

TEST(CliCommandLine, HelpPagesAndUsageErrors) {
    CliResult r = RunCli({"--help"});
    EXPECT_EQ(0, r.exitCode);
    for (const char* verb : {"scan", "info", "get", "set", "state", "backup", "restore", "diff", "watch", "trend",
                             "firmware", "sig-export", "calibrate", "selfcheck", "report", "dataset",
                             "signature"})
        EXPECT_THAT(r.out, HasSubstr(std::string("\n    ") + verb + " ")) << verb;
    r = RunCli({"help", "restore"});
    EXPECT_EQ(0, r.exitCode);
    EXPECT_THAT(r.out, HasSubstr("SYNOPSIS\n    tessaro-cli restore FILE TAG [OPTIONS]\n"));
    EXPECT_THAT(r.out, HasSubstr("    --keep-identity\n"));
    EXPECT_EQ(r.out, RunCli({"restore", "--help"}).out);

    // Usage errors have an exit status of their own (64), before any work.
    r = RunCli({"frob"});
    EXPECT_EQ(64, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("Unknown verb \"frob\""));
    r = RunCli({"get", "FV-101"});
    EXPECT_EQ(64, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("Usage: tessaro-cli get TAG BLOCK.PARAM[.MEMBER]... [OPTIONS]"));
    r = RunCli({"scan", "--colour"});
    EXPECT_EQ(64, r.exitCode);
    EXPECT_THAT(r.err, HasSubstr("Error: Unknown option 'colour'."));
}

TEST_F(CliOnServer, CtrlCEndsAWatchAndKeepsWhatItWrote) {
    const CliResult r =
        RunCli({"watch", "FV-101", "--interval", "100", "--user", "Admin", "--password", "admin"}, 60000, 700);
    EXPECT_EQ(130, r.exitCode) << r.err;
    EXPECT_EQ("", r.err);
    EXPECT_GE(std::count(r.out.begin(), r.out.end(), '\n'), 3);
}

TEST_F(CliOnServer, WatchWritesOneLinePerPeriod) {
    const CliResult r = Cli({"watch", "FV-101", "--csv", "--count", "2", "--interval", "100"});
    ASSERT_EQ(0, r.exitCode) << r.err;
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at; (at = r.out.find('\n', from)) != std::string::npos; from = at + 1)
        lines.push_back(r.out.substr(from, at - from));
    ASSERT_EQ(3u, lines.size()) << r.out;
    EXPECT_EQ(0u, lines[0].find("time,state,position[%],set_point[%],out_pressure[kPa]"));
    EXPECT_THAT(lines[1], HasSubstr(",NORMAL STATE,"));
    EXPECT_THAT(lines[2], Not(HasSubstr("nan")));
}

}  // namespace
}  // namespace clitest
