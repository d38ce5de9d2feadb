// The save and open commands: dialog contents, version choice, remembered file, messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ConfigTestSupport.h"
#include "config/ActuatorDiagnosticsSource.h"
#include "config/ConfigFile.h"
#include "config/ConfigFileVersion.h"
#include "platform/AtomicFile.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"

using namespace configtest;
using config::CConfigData;
using config::FileDialogRequest;
using config::FileDialogResult;
using platform::testing::ScriptedUi;
using platform::testing::TempDir;

namespace {

// Answers the dialog with a fixed file and filter, and remembers what it was asked.
struct Chooser {
    FileDialogResult answer;
    std::vector<FileDialogRequest> requests;
    config::FileChooser Bind() {
        return [this](const FileDialogRequest& r) {
            requests.push_back(r);
            return answer;
        };
    }
    static Chooser Choosing(const std::string& path, int filterIndex = 1) {
        Chooser c;
        c.answer = {true, path, filterIndex};
        return c;
    }
};

std::string FileBytes(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(platform::ReadWholeFile(path, bytes));
    return bytes;
}

class FakeDevice : public config::ActuatorDiagnosticsSource {
public:
    bool present = true;
    int totalsResult = 0;
    int measuredResult = 0;
    bool IsPresent() override { return present; }
    int ReadTotals(uint32_t totals[5]) override {
        for (int i = 0; i < 5; ++i) totals[i] = 500 + i;
        return totalsResult;
    }
    int ReadMeasuredValues(float values[9]) override {
        for (int i = 0; i < 9; ++i) values[i] = 0.5f + i;
        return measuredResult;
    }
};

}  // namespace

TEST(ConfigFile, SaveDialogOffersEveryVersion) {
    CConfigData data(config::FamilyRPX110, 1, "/opt/t");
    Chooser chooser;  // cancels
    ScriptedUi ui;
    EXPECT_EQ(config::SaveConfigurationFile(data, chooser.Bind()), 2);
    ASSERT_EQ(chooser.requests.size(), 1u);
    const FileDialogRequest& r = chooser.requests[0];
    EXPECT_TRUE(r.save);
    EXPECT_EQ(r.title, "Save Device Configuration File");
    EXPECT_EQ(r.defaultExtension, "dmp");
    EXPECT_EQ(r.fileName, "*.dmp");
    EXPECT_EQ(r.initialFolder, "/opt/t/Config Files");
    EXPECT_EQ(r.filter,
              "Tessaro Config Files 2.4 (*.dmp) |*.dmp|Tessaro Config Files 2.3 (*.dmp) |*.dmp|"
              "Tessaro Config Files 2.2 (*.dmp) |*.dmp|Tessaro Config Files 2.1 (*.dmp) |*.dmp|"
              "Tessaro Config Files 2.0 (*.dmp) |*.dmp|Tessaro Config Files 1.0 (*.dmp) |*.dmp|ALL Files|*.*||");
    EXPECT_EQ(config::ParseFilterString(r.filter).size(), 7u);
    EXPECT_EQ(data.dataVersion, "2.4");

    CConfigData ams(config::FamilyRPX110, 3, "/opt/t");
    EXPECT_EQ(config::MakeSaveDialogRequest(ams).filter, "Tessaro Config Files  (*.dmp) |*.dmp|");
}

TEST(ConfigFile, OpenDialogContents) {
    CConfigData data(config::FamilyRPX110, 1, "/opt/t");
    const FileDialogRequest r = config::MakeOpenDialogRequest(data);
    EXPECT_FALSE(r.save);
    EXPECT_EQ(r.title, "Open Device Configuration File");
    EXPECT_EQ(r.fileName, "*.dmp");
    EXPECT_EQ(r.filter, "Tessaro Config Files (*.dmp) |*.dmp|ALL Files|*.*||");
    EXPECT_EQ(r.initialFolder, "/opt/t/Config Files");
}

TEST(ConfigFile, FilterChoosesTheVersionAndTheRecordKeepsIt) {
    TempDir dir;
    const char* versions[] = {"2.4", "2.3", "2.2", "2.1", "2.0", "1.0", "2.4"};
    for (int filter = 1; filter <= 7; ++filter) {
        ScriptedUi ui;
        CConfigData data = MakeFilledConfig(1);
        const std::string path = dir.File("v" + std::to_string(filter) + ".dmp");
        Chooser chooser = Chooser::Choosing(path, filter);
        ASSERT_EQ(config::SaveConfigurationFile(data, chooser.Bind()), 0);
        EXPECT_EQ(data.dataVersion, versions[filter - 1]);
        EXPECT_EQ(FileBytes(path), ExpectedImage(data, config::ConfigFileVersionIndex(versions[filter - 1]), 1));
    }
}

