// Named configuration data sets in the host's database: the real host library on a database
// file in a temporary folder, the device side on the simulated segment hosted in-process.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>

#include "config/ConfigDatabase.h"
#include "config/HostConfigCommands.h"
#include "config/tests/TransferTestBed.h"
#include "plugin/QamHostDatabase.h"
#include "plugin/QamLibrary.h"

using config::CConfigData;
using config::DatabaseDialogs;

namespace {

// Answers the database dialogs from a script and remembers the names each one offered.
class ScriptedDialogs : public DatabaseDialogs {
public:
    ScriptedDialogs& Then(bool ok, const std::string& name) {
        answers_.push_back({ok, name});
        return *this;
    }
    bool Show(Kind kind, const std::vector<config::HostEntry>& entries, std::string& name) override {
        std::vector<std::string> names;
        for (const config::HostEntry& entry : entries) names.push_back(entry.name);
        offered.push_back(names);
        kinds.push_back(kind);
        if (answers_.empty()) {
            ADD_FAILURE() << "a dialog the script did not expect";
            return false;
        }
        const auto [ok, answer] = answers_.front();
        answers_.pop_front();
        name = answer;
        return ok;
    }
    std::vector<std::vector<std::string>> offered;
    std::vector<Kind> kinds;
    ~ScriptedDialogs() override { EXPECT_TRUE(answers_.empty()) << "dialog answers left"; }

private:
    std::deque<std::pair<bool, std::string>> answers_;
};

class ConfigDatabaseTest : public configtest::TransferTestBed {
protected:
    void SetUp() override {
        TransferTestBed::SetUp();
        std::string why;
        ASSERT_EQ(0, library.Load({QAMZ_LIBRARY}, why)) << why;
        qamZTestReset();
        host = std::make_unique<plugin::QamHostDatabase>(library.Api());
        host->SetReporter([this](const std::string& text) { reported.push_back(text); });
        ASSERT_EQ(0, host->Open(dir.File("QAM.db"), {"S1", "host-1", "tech", "42524B0001J0000010", "FV-101"}));
        database = std::make_unique<config::ConfigDatabase>(*host, data);
    }
    void TearDown() override {
        qamZTestReset();
        TransferTestBed::TearDown();
    }

    // The plug-in view's device: FV-101 open and present.
    config::HostViewDevice Present() {
        config::HostViewDevice device;
        const int slot = Open("FV-101");
        device.device = &link.Device(slot);
        device.isPresent = [this, slot] { return link.IsPresent(slot); };
        device.link = Identity("FV-101");
        device.transfer.runMode = RunModeQamPlugIn;
        device.transfer.waitForClose = false;
        device.readConfiguration = [this] { return Read(data, "FV-101", Options()); };
        return device;
    }
    static config::TransferOptions Options() {
        config::TransferOptions options;
        options.runMode = RunModeQamPlugIn;
        return options;
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        EXPECT_EQ(0, database->ListConfigurationSets(names));
        return names;
    }
    // Entries named `name` in every list kind.
    int EntriesNamed(const std::string& name) {
        int count = 0;
        for (const config::HostListSpec& list : config::HostLists()) {
            std::vector<config::HostEntry> entries;
            EXPECT_EQ(0, host->SearchList(list, entries));
            for (const config::HostEntry& entry : entries) count += entry.name == name ? 1 : 0;
        }
        return count;
    }

    plugin::QamLibrary library;
    std::unique_ptr<plugin::QamHostDatabase> host;
    CConfigData data{config::FamilyRPX110, RunModeQamPlugIn};
    std::unique_ptr<config::ConfigDatabase> database;
    std::vector<std::string> reported;
};

}  // namespace

TEST_F(ConfigDatabaseTest, TwoSetsSavedListedOneLoadedAndDownloadedTheOtherDeleted) {
    ASSERT_EQ(0, Read(data, "FV-101", Options()));
    const float deviceGain = data.position.servoGain;
    data.pid.alarmHigh = INFINITY;  // a limit the device leaves open
    const CConfigData original = data;

    ScriptedDialogs dialogs;
    config::HostConfigCommands commands(*database, data, dialogs);
    dialogs.Then(true, "Alpha  ");
    ASSERT_EQ(0, commands.SaveToDatabase(Present()));
    EXPECT_EQ("The configuration data has been saved successfully", ui.Last().text);
    data.position.servoGain = 99;
    data.dataState = config::StateChangedByPage;
    ui.Answer(platform::IDYES, "The data you are trying to save is not consistent with the device.");
    dialogs.Then(true, "Beta");
    ASSERT_EQ(0, commands.SaveToDatabase(Present()));
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Beta"}), Names());  // the trailing blanks are gone
    EXPECT_EQ((std::vector<std::string>{"Alpha"}), dialogs.offered.back());
    EXPECT_EQ(7, EntriesNamed("Alpha"));

    // Alpha differs from the configuration in memory: loaded and downloaded.
    ui.Answer(platform::IDYES, "You are going to load configuration data and download to device.");
    ui.Answer(platform::IDYES, "The configuration data is loaded successfully.");
    dialogs.Then(true, "Alpha");
    ASSERT_EQ(0, commands.LoadFromDatabaseAndDownload(Present()));
    EXPECT_TRUE(config::SameListMembers(original, data));
    EXPECT_TRUE(std::isinf(data.pid.alarmHigh) && data.pid.alarmHigh > 0);
    EXPECT_EQ(config::StateConsistent, data.dataState);
    EXPECT_FLOAT_EQ(deviceGain, SimFloat("FV-101", "TB", "SERVO_GAIN"));

    // Loading it again finds nothing to download.
    ui.Answer(platform::IDYES, "You are going to load configuration data and download to device.");
    dialogs.Then(true, "Alpha");
    ASSERT_EQ(0, commands.LoadFromDatabaseAndDownload(Present()));
    EXPECT_EQ("The loaded data are same as those in the device.\n", ui.Last().text);

    // The delete dialog: no selection, then Beta, then closed.
    ui.Answer(platform::IDYES, "You are going to delete configuratio data [Beta].\nProceed to delete?\n");
    dialogs.Then(true, "").Then(true, "Beta").Then(false, "");
    ASSERT_EQ(0, commands.DeleteFromDatabase());
    EXPECT_EQ((std::vector<std::string>{"Alpha"}), dialogs.offered.back());
    EXPECT_EQ(0, EntriesNamed("Beta"));
    const auto texts = ui.Texts();
    EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), "The selected data name is NULL"));
    EXPECT_EQ("Delete configuration database [Beta] successful.", reported.back());
}

