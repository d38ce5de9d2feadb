// The plug-in build's window on the simulated segment hosted in-process, with the real host
// library: it opens the device the host named and nothing else, saves the configuration to
// the host's database through its menu and dialog, and refuses to go on without its start
// arguments.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "app/CQamMainFrame.h"
#include "app/CTessaroQAMView.h"
#include "config/ConfigDatabaseLists.h"
#include "config/ui/CConfigDatabaseDlg.h"
#include "platform/Registry.h"
#include "platform/RunMode.h"
#include "platform/testing/TempDir.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/ui/QtMessagePump.h"
#include "plugin/QamLibrary.h"
#include "simulator/InProcessSegment.h"

namespace {

template <typename F>
bool ProcessUntil(F done, int ms = 8000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

app::QamStartArguments Fv101() {
    return app::ParseQamCommandLine({"S1", "host-1", "Interface0-0/FV-101", "FV-101", "42524B0001J0000010", "RW", "tech"});
}

class PluginWindow : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetRunMode(RunModeQamPlugIn);
        std::string why;
        ASSERT_EQ(0, library.Load({QAMZ_LIBRARY}, why)) << why;
        ASSERT_EQ(0, nifUseInProcessSegment(nullptr));
        // Each test has a host database of its own, so an earlier run's entries ask no
        // unexpected question.
        ASSERT_EQ(platform::REG_OK, platform::Registry::Instance().SetString(
                                        platform::RegRoot::LocalMachine, kDatabaseKey, "Path", dir.File("QAM.db")));
    }
    void TearDown() override {
        platform::Registry::Instance().DeleteValue(platform::RegRoot::LocalMachine, kDatabaseKey, "Path");
    }
    static constexpr const char* kDatabaseKey = "SOFTWARE\\QAM\\Database";
    platform::testing::TempDir dir;
    plugin::QamLibrary library;
    platform::testing::ScriptedUi ui;
    platform::QtMessagePump pump;
    fieldbus::FieldbusLink link;
};

}  // namespace

TEST_F(PluginWindow, OpensTheNamedDeviceOnlyAndSavesItsConfigurationToTheHostDatabase) {
    CQamMainFrame frame(link, Fv101(), library.Api());
    frame.show();
    EXPECT_EQ(QString("QAM PLUG-IN Tessaro"), frame.windowTitle());
    QTreeWidget* tree = frame.View()->Tree();
    ASSERT_TRUE(ProcessUntil([&] {
        const int slot = link.CurrentSlot();
        return slot > 0 && link.Device(slot).IsOpen() && !frame.View()->Controller().IsBusy();
    }));
    EXPECT_EQ("FV-101", link.GetTag(link.CurrentSlot()));
    ASSERT_EQ(2, tree->topLevelItemCount());  // OFFLINE and the named device
    EXPECT_EQ(QString("FV-101"), tree->topLevelItem(1)->text(0));
    EXPECT_FALSE(frame.Command("download")->isVisible());
    EXPECT_FALSE(frame.Command("tagAddress")->isVisible());
    EXPECT_EQ(QString("&About QAM PLUG-IN Tessaro"), frame.Command("about")->text());

    // Save to Database: the dialog lists nothing yet; the name typed is saved.
    ASSERT_TRUE(ProcessUntil([&] { return frame.Command("saveDatabase")->isEnabled(); }));
    // The configuration in memory was never read from the device: asked first.
    ui.Answer(platform::IDYES, "The data you are trying to save is not consistent with the device.");
    bool dialogSeen = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<config::CConfigDatabaseDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        answer.stop();
        dialogSeen = dialog->List()->topLevelItemCount() == 0;
        dialog->NameEdit()->setText("Commissioning  ");
        dialog->OkButton()->click();
    });
    answer.start(20);
    frame.Command("saveDatabase")->trigger();
    EXPECT_TRUE(dialogSeen);
    EXPECT_EQ("The configuration data has been saved successfully", ui.Last().text);
    std::vector<config::HostEntry> saved;
    ASSERT_EQ(0, frame.QamView()->HostDatabase().SearchList(config::HostList(config::ListPidBlock), saved));
    ASSERT_EQ(1u, saved.size());
    EXPECT_EQ("Commissioning", saved[0].name);
    EXPECT_EQ("tech", saved[0].texts[4]);
    frame.close();
}

TEST_F(PluginWindow, WithoutItsStartArgumentsTheViewSaysSoAndTheWindowCloses) {
    app::QamStartArguments incomplete = Fv101();
    incomplete.deviceId.clear();
    CQamMainFrame frame(link, incomplete, library.Api());
    frame.show();
    ASSERT_TRUE(ProcessUntil([&] { return !ui.Messages().empty(); }));
    EXPECT_EQ("The starting argument list is not correct.\nThe application cannot continue.", ui.Last().text);
    EXPECT_EQ(platform::MB_ICONSTOP, ui.Last().icon);
    EXPECT_TRUE(ProcessUntil([&] { return !frame.isVisible(); }, 2000));
    EXPECT_FALSE(link.IsLinkOpen());  // no scan was made
}