TEST(ConfigFile, SaveRemembersTheFileAndStartsThereNextTime) {
    TempDir dir;
    ScriptedUi ui;
    CConfigData data(config::FamilyRPX110, 1, "/opt/t");
    Chooser chooser = Chooser::Choosing(dir.File("boiler.dmp"), 6);
    ASSERT_EQ(config::SaveConfigurationFile(data, chooser.Bind()), 0);
    EXPECT_EQ(data.lastFileFolder, dir.Path());
    EXPECT_EQ(data.lastFileTitle, "boiler");
    EXPECT_EQ(data.lastFileName, "boiler.dmp");
    EXPECT_EQ(data.lastFilePath, dir.File("boiler.dmp"));
    ASSERT_EQ(config::SaveConfigurationFile(data, chooser.Bind()), 0);
    EXPECT_EQ(chooser.requests[1].fileName, "boiler");
    EXPECT_EQ(chooser.requests[1].initialFolder, dir.Path());
    // No temporary file is left next to the saved one.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator{}), 1);
}

TEST(ConfigFile, SavedFilesOpenAgainWithTheSameValues) {
    TempDir dir;
    for (int filter = 1; filter <= 6; ++filter) {
        ScriptedUi ui;
        CConfigData saved = MakeFilledConfig(1);
        const std::string path = dir.File("cfg.dmp");
        Chooser save = Chooser::Choosing(path, filter);
        ASSERT_EQ(config::SaveConfigurationFile(saved, save.Bind()), 0);

        CConfigData opened(config::FamilyRPX110, 1, "/opt/t");
        const CConfigData expected = ExpectedAfterLoad(opened, saved, 5 - (filter - 1), 1);
        Chooser open = Chooser::Choosing(path);
        ASSERT_EQ(config::OpenConfigurationFile(opened, open.Bind()), 0);
        CConfigData comparable = expected;
        comparable.lastFileFolder = opened.lastFileFolder;
        comparable.lastFileTitle = opened.lastFileTitle;
        comparable.lastFileName = opened.lastFileName;
        comparable.lastFilePath = opened.lastFilePath;
        EXPECT_TRUE(opened == comparable) << "filter " << filter;
        EXPECT_EQ(opened.dataState, config::StateDefaults);  // the standalone view leaves it
        EXPECT_TRUE(ui.Messages().empty());
    }
}

TEST(ConfigFile, OpenChecksTheExtensionBeforeOpening) {
    TempDir dir;
    ScriptedUi ui;
    CConfigData data(config::FamilyRPX110, 1, "/opt/t");
    const std::string path = dir.File("cfg.txt");
    std::ofstream(path) << "anything";
    const CConfigData before = data;
    Chooser chooser = Chooser::Choosing(path);
    EXPECT_EQ(config::OpenConfigurationFile(data, chooser.Bind()), 1);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Last().text, "Error: Failed to open configuration file " + path + " with wrong extention.");
    EXPECT_EQ(data.lastFilePath, path);  // the choice is remembered all the same
    EXPECT_TRUE(data.general == before.general);

    // Upper-case extensions are fine.
    ScriptedUi ui2;
    const std::string upper = dir.File("CFG.DMP");
    CConfigData saved = MakeFilledConfig(1);
    ASSERT_EQ(config::WriteConfigurationFile(saved, upper), 0);
    Chooser chooser2 = Chooser::Choosing(upper);
    EXPECT_EQ(config::OpenConfigurationFile(data, chooser2.Bind()), 0);
    EXPECT_EQ(data.general.pdTag, "PV-101");
}

TEST(ConfigFile, OpenReportsAFileThatCannotBeRead) {
    TempDir dir;
    ScriptedUi ui;
    CConfigData data(config::FamilyRPX110, 1, "/opt/t");
    const std::string path = dir.File("missing.dmp");
    Chooser chooser = Chooser::Choosing(path);
    EXPECT_EQ(config::OpenConfigurationFile(data, chooser.Bind()), 1);
    EXPECT_EQ(ui.Last().text, "Error: Unable to open file " + path + ".");
}

TEST(ConfigFile, OpenCancelledReturnsOne) {
    ScriptedUi ui;
    CConfigData data(config::FamilyRPX110, 1, "/opt/t");
    Chooser chooser;
    EXPECT_EQ(config::OpenConfigurationFile(data, chooser.Bind()), 1);
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_TRUE(data.lastFilePath.empty());
}

