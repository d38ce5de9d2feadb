// The main window's commands while the live list is polled: a poll redraws the tree without
// taking the commands away, in OFFLINE and with a device open; the device tools that work on
// the configuration in memory start only when it is the open device's own.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTreeWidget>

#include "app/CMainFrame.h"
#include "app/CTessaroView.h"
#include "config/CConfigData.h"
#include "logon/CurrentUser.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/ui/QtMessagePump.h"
#include "simulator/InProcessSegment.h"

namespace main_window_commands {

template <typename F>
bool ServeUntil(F done, int ms = 8000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QTreeWidgetItem* TreeItemNamed(QTreeWidget* tree, const QString& text) {
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0) == text) return tree->topLevelItem(i);
    return nullptr;
}

class MainWindowCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, nifUseInProcessSegment(nullptr));
        logon::CurrentUser::SetLevel(9);
    }
    void TearDown() override {
        logon::CurrentUser::Reset();
        nifUseServer();
    }
    platform::testing::ScriptedUi ui;
    platform::QtMessagePump pump;
};

}  // namespace main_window_commands

using main_window_commands::MainWindowCommands;

TEST_F(MainWindowCommands, LiveListPollsLeaveTheCommandsAvailable) {
    using main_window_commands::ServeUntil;
    using main_window_commands::TreeItemNamed;
    fieldbus::FieldbusLink link;
    CMainFrame frame(link);
    frame.show();
    QTreeWidget* tree = frame.View()->Tree();
    ASSERT_TRUE(ServeUntil([&] { return tree->topLevelItemCount() == 6 && link.IsLinkHealthy(); }));
    // Every refresh of the commands while polls come in is watched.
    QStringList greyed;
    const QMetaObject::Connection offline = QObject::connect(frame.View(), &CTessaroView::StatusChanged, &frame, [&] {
        for (const char* name : {"configure", "download"})
            if (!frame.Command(name)->isEnabled()) greyed << name;
    });
    for (int poll = 0; poll < 3; ++poll) frame.View()->Controller().OnLiveListChanged();
    // OFFLINE: the Open -> Download path and the record's Configure stay offered.
    EXPECT_TRUE(frame.Command("configure")->isEnabled());
    EXPECT_TRUE(frame.Command("download")->isEnabled());
    EXPECT_TRUE(greyed.isEmpty()) << greyed.join(",").toStdString();

    QObject::disconnect(offline);

    tree->setCurrentItem(TreeItemNamed(tree, "FV-101"));
    ASSERT_TRUE(ServeUntil([&] { return frame.Command("calibrate")->isEnabled(); }));
    greyed.clear();
    QObject::connect(frame.View(), &CTessaroView::StatusChanged, &frame, [&] {
        for (const char* name : {"configure", "readConfig", "calibrate", "diagnostics"})
            if (!frame.Command(name)->isEnabled()) greyed << name;
    });
    for (int poll = 0; poll < 3; ++poll) frame.View()->Controller().OnLiveListChanged();
    for (const char* name : {"configure", "readConfig", "calibrate", "diagnostics"})
        EXPECT_TRUE(frame.Command(name)->isEnabled()) << name;
    EXPECT_TRUE(greyed.isEmpty()) << greyed.join(",").toStdString();
    frame.close();
}

TEST_F(MainWindowCommands, WizardAndCalibrationStartOnlyOnTheOpenDevicesOwnConfiguration) {
    using main_window_commands::ServeUntil;
    using main_window_commands::TreeItemNamed;
    const config::CConfigData saved = config::CurrentConfig();
    fieldbus::FieldbusLink link;
    CMainFrame frame(link);
    frame.show();
    QTreeWidget* tree = frame.View()->Tree();
    ASSERT_TRUE(ServeUntil([&] { return tree->topLevelItemCount() == 6 && link.IsLinkHealthy(); }));
    tree->setCurrentItem(TreeItemNamed(tree, "FV-101"));
    ASSERT_TRUE(ServeUntil([&] {
        return frame.Command("calibrate")->isEnabled() && frame.Command("setupWizard")->isEnabled();
    }));
    const int slot = frame.View()->Controller().CurrentSlot();
    // The record in memory still holds another device's configuration (its wizard's edits).
    config::CurrentConfig().general.deviceId = "another device";
    config::CurrentConfig().general.pdTag = "KV-201";
    const std::string question = "The configuration in memory is not the one of FV-101 (it came from KV-201).";

    // Declined: neither starts (no out-of-service question), the record stays as it was.
    ui.Answer(platform::IDNO, question);
    frame.Command("setupWizard")->trigger();
    ui.Answer(platform::IDNO, question);
    frame.Command("calibrate")->trigger();
    EXPECT_EQ(2u, ui.Messages().size());
    EXPECT_EQ("KV-201", config::CurrentConfig().general.pdTag);

    // Accepted: FV-101's own configuration is read before the wizard asks to go out of service.
    ui.Answer(platform::IDYES, "Read the configuration of FV-101 now ?");
    ui.Answer(platform::IDNO, "To enter setup wizard");
    frame.Command("setupWizard")->trigger();
    EXPECT_EQ(link.GetDeviceId(slot), config::CurrentConfig().general.deviceId);
    EXPECT_EQ("FV-101", config::CurrentConfig().general.pdTag);
    // The record is FV-101's now: calibration goes straight to its own question.
    ui.Answer(platform::IDNO, "To enter calibration");
    frame.Command("calibrate")->trigger();
    EXPECT_EQ(0u, ui.PendingAnswers());
    frame.close();
    config::CurrentConfig() = saved;
}
