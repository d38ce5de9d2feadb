// The main window's commands while the live list is polled: a poll redraws the tree without
// taking the commands away, in OFFLINE and with a device open.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTreeWidget>

#include "app/CMainFrame.h"
#include "app/CTessaroView.h"
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
