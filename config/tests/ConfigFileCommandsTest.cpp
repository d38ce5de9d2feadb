// The File menu commands with injected dialog answers, and the Qt dialog they configure.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QTimer>
#include <filesystem>

#include "config/ConfigFile.h"
#include "config/ui/ConfigFileCommands.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"

using config::CConfigData;
using config::ConfigFileCommands;
using config::FileDialogRequest;
using config::FileDialogResult;
using platform::testing::ScriptedUi;
using platform::testing::TempDir;

namespace {

ConfigFileCommands::Chooser Answer(const std::string& path, int filterIndex, std::vector<FileDialogRequest>* asked) {
    return [=](QWidget*, const FileDialogRequest& request) {
        if (asked) asked->push_back(request);
        return FileDialogResult{!path.empty(), path, filterIndex};
    };
}

}  // namespace

TEST(ConfigFileCommands, SaveInEveryVersionAndOpenAgain) {
    TempDir dir;
    ScriptedUi ui;
    const char* versions[] = {"2.4", "2.3", "2.2", "2.1", "2.0", "1.0"};
    for (int filter = 1; filter <= 6; ++filter) {
        CConfigData data(config::FamilyRPX110, 1, dir.Path());
        data.general.pdTag = "FV-" + std::to_string(filter);
        data.position.servoGain = 77.5f;
        ConfigFileCommands commands(data);
        const std::string path = dir.File("c" + std::to_string(filter) + ".dmp");
        commands.SetChooser(Answer(path, filter, nullptr));
        ASSERT_EQ(commands.OnFileSaveAs(nullptr), 0);
        EXPECT_EQ(data.dataVersion, versions[filter - 1]);

        CConfigData reopened(config::FamilyRPX110, 1, dir.Path());
        ConfigFileCommands open(reopened);
        int loadedCalls = 0;
        open.SetOnConfigurationLoaded([&] { ++loadedCalls; });
        open.SetChooser(Answer(path, 1, nullptr));
        ASSERT_EQ(open.OnFileOpen(nullptr), 0);
        EXPECT_EQ(reopened.general.pdTag, data.general.pdTag);
        EXPECT_EQ(reopened.position.servoGain, 77.5f);
        EXPECT_EQ(reopened.dataVersion, versions[filter - 1]);
        EXPECT_EQ(loadedCalls, 1);
    }
    EXPECT_TRUE(ui.Messages().empty());
}

TEST(ConfigFileCommands, SaveAsksWithTheSaveDialog) {
    TempDir dir;
    ScriptedUi ui;
    CConfigData data(config::FamilyRPX110, 1, dir.Path());
    ConfigFileCommands commands(data);
    std::vector<FileDialogRequest> asked;
    commands.SetChooser(Answer("", 1, &asked));
    EXPECT_EQ(commands.OnFileSave(nullptr), 2);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "Save Device Configuration File");
    EXPECT_TRUE(asked[0].save);
}

TEST(ConfigFileCommands, DamagedFileIsRefusedWithoutChangingTheRecord) {
    TempDir dir;
    ScriptedUi ui;
    CConfigData saved(config::FamilyRPX110, 1, dir.Path());
    saved.general.pdTag = "SAVED";
    const std::string path = dir.File("short.dmp");
    ASSERT_EQ(config::WriteConfigurationFile(saved, path), 0);
    std::filesystem::resize_file(path, 100);

    CConfigData data(config::FamilyRPX110, 1, dir.Path());
    const CConfigData before = data;
    ConfigFileCommands commands(data);
    int loadedCalls = 0;
    commands.SetOnConfigurationLoaded([&] { ++loadedCalls; });
    commands.SetChooser(Answer(path, 1, nullptr));
    EXPECT_EQ(commands.OnFileOpen(nullptr), 1);
    EXPECT_EQ(data.general.pdTag, before.general.pdTag);
    EXPECT_EQ(loadedCalls, 0);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_NE(ui.Last().text.find("is damaged or incomplete"), std::string::npos);
}

