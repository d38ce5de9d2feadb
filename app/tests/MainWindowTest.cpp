// The main window on the simulated segment hosted in-process: the scan fills the tree,
// clicking a positioner opens it and the readers fill in its state and modes.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTreeWidget>

#include "app/CMainFrame.h"
#include "app/CTessaroView.h"
#include "logon/CurrentUser.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"
#include "platform/ui/QtMessagePump.h"
#include "simulator/InProcessSegment.h"

namespace {

template <typename F>
bool ProcessUntil(F done, int ms = 8000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QTreeWidgetItem* ItemNamed(QTreeWidget* tree, const QString& text) {
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0) == text) return tree->topLevelItem(i);
    return nullptr;
}

}  // namespace

TEST(MainWindow, ScansTheSegmentOpensAPositionerAndShowsItsState) {
    platform::testing::TempDir home;
    setenv("TESSARO_HOME", home.Path().c_str(), 1);
    ASSERT_EQ(0, nifUseInProcessSegment(nullptr));
    logon::CurrentUser::SetLevel(9);
    platform::testing::ScriptedUi ui;
    platform::QtMessagePump pump;
    {
        fieldbus::FieldbusLink link;
        CMainFrame frame(link);
        frame.show();
        QTreeWidget* tree = frame.View()->Tree();
        ASSERT_TRUE(ProcessUntil([&] { return tree->topLevelItemCount() == 6; }));
        EXPECT_EQ(QString("OFFLINE"), tree->topLevelItem(0)->text(0));
        ASSERT_NE(nullptr, ItemNamed(tree, "FV-101"));
        ASSERT_TRUE(ProcessUntil([&] { return link.IsLinkHealthy(); }));

        tree->setCurrentItem(ItemNamed(tree, "FV-101"));
        auto* state = frame.findChild<QLabel*>("stateLabel");
        auto* ao = frame.findChild<QLabel*>("modeAO");
        ASSERT_NE(nullptr, state);
        EXPECT_TRUE(ProcessUntil([&] { return state->text() == "NORMAL STATE"; }));
        EXPECT_EQ(QString("CAS"), ao->text());
        EXPECT_TRUE(frame.Command("stateManual")->isEnabled());
        EXPECT_FALSE(frame.Command("configure")->isEnabled());
        const int slot = link.CurrentSlot();
        ASSERT_GT(slot, 0);
        EXPECT_TRUE(link.Device(slot).IsOpen());
        // Closing the window stops the device's readers and closes it and the link.
        frame.close();
        EXPECT_FALSE(link.Device(slot).IsOpen());
        EXPECT_EQ(0, link.Device(slot).AnyThreadAlive());
        EXPECT_FALSE(link.IsLinkOpen());
    }
    nifUseServer();
    unsetenv("TESSARO_HOME");
}