TEST(ConfigFile, DamagedFileIsRefusedAndNothingChanges) {
    TempDir dir;
    ScriptedUi ui;
    const std::string path = dir.File("cut.dmp");
    CConfigData saved = MakeFilledConfig(1);
    ASSERT_EQ(config::WriteConfigurationFile(saved, path), 0);
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 3);
    CConfigData data(config::FamilyRPX110, 1, "/opt/t");
    Chooser chooser = Chooser::Choosing(path);
    const CConfigData before = data;
    EXPECT_EQ(config::OpenConfigurationFile(data, chooser.Bind()), 1);
    EXPECT_TRUE(data.general == before.general && data.position == before.position && data.pid == before.pid);
    EXPECT_EQ(data.dataVersion, before.dataVersion);
    EXPECT_EQ(ui.Last().text,
              "Error: The configuration file " + path + " is damaged or incomplete. Data loading aborted.");
}

TEST(ConfigFile, WriteFailureIsReported) {
    TempDir dir;
    ScriptedUi ui;
    CConfigData data(config::FamilyRPX110, 1, "/opt/t");
    const std::string path = dir.File("no/such/folder/cfg.dmp");
    Chooser chooser = Chooser::Choosing(path);
    EXPECT_EQ(config::SaveConfigurationFile(data, chooser.Bind()), 1);
    EXPECT_EQ(ui.Last().text, "Error: Unable to write file " + path + ".");
}

TEST(ConfigFile, HostSettingsMarkAnOpenedFile) {
    TempDir dir;
    ScriptedUi ui;
    CConfigData saved = MakeFilledConfig(3);
    ASSERT_EQ(config::WriteConfigurationFile(saved, dir.File("a.dmp")), 0);
    CConfigData data(config::FamilyRPX110, 3, "/opt/t");
    Chooser chooser = Chooser::Choosing(dir.File("a.dmp"));
    ASSERT_EQ(config::OpenConfigurationFile(data, chooser.Bind()), 0);
    EXPECT_EQ(data.dataState, config::StateLoadedFromFile);
}

TEST(ConfigFile, SaveRefreshesTotalsAndMeasurementsFromTheDevice) {
    TempDir dir;
    ScriptedUi ui;
    FakeDevice device;
    CConfigData data(config::FamilyRPX110, 1, "/opt/t");
    Chooser chooser = Chooser::Choosing(dir.File("d.dmp"));
    ASSERT_EQ(config::SaveConfigurationFile(data, chooser.Bind(), &device), 0);
    EXPECT_EQ(data.actuator.totalTravel, 500u);
    EXPECT_EQ(data.actuator.totalNearCloseTime, 504u);
    EXPECT_EQ(data.actuator.internalGain, 0.5f);
    EXPECT_EQ(data.actuator.measuredSpringRange[1], 8.5f);
    CConfigData reread(config::FamilyRPX110, 1, "/opt/t");
    ASSERT_EQ(config::ReadConfigurationFile(reread, dir.File("d.dmp")), 0);
    EXPECT_EQ(reread.actuator.totalTravel, 500u);

    // A failed read leaves its members as they were.
    CConfigData other(config::FamilyRPX110, 1, "/opt/t");
    device.totalsResult = -3;
    ASSERT_EQ(config::SaveConfigurationFile(other, chooser.Bind(), &device), 0);
    EXPECT_EQ(other.actuator.totalTravel, 0u);
    EXPECT_EQ(other.actuator.internalGain, 0.5f);
}

TEST(ConfigFile, HostSettingsWarnWhenTheRecordDoesNotMatchTheDevice) {
    TempDir dir;
    FakeDevice device;
    CConfigData data(config::FamilyRPX110, 3, "/opt/t");
    Chooser chooser = Chooser::Choosing(dir.File("h.dmp"));
    {
        ScriptedUi ui;
        ui.Answer(platform::IDNO, "The data you are trying to save is not consistent with the device.");
        EXPECT_EQ(config::SaveConfigurationFile(data, chooser.Bind(), &device), 2);
        EXPECT_TRUE(chooser.requests.empty());
        EXPECT_EQ(ui.Last().text,
                  "The data you are trying to save is not consistent with the device. \n"
                  "If you want to save the online device data, you should upload data\n"
                  "from device first.\n\nDo you still want to save it?\n");
    }
    {
        ScriptedUi ui;
        ui.Answer(platform::IDYES);
        EXPECT_EQ(config::SaveConfigurationFile(data, chooser.Bind(), &device), 0);
        ASSERT_EQ(ui.Progress().size(), 1u);
        EXPECT_EQ(ui.Progress()[0]->text, "Updating Diagnostics Data");
        EXPECT_TRUE(ui.Progress()[0]->closed);
        EXPECT_EQ(data.actuator.totalTravel, 500u);
    }
    {
        ScriptedUi ui;  // consistent with the device: no question
        data.dataState = config::StateConsistent;
        EXPECT_EQ(config::SaveConfigurationFile(data, chooser.Bind(), &device), 0);
    }
}