TEST(ConfigFileCommands, OfflineDefaultIsLoadedOnce) {
    TempDir dir;
    ScriptedUi ui;
    platform::testing::FakeClock clock;
    CConfigData data(config::FamilyRPX110, 1, dir.Path());
    ConfigFileCommands commands(data);
    commands.SetExecutableFolder(dir.File("bin"));
    EXPECT_EQ(commands.LoadOfflineDefault(nullptr), 1);
    ASSERT_EQ(ui.Progress().size(), 1u);
    EXPECT_EQ(ui.Progress()[0]->text, "No default offline configuration file found");
    EXPECT_TRUE(ui.Progress()[0]->closed);
    EXPECT_EQ(commands.LoadOfflineDefault(nullptr), 1);
    EXPECT_EQ(ui.Progress().size(), 1u);
}

TEST(ConfigFileCommands, MenuActionsRunTheCommands) {
    TempDir dir;
    ScriptedUi ui;
    CConfigData data(config::FamilyRPX110, 1, dir.Path());
    ConfigFileCommands commands(data);
    std::vector<FileDialogRequest> asked;
    commands.SetChooser(Answer(dir.File("m.dmp"), 5, &asked));
    QMenu menu;
    QAction* exit = menu.addAction("E&xit");
    commands.AddToMenu(&menu, nullptr, exit);
    const QList<QAction*> actions = menu.actions();
    ASSERT_EQ(actions.size(), 5);  // Open, Save, Save As, separator, Exit
    EXPECT_EQ(actions[0]->text(), "&Open...");
    EXPECT_EQ(actions[1]->text(), "&Save");
    EXPECT_EQ(actions[2]->text(), "Save &As...");
    EXPECT_TRUE(actions[3]->isSeparator());
    EXPECT_EQ(actions[4], exit);
    actions[2]->trigger();
    EXPECT_EQ(data.dataVersion, "2.0");
    EXPECT_TRUE(std::filesystem::exists(dir.File("m.dmp")));
    actions[0]->trigger();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].title, "Open Device Configuration File");
}

TEST(ConfigFileCommands, QtDialogShowsTheTitlesFiltersAndFolder) {
    TempDir dir;
    CConfigData data(config::FamilyRPX110, 1, dir.Path());
    data.lastFileFolder = dir.Path();

    QFileDialog save;
    ConfigFileCommands::ConfigureQtFileDialog(save, config::MakeSaveDialogRequest(data));
    EXPECT_EQ(save.windowTitle(), "Save Device Configuration File");
    EXPECT_EQ(save.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(save.defaultSuffix(), "dmp");
    EXPECT_FALSE(save.testOption(QFileDialog::DontConfirmOverwrite));
    const QStringList filters = save.nameFilters();
    ASSERT_EQ(filters.size(), 7);
    EXPECT_EQ(filters[0], "Tessaro Config Files 2.4 (*.dmp)");
    EXPECT_EQ(filters[5], "Tessaro Config Files 1.0 (*.dmp)");
    EXPECT_EQ(filters[6], "ALL Files (*)");
    EXPECT_EQ(save.directory().absolutePath().toStdString(), dir.Path());

    QFileDialog open;
    ConfigFileCommands::ConfigureQtFileDialog(open, config::MakeOpenDialogRequest(data));
    EXPECT_EQ(open.windowTitle(), "Open Device Configuration File");
    EXPECT_EQ(open.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(open.fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(open.nameFilters(), (QStringList{"Tessaro Config Files (*.dmp)", "ALL Files (*)"}));
}

TEST(ConfigFileCommands, QtDialogReturnsTheChosenFileAndFilter) {
    TempDir dir;
    CConfigData data(config::FamilyRPX110, 1, dir.Path());
    data.lastFileFolder = dir.Path();
    const QString chosen = QString::fromStdString(dir.File("chosen"));
    // Answers the dialog as a user would: the 1.0 filter and a name without extension.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        answer.stop();
        dialog->selectNameFilter(dialog->nameFilters().at(5));
        dialog->selectFile(chosen);
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept checks the name
    });
    answer.start(10);
    const FileDialogResult result = ConfigFileCommands::ShowQtFileDialog(nullptr, config::MakeSaveDialogRequest(data));
    EXPECT_TRUE(result.accepted);
    EXPECT_EQ(result.path, dir.File("chosen.dmp"));
    EXPECT_EQ(result.filterIndex, 6);
}