TEST_F(ConfigDatabaseTest, ASaveFailingInTheFifthListKeepsTheOldSetAndLeavesNoNewEntries) {
    ASSERT_EQ(0, database->SaveConfigurationSet("Set"));
    const float savedGain = data.position.servoGain;

    data.position.servoGain = 77;
    qamZTestInjectFault("qamZDBSaveParamList", 5, QAMZ_E_DATABASE);
    EXPECT_NE(0, database->SaveConfigurationSet("Set", "Set"));
    EXPECT_EQ("Error: Storing configuration data to database", ui.Last().text);
    EXPECT_EQ("Save configuration database to [Set] failed.", reported.back());
    EXPECT_EQ(7, EntriesNamed("Set"));  // the old set, whole

    qamZTestInjectFault("qamZDBSaveParamList", 5, QAMZ_E_DATABASE);
    EXPECT_NE(0, database->SaveConfigurationSet("New"));
    EXPECT_EQ(0, EntriesNamed("New"));

    ASSERT_EQ(0, database->LoadConfigurationSet("Set"));
    EXPECT_FLOAT_EQ(savedGain, data.position.servoGain);
    // Overwriting without a failure replaces it.
    data.position.servoGain = 77;
    ASSERT_EQ(0, database->SaveConfigurationSet("Set", "Set"));
    EXPECT_EQ(7, EntriesNamed("Set"));
    data.position.servoGain = 1;
    ASSERT_EQ(0, database->LoadConfigurationSet("Set"));
    EXPECT_FLOAT_EQ(77.0f, data.position.servoGain);
}

TEST_F(ConfigDatabaseTest, ASetLackingAListLoadsNothingAndTheOfflineReadTakesTheLatestSet) {
    data.general.deviceType = "0001";
    data.general.deviceRevision = "4";
    ASSERT_EQ(0, database->SaveConfigurationSet("Old"));
    data.position.servoGain = 61;
    ASSERT_EQ(0, database->SaveConfigurationSet("Latest"));
    std::vector<config::HostEntry> options;
    ASSERT_EQ(0, host->SearchList(config::HostList(config::ListOption), options));
    ASSERT_EQ(0, host->DeleteList(config::HostList(config::ListOption), options.back().id));

    data.position.servoGain = 5;
    const CConfigData before = data;
    EXPECT_EQ(2, database->LoadConfigurationSet("Latest"));
    EXPECT_EQ("The device's configuration database is empty.", ui.Last().text);
    EXPECT_TRUE(before == data);
    EXPECT_EQ(2, database->LoadConfigurationSet(""));

    // The device is not on the link: Read takes the most recently saved set, incomplete here.
    ScriptedDialogs dialogs;
    config::HostConfigCommands commands(*database, data, dialogs);
    config::HostViewDevice offline;
    offline.link.pdTag = "FV-101";
    offline.link.deviceId = "42524B0001J0000010";
    offline.transfer.waitForClose = false;
    EXPECT_NE(0, commands.ReadConfiguration(offline));
    const std::string failed = ui.Progress().back()->text;
    EXPECT_NE(std::string::npos, failed.find("Current device is OFFLINE.\r\n\r\nReading data from database...\r\n"
                                             "Reading OFFLINE configuration data failed.\r\nDefault value will be used.\r\n"));
    EXPECT_EQ(config::StateDefaults, data.dataState);

    // The partly present set is deleted as far as found; then the older set is the latest.
    ASSERT_EQ(0, database->DeleteConfigurationSet("Latest"));
    EXPECT_EQ(0, EntriesNamed("Latest"));
    data.general.pdTag = "somewhere";
    ASSERT_EQ(0, commands.ReadConfiguration(offline));
    EXPECT_NE(std::string::npos, ui.Progress().back()->text.find("Reading OFFLINE configuration data successfully.\r\n"
                                                                 "\r\nReading device configuration data successful."));
    EXPECT_EQ(config::StateLoadedFromHost, data.dataState);
    EXPECT_FLOAT_EQ(120.0f, data.position.servoGain);
    EXPECT_EQ("FV-101", data.general.pdTag);
    EXPECT_EQ(1u, data.general.splitterPresent);  // type 1 revision 4: revision 3 or later, as everywhere
}
